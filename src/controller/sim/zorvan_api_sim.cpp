// The board library's C functions over one simulated board per process. The board is made on first use
// from ZorvanSim.Ini in the library's own folder, which is the program's folder.
#include <dlfcn.h>

#include <filesystem>
#include <memory>

#include "config/profile_file.h"
#include "controller/ZorvanAPI.h"
#include "controller/sim/board_calls.h"
#include "controller/sim/simulated_board.h"
#include "controller/sim/zorvan_api_sim.h"

#define ZORVAN_EXPORT __attribute__((visibility("default")))

namespace {

using zorvan::controller::sim::Counters;
using zorvan::controller::sim::SimSettings;
using zorvan::controller::sim::SimulatedBoard;

std::filesystem::path library_folder_settings() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ZorvanReset), &info) == 0 || info.dli_fname == nullptr) return {};
    return std::filesystem::path(info.dli_fname).parent_path() / zorvan::controller::sim::SIM_SETTINGS_FILE;
}

std::unique_ptr<SimulatedBoard> make_board(const SimSettings& settings) {
    std::unique_ptr<zorvan::controller::sim::BoardClock> clock;
    if (settings.clock == zorvan::controller::sim::ClockKind::Virtual) {
        clock = std::make_unique<zorvan::controller::sim::VirtualClock>(settings.tick_s);
    } else {
        clock = std::make_unique<zorvan::controller::sim::RealTimeClock>();
    }
    return std::make_unique<SimulatedBoard>(settings, std::move(clock));
}

std::unique_ptr<SimulatedBoard> make_board_from_library_folder() {
    const auto path = library_folder_settings();
    return make_board(path.empty() ? SimSettings{} : zorvan::controller::sim::load_sim_settings(path));
}

// The one board of the process. Everything runs on the caller's one thread.
std::unique_ptr<SimulatedBoard>& board_slot() {
    static std::unique_ptr<SimulatedBoard> board;
    return board;
}

SimulatedBoard& board() {
    auto& slot = board_slot();
    if (!slot) slot = make_board_from_library_folder();
    return *slot;
}

// The library's board, without a hook before any call.
struct LibraryBoard {
    static SimulatedBoard& board() { return ::board(); }
    static void before_queue() {}
    static void before_poll() {}
};
using Calls = zorvan::controller::sim::BoardCalls<LibraryBoard>;

}  // namespace

extern "C" {

ZORVAN_EXPORT ZorvanStatus ZorvanReset(int32_t* port, int32_t mode) {
    return Calls::Reset(port, mode);
}

ZORVAN_EXPORT double ZorvanGetFirmwareVersion(void) {
    return Calls::GetFirmwareVersion();
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetAccelleration(int32_t acceleration, int32_t max_sps,
                                                  int32_t start_velocity, uint8_t accel_scale) {
    return Calls::SetAccelleration(acceleration, max_sps, start_velocity, accel_scale);
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetMaxSPS(int32_t max_sps, int32_t axis_count, uint8_t invert_step_pulse,
                                           uint8_t reserved) {
    return Calls::SetMaxSPS(max_sps, axis_count, invert_step_pulse, reserved);
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetArcDirection(uint8_t code) {
    return Calls::SetArcDirection(code);
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetPosition(int32_t x, int32_t y, int32_t z, int32_t a, uint8_t axis_mask) {
    return Calls::SetPosition(x, y, z, a, axis_mask);
}

ZORVAN_EXPORT ZorvanStatus ZorvanGetPosition(int32_t* x, int32_t* y, int32_t* z, int32_t* a) {
    return Calls::GetPosition(x, y, z, a);
}

ZORVAN_EXPORT ZorvanStatus ZorvanLinearMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                            int32_t end_speed, int32_t* px, int32_t* py, int32_t* pz,
                                            int32_t* pa) {
    return Calls::LinearMove(x, y, z, a, speed, end_speed, px, py, pz, pa);
}

ZORVAN_EXPORT ZorvanStatus ZorvanRapidMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                           int32_t end_speed, int32_t* px, int32_t* py, int32_t* pz,
                                           int32_t* pa) {
    return Calls::RapidMove(x, y, z, a, speed, end_speed, px, py, pz, pa);
}

ZORVAN_EXPORT ZorvanStatus ZorvanIndexMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                           uint8_t axis_mask, int32_t* px, int32_t* py, int32_t* pz,
                                           int32_t* pa) {
    return Calls::IndexMove(x, y, z, a, speed, axis_mask, px, py, pz, pa);
}

ZORVAN_EXPORT ZorvanStatus ZorvanQuadrantArcMoveCW(int32_t radius, int32_t start_x, int32_t start_y,
                                                   int32_t end_x, int32_t end_y, int32_t speed,
                                                   int32_t end_speed, uint8_t quadrant, int32_t* px,
                                                   int32_t* py, int32_t* pz, int32_t* pa) {
    return Calls::QuadrantArc<false>(radius, start_x, start_y, end_x, end_y, speed, end_speed, quadrant, px,
                                     py, pz, pa);
}

ZORVAN_EXPORT ZorvanStatus ZorvanQuadrantArcMoveCCW(int32_t radius, int32_t start_x, int32_t start_y,
                                                    int32_t end_x, int32_t end_y, int32_t speed,
                                                    int32_t end_speed, uint8_t quadrant, int32_t* px,
                                                    int32_t* py, int32_t* pz, int32_t* pa) {
    return Calls::QuadrantArc<true>(radius, start_x, start_y, end_x, end_y, speed, end_speed, quadrant, px,
                                    py, pz, pa);
}

ZORVAN_EXPORT ZorvanStatus ZorvanDelay(int32_t* px, int32_t* py, int32_t* pz, double seconds, int32_t* pa) {
    return Calls::Delay(px, py, pz, seconds, pa);
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetOutput(uint8_t output, uint8_t state, int32_t* px, int32_t* py,
                                           int32_t* pz, int32_t* pa) {
    return Calls::SetOutput(output, state, px, py, pz, pa);
}

ZORVAN_EXPORT ZorvanStatus ZorvanHome(uint8_t axis_mask, uint8_t direction_bits, int32_t speed) {
    return Calls::Home(axis_mask, direction_bits, speed);
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetFeedOverride(int32_t value) {
    return Calls::SetFeedOverride(value);
}

ZORVAN_EXPORT ZorvanStatus ZorvanTweakZAxis(int32_t value) {
    return Calls::TweakZAxis(value);
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetProbePolarity(uint8_t polarity) {
    return Calls::SetProbePolarity(polarity);
}

ZORVAN_EXPORT ZorvanStatus ZorvanSetPWMOutput(uint8_t percent) {
    return Calls::SetPWMOutput(percent);
}

ZORVAN_EXPORT uint8_t ZorvanReadInputs(void) {
    return Calls::ReadInputs();
}

ZORVAN_EXPORT ZorvanStatus ZorvanPause(void) {
    return Calls::Pause();
}

ZORVAN_EXPORT ZorvanStatus ZorvanContinue(void) {
    return Calls::Continue();
}

ZORVAN_EXPORT ZorvanStatus ZorvanEndCurrentMove(void) {
    return Calls::EndCurrentMove();
}

ZORVAN_EXPORT ZorvanStatus ZorvanEmStop(void) {
    return Calls::EmStop();
}

// ---- for tests only ----

ZORVAN_EXPORT void ZorvanSimUseVirtualClock(double step_s) {
    board().use_clock(std::make_unique<zorvan::controller::sim::VirtualClock>(step_s));
}

ZORVAN_EXPORT void ZorvanSimUseRealClock(void) {
    board().use_clock(std::make_unique<zorvan::controller::sim::RealTimeClock>());
}

ZORVAN_EXPORT double ZorvanSimBoardTime(void) {
    return board().board_time_s();
}

ZORVAN_EXPORT void ZorvanSimAdvance(double seconds) {
    board().advance(seconds);
}

ZORVAN_EXPORT int ZorvanSimLoadSettings(const char* path) {
    if (path == nullptr || *path == '\0') {
        board_slot() = make_board(SimSettings{});
        return 0;
    }
    const bool exists = std::filesystem::is_regular_file(path);
    board_slot() = make_board(zorvan::controller::sim::load_sim_settings(path));
    return exists ? 1 : 0;
}

ZORVAN_EXPORT void ZorvanSimLoadSettingsText(const char* text) {
    board_slot() = make_board(zorvan::controller::sim::read_sim_settings(
        zorvan::config::ProfileFile::parse(text != nullptr ? text : "")));
}

ZORVAN_EXPORT void ZorvanSimReset(void) {
    board_slot() = make_board_from_library_folder();
}

ZORVAN_EXPORT void ZorvanSimSetEStopInput(int held) {
    board().set_estop_input(held != 0);
}

ZORVAN_EXPORT uint8_t ZorvanSimOutputs(void) {
    return board().outputs();
}

ZORVAN_EXPORT uint8_t ZorvanSimPwmPercent(void) {
    return board().pwm_percent();
}

}  // extern "C"
