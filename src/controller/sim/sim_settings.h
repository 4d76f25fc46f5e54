// The simulated board's settings, read from ZorvanSim.Ini in the program's folder. Without the file the
// board is a usable machine: present, firmware 2.1, a buffer of 64 commands, no travel-limit switches, no
// tool-length sensor, the real-time clock and no injected faults, so any program within the counters'
// range runs to its end.
//
// The file (sections and keys compared without regard to case; every position is in motor steps, counted
// as the board's own counters count them; a key left out keeps its default):
//
//   [BOARD]
//   PRESENT=1          ; 0: no board answers (reset -41, firmware version 0, every other call -1)
//   FIRMWARE=2.1       ; the version the firmware query returns
//   BUFFER=64          ; commands the board holds besides the one it runs (1 to 100000)
//   CLOCK=REAL         ; REAL: motion follows the wall clock; VIRTUAL: each library call is one TICK
//   TICK=0.001         ; seconds of board time per library call on the virtual clock (0 to 1)
//
//   [LIMITS]           ; travel-limit switches; a key left out (or unreadable) means no switch there
//   X_MIN=-20000       ; the X switch closes when the X counter is at or below -20000
//   X_MAX=20000        ; ... at or above 20000; likewise Y_MIN, Y_MAX, Z_MIN, Z_MAX, A_MIN, A_MAX
//
//   [PROBE]            ; the tool-length sensor, which is also the home switch input
//   TRIP_Z=-15000      ; closes while Z is at or below this count; without it there is no sensor
//   X=12000            ; optional: the sensor's place; with X and Y given it closes only
//   Y=500              ;   within RADIUS of that point
//   RADIUS=300         ;   (default 100)
//   HYSTERESIS=0       ; travel in Z of a closed sensor: once closed it opens again only when Z rises
//                      ;   above TRIP_Z + HYSTERESIS (0: at the first step above TRIP_Z; a value beyond
//                      ;   the range a test moves in makes a sensor that sticks)
//
//   [FAULTS]           ; faults to inject, off by default
//   TIMEOUT_EVERY=0    ; every Nth call of the kind TIMEOUT_ON answers -39 (time-out) and does nothing
//   TIMEOUT_ON=MOVE    ; MOVE (moves, arcs, index, home, tweak, delay), POSITION, OUTPUT or ANY
//   BUSY_EVERY=0       ; every Nth call of the kind BUSY_ON answers busy '\' and does nothing
//   BUSY_ON=MOVE
//   FAIL_MOVE=0        ; the Nth move call after a reset answers FAIL_STATUS once and is not queued
//   FAIL_STATUS=-39    ; a negative board code (such as -39 or -51) or a status byte (0 .. 255)
//   DEAD_AFTER=0       ; after its Nth call the board is gone, like an unplugged USB board (0: never)
//
// ANY counts every call that answers a status except ZorvanReset, ZorvanEmStop and ZorvanSetPWMOutput: a
// reset and an emergency stop always get through, and nobody reads the PWM call's answer.
//
// DEAD_AFTER counts every library call of the board since the library was loaded, reset, firmware query,
// emergency stop, PWM and input read included, and a reset does not start it again. From call N + 1 on
// every call answers -39 (time-out), the firmware query 0 and the input read 0, and nothing is done: the
// motion stops where it was and the board never comes back.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace zorvan::config {
class ProfileFile;
}

namespace zorvan::controller::sim {

inline constexpr const char* SIM_SETTINGS_FILE = "ZorvanSim.Ini";

// Travel-limit switches of one axis, in steps; nullopt: no switch on that side.
struct AxisSwitches {
    std::optional<std::int32_t> min_steps;
    std::optional<std::int32_t> max_steps;
};

// The tool-length sensor (home switch input).
struct ProbeSwitch {
    std::optional<std::int32_t> trip_z_steps;  // nullopt: no sensor
    std::optional<std::int32_t> x_steps;       // the sensor's place, both or neither
    std::optional<std::int32_t> y_steps;
    std::int32_t radius_steps = 100;
    std::int32_t hysteresis_steps = 0;  // how far above the trip point a closed sensor opens again
};

enum class ClockKind { Real, Virtual };

// The kinds of call that faults can be injected into.
enum class CallKind { Move, Position, Output, Any };

struct FaultPlan {
    int timeout_every = 0;  // 0: off
    CallKind timeout_on = CallKind::Move;
    int busy_every = 0;  // 0: off
    CallKind busy_on = CallKind::Move;
    int fail_move = 0;                    // 0: off; else the ordinal of the move call that fails
    std::uint8_t fail_status = 256 - 39;  // the status byte it answers
    int dead_after = 0;                   // 0: never; else the last call the board answers
};

struct SimSettings {
    bool present = true;
    double firmware_version = 2.1;
    int buffer_depth = 64;
    std::array<AxisSwitches, 4> limits{};  // X, Y, Z, A
    ProbeSwitch probe;
    ClockKind clock = ClockKind::Real;
    double tick_s = 0.001;  // seconds per call on the virtual clock
    FaultPlan faults;
};

SimSettings read_sim_settings(const config::ProfileFile& file);
// The settings of the file, or the defaults when it does not exist or cannot be read.
SimSettings load_sim_settings(const std::filesystem::path& path);

}  // namespace zorvan::controller::sim
