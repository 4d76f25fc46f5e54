#include "controller/sim/sim_settings.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "config/number_text.h"
#include "config/profile_file.h"

namespace zorvan::controller::sim {

namespace {

// A position key: absent or unreadable means "not there", never a switch at 0.
std::optional<std::int32_t> optional_steps(const config::ProfileFile& file, std::string_view section,
                                           std::string_view key) {
    const auto text = file.find(section, key);
    if (!text) return std::nullopt;
    return config::parse_int(*text);
}

CallKind read_call_kind(const config::ProfileFile& file, std::string_view key, CallKind def) {
    std::string text = file.read_string("FAULTS", key, "");
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (text == "MOVE") return CallKind::Move;
    if (text == "POSITION") return CallKind::Position;
    if (text == "OUTPUT") return CallKind::Output;
    if (text == "ANY") return CallKind::Any;
    return def;
}

}  // namespace

SimSettings read_sim_settings(const config::ProfileFile& file) {
    SimSettings s;
    s.present = file.read_bool("BOARD", "PRESENT", s.present);
    s.firmware_version = file.read_real("BOARD", "FIRMWARE", s.firmware_version, '.');
    s.buffer_depth = std::clamp(file.read_int("BOARD", "BUFFER", s.buffer_depth), 1, 100000);
    std::string clock = file.read_string("BOARD", "CLOCK", "REAL");
    std::transform(clock.begin(), clock.end(), clock.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    s.clock = clock == "VIRTUAL" ? ClockKind::Virtual : ClockKind::Real;
    const double tick = file.read_real("BOARD", "TICK", s.tick_s, '.');
    if (tick >= 0.0 && tick <= 1.0) s.tick_s = tick;

    static constexpr std::string_view axis_names[4] = {"X", "Y", "Z", "A"};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string name(axis_names[i]);
        s.limits[i].min_steps = optional_steps(file, "LIMITS", name + "_MIN");
        s.limits[i].max_steps = optional_steps(file, "LIMITS", name + "_MAX");
    }

    s.probe.trip_z_steps = optional_steps(file, "PROBE", "TRIP_Z");
    s.probe.x_steps = optional_steps(file, "PROBE", "X");
    s.probe.y_steps = optional_steps(file, "PROBE", "Y");
    if (!s.probe.x_steps || !s.probe.y_steps) s.probe.x_steps = s.probe.y_steps = std::nullopt;
    s.probe.radius_steps = std::max(0, file.read_int("PROBE", "RADIUS", s.probe.radius_steps));
    s.probe.hysteresis_steps = std::max(0, file.read_int("PROBE", "HYSTERESIS", s.probe.hysteresis_steps));

    FaultPlan& f = s.faults;
    f.timeout_every = std::max(0, file.read_int("FAULTS", "TIMEOUT_EVERY", 0));
    f.timeout_on = read_call_kind(file, "TIMEOUT_ON", f.timeout_on);
    f.busy_every = std::max(0, file.read_int("FAULTS", "BUSY_EVERY", 0));
    f.busy_on = read_call_kind(file, "BUSY_ON", f.busy_on);
    f.fail_move = std::max(0, file.read_int("FAULTS", "FAIL_MOVE", 0));
    const int status = file.read_int("FAULTS", "FAIL_STATUS", -39);
    if (status >= -255 && status <= 255)
        f.fail_status = static_cast<std::uint8_t>(status < 0 ? 256 + status : status);
    f.dead_after = std::max(0, file.read_int("FAULTS", "DEAD_AFTER", 0));
    return s;
}

SimSettings load_sim_settings(const std::filesystem::path& path) {
    const auto file = config::ProfileFile::load(path);
    return file ? read_sim_settings(*file) : SimSettings{};
}

}  // namespace zorvan::controller::sim
