// The simulated board's private pieces shared by its two source files: status bytes, the call kinds
// and the state of the motion in progress.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "controller/sim/simulated_board.h"

namespace zorvan::controller::sim {

inline constexpr std::uint8_t SYNTAX_ERROR = status::error(-44);
inline constexpr std::uint8_t NOT_INITIALISED = status::error(-1);
inline constexpr std::uint8_t IN_ESTOP = status::error(-2);
inline constexpr std::uint8_t LIMIT_SWITCH = status::error(-49);
inline constexpr std::uint8_t PROBE_SWITCH = status::error(-43);
inline constexpr std::uint8_t NO_SUCH_PORT = status::error(-41);
inline constexpr std::uint8_t TIMED_OUT = status::error(-39);
inline constexpr std::int32_t RESET_MODE = 27;  // the reset call's second argument
inline constexpr double FASTEST_STEP_SPS = STEP_TIMER_HZ / SHORTEST_STEP_TICKS;
// Time differences below this are rounding, not time: a step due "now" is taken now.
inline constexpr double TIME_EPSILON_S = 1e-9;

constexpr bool in_counter_range(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
}

inline std::int32_t saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// The angle of a point of a quadrant, given by its magnitudes, from +X towards +Y, in [0, 2π].
inline double quadrant_angle(std::uint8_t quadrant, double x, double y) {
    const double phi = std::atan2(y, x);
    switch (quadrant) {
        case 1:
            return phi;
        case 2:
            return std::numbers::pi - phi;
        case 3:
            return std::numbers::pi + phi;
        default:
            return 2.0 * std::numbers::pi - phi;
    }
}

enum class SimulatedBoard::Call { Move, Position, Output, Other };

// One running motion: a path from `from` to `to` in `steps` steps of the dominant axis, and where it stands
// on the ramp.
struct SimulatedBoard::Motion {
    std::array<std::int64_t, 4> from{}, to{};
    bool arc = false;
    std::int64_t centre_x = 0, centre_y = 0;
    int mirror_x = 1, mirror_y = 1;
    double angle0 = 0.0, sweep = 0.0, radius0 = 0.0, radius1 = 0.0;
    std::int64_t steps = 0;
    std::int64_t n = 0;  // steps taken
    double ceiling_sps = 0.0;
    int ceiling_index = 0;     // highest ramp entry at or below the ceiling
    int end_index = 0;         // ramp entry of the last step
    int climb_from = 0;        // ramp entry the climb starts at ...
    std::int64_t climb_n = 0;  // ... on this step
    bool braking = false;      // braking for a pause
    int brake_from = 0;
    std::int64_t brake_n = 0;
    int last_index = 0;  // ramp entry of the last step taken (at or below the rate it ran)
    bool step_due = false;
    double wait_s = 0.0;  // time left until the scheduled step
    bool homing = false;
    std::uint8_t home_mask = 0, home_directions = 0;
    bool began_on_probe = false;  // the sensor read closed when the move began
    int ceiling_reached = 0;      // first ramp entry at or above the ceiling
    bool free_running = false;    // no switch can close on the way: stretches of steps run at once
};

}  // namespace zorvan::controller::sim
