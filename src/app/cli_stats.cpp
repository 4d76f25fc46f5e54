#include "app/cli_stats.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "app/trace_canon.h"
#include "interp/forwarding_canon.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/machine_startup.h"
#include "machine/machine_time.h"
#include "machine/plane.h"

namespace zorvan::app {
namespace {

constexpr const char* USAGE = "usage: zorvannc-cli stats [--config-dir DIR] [--units G20|G21] FILE\n";

// The angle swept from a0 to a1 in the arc's direction, in (0, 2π]: an arc that ends where it starts is
// a full circle. Every further turn adds a full circle.
double SweptAngle(double a0, double a1, int rotation) {
    constexpr double full = 2 * std::numbers::pi;
    double sweep = rotation > 0 ? a1 - a0 : a0 - a1;
    sweep = std::fmod(sweep, full);
    if (sweep < 0) sweep += full;
    if (sweep < 1e-12) sweep = full;
    return sweep + (std::abs(rotation) - 1) * full;
}

// Counts and times every move on its way to the canonical functions, from the positions they report
// before and after it, so the counted path is the one drawn.
class StatsCanon final : public interp::ForwardingCanon {
  public:
    StatsCanon(machine::Canon& inner, ProgramStats& stats)
        : ForwardingCanon(inner), canon_(inner), stats_(stats) {}
    void set_enabled(bool enabled) { enabled_ = enabled; }

    void select_plane(int plane) override {
        plane_ = plane;
        inner_.select_plane(plane);
    }

    void straight_traverse(double x, double y, double z) override {
        const interp::Position from = inner_.get_position();
        inner_.straight_traverse(x, y, z);
        if (!enabled_) return;
        ++stats_.rapid_moves;
        const interp::Position to = inner_.get_position();
        const double scale = canon_.LengthUnitScale;
        const std::array<double, 3> d_mm{(to.x - from.x) * scale, (to.y - from.y) * scale,
                                         (to.z - from.z) * scale};
        stats_.rapid_length_mm += std::sqrt(d_mm[0] * d_mm[0] + d_mm[1] * d_mm[1] + d_mm[2] * d_mm[2]);
        // The axes move together; the move lasts as long as its slowest axis needs at top speed.
        const machine::MotionParameters& p = canon_.Parameters();
        double longest_s = 0;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const double steps = std::fabs(d_mm[axis] * p.StepsPerUnit[axis]);
            const double top_sps = p.AxisMaxSps[axis] > 0 ? p.AxisMaxSps[axis] : 1.0;
            longest_s = std::max(longest_s, steps / top_sps);
        }
        stats_.rapid_time_s += longest_s;
    }
    void straight_feed(double x, double y, double z) override {
        const interp::Position from = inner_.get_position();
        inner_.straight_feed(x, y, z);
        if (!enabled_) return;
        ++stats_.feed_moves;
        AddFeedPath(StraightLength(from, inner_.get_position()));
    }
    void straight_probe(double x, double y, double z) override {
        const interp::Position from = inner_.get_position();
        inner_.straight_probe(x, y, z);
        if (!enabled_) return;
        ++stats_.probe_moves;
        // The preview does not move the probe; it is counted as the longest it can take, to its target.
        AddFeedPath(StraightLength(from, {x, y, z, from.a}));
    }
    void arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                  int rotation, double axis_end) override {
        const interp::Position from = inner_.get_position();
        inner_.arc_feed(first_end, second_end, first_centre, second_centre, rotation, axis_end);
        if (!enabled_) return;
        if (rotation == 0) {
            ++stats_.feed_moves;
            AddFeedPath(StraightLength(from, inner_.get_position()));
            return;
        }
        ++(rotation > 0 ? stats_.arcs_ccw : stats_.arcs_cw);
        const auto start = machine::XyzToPlane(plane_, from);
        const double r0 = std::hypot(start[0] - first_centre, start[1] - second_centre);
        const double r1 = std::hypot(first_end - first_centre, second_end - second_centre);
        const double sweep =
            SweptAngle(std::atan2(start[1] - second_centre, start[0] - first_centre),
                       std::atan2(second_end - second_centre, first_end - first_centre), rotation);
        // A radius that changes along the arc is taken at its mean.
        AddFeedPath(std::hypot((r0 + r1) / 2 * sweep, axis_end - start[2]));
    }
    void dwell(double seconds) override {
        inner_.dwell(seconds);
        if (enabled_ && seconds > 0) stats_.dwell_time_s += seconds;
    }
    void change_tool(int slot) override {
        inner_.change_tool(slot);
        if (enabled_ && std::find(stats_.tools.begin(), stats_.tools.end(), slot) == stats_.tools.end()) {
            stats_.tools.push_back(slot);
        }
    }

  private:
    // Program units.
    static double StraightLength(const interp::Position& from, const interp::Position& to) {
        return std::sqrt((to.x - from.x) * (to.x - from.x) + (to.y - from.y) * (to.y - from.y) +
                         (to.z - from.z) * (to.z - from.z));
    }

    // A feed path of `length` program units, timed at the feed rate in force (program units/min).
    void AddFeedPath(double length) {
        stats_.feed_length_mm += length * canon_.LengthUnitScale;
        if (length == 0) return;
        const double rate = inner_.get_feed_rate();
        if (rate > 0) {
            stats_.feed_time_s += length / rate * 60.0;
        } else {
            ++stats_.moves_without_feed_rate;
        }
    }

    machine::Canon& canon_;
    ProgramStats& stats_;
    bool enabled_ = false;
    int plane_ = 1;
};

std::string_view UnitsName(double mm_per_unit) {
    if (mm_per_unit == 25.4) return "inch";
    if (mm_per_unit == 10.0) return "cm";
    return "mm";
}

void PrintReal(std::FILE* out, const char* key, double value) {
    if (value == 0) value = 0;  // no "-0.0000"
    std::fprintf(out, "%s: %.4f\n", key, value);
}

void PrintDuration(std::FILE* out, const char* key, double seconds) {
    const long long whole = std::llround(seconds);
    std::fprintf(out, "%s: %lld:%02lld:%02lld\n", key, whole / 3600, whole / 60 % 60, whole % 60);
}

}  // namespace

ProgramStats collect_program_stats(const ProgramRunOptions& options, std::string_view text, std::FILE* out) {
    ProgramStats stats;
    TraceOutput output(out);
    TraceErrorReporter errors(output);
    SwitchedReporter reporter(&errors);
    machine::HeadlessOperatorPanel panel;
    machine::NullToolPathSink sink;
    machine::Canon canon(panel, sink);
    StatsCanon counter(canon, stats);
    interp::Interpreter interpreter(counter, reporter, options.config_dir);

    machine::StartInterpreter(options.config_dir, options.units, interpreter, canon);
    counter.set_enabled(true);
    reporter.enabled = true;
    // A probe move ends where the probe trips; in preview it runs to its end and the program goes on.
    stats.lines = run_as_all(interpreter, options.file, text, true);
    output.flush();
    stats.errors = errors.count();
    stats.extents = canon.PathExtentsInProgramUnits();
    stats.mm_per_unit = canon.LengthUnitScale;
    return stats;
}

int run_stats_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ProgramRunOptions options;
    if (!parse_program_options(args, 0, options, nullptr)) {
        std::fputs(USAGE, err);
        return EXIT_USAGE;
    }
    const auto lines = read_program_file(options.file);
    if (!lines) {
        std::fprintf(err, "zorvannc-cli: cannot read %s\n", options.file.string().c_str());
        return EXIT_USAGE;
    }
    const ProgramStats s = collect_program_stats(options, lines->Text(), out);
    // The rest of the report is in the program's final units.
    const double unit = s.mm_per_unit;
    std::fprintf(out, "file: %s\n", options.file.string().c_str());
    std::fprintf(out, "lines: %lld\n", s.lines);
    std::fprintf(out, "units: %s\n", std::string(UnitsName(unit)).c_str());
    const char* axes = "xyz";
    for (int axis = 0; axis < 3; ++axis) {
        double low = s.extents[static_cast<std::size_t>(2 * axis)];
        double high = s.extents[static_cast<std::size_t>(2 * axis + 1)];
        if (low == 0) low = 0;
        if (high == 0) high = 0;
        std::fprintf(out, "extent %c: %.4f %.4f\n", axes[axis], low, high);
    }
    std::fprintf(out, "feed moves: %lld\n", s.feed_moves);
    std::fprintf(out, "rapid moves: %lld\n", s.rapid_moves);
    std::fprintf(out, "arcs cw: %lld\n", s.arcs_cw);
    std::fprintf(out, "arcs ccw: %lld\n", s.arcs_ccw);
    std::fprintf(out, "probe moves: %lld\n", s.probe_moves);
    PrintReal(out, "feed length", s.feed_length_mm / unit);
    PrintReal(out, "rapid length", s.rapid_length_mm / unit);
    std::string tools;
    for (int slot : s.tools) {
        if (!tools.empty()) tools.push_back(' ');
        tools.append(std::to_string(slot));
    }
    std::fprintf(out, "tools: %s\n", tools.empty() ? "none" : tools.c_str());
    PrintReal(out, "feed time s", s.feed_time_s);
    PrintReal(out, "rapid time s", s.rapid_time_s);
    PrintReal(out, "dwell time s", s.dwell_time_s);
    if (s.moves_without_feed_rate > 0)
        std::fprintf(out, "untimed feed moves: %lld\n", s.moves_without_feed_rate);
    const double total = s.feed_time_s + s.rapid_time_s + s.dwell_time_s;
    PrintReal(out, "estimated time s", total);
    PrintDuration(out, "estimated time", total);
    machine::MachineTimeRequest request;
    request.config_dir = options.config_dir;
    request.units = options.units;
    request.lines = *lines;  // shared, not copied
    request.program_name = options.file.string();
    const machine::MachineTime machine_time = machine::EstimateMachineTime(std::move(request));
    if (machine_time.known) {
        PrintReal(out, "machine time s", machine_time.seconds);
        PrintDuration(out, "machine time", machine_time.seconds);
        std::fprintf(out, "operator waits: %d\n", machine_time.operator_waits);
        if (machine_time.stopped) std::fprintf(out, "machine stop: %s\n", machine_time.stop_reason.c_str());
    } else {
        std::fprintf(out, "machine time s: unknown\n");
    }
    return EXIT_CLEAN;
}

}  // namespace zorvan::app
