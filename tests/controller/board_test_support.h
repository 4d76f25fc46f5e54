// Boards for the simulated-board tests: on a clock that moves only when the test advances it, reset and
// set up as the host's start-up does (acceleration 5000 steps/s², 1000 steps/s, start velocity 100).
#pragma once

#include <cstdint>
#include <memory>

#include "controller/sim/simulated_board.h"

namespace zorvan::controller::sim::testing {

inline constexpr std::uint8_t LIMIT_HIT = status::error(-49);
inline constexpr std::uint8_t PROBE_HIT = status::error(-43);
inline constexpr std::uint8_t SYNTAX = status::error(-44);
inline constexpr std::uint8_t ESTOP = status::error(-2);

inline std::unique_ptr<SimulatedBoard> make_board(SimSettings settings = {}) {
    auto board = std::make_unique<SimulatedBoard>(settings, std::make_unique<VirtualClock>(0.0));
    std::int32_t port = 0;
    board->reset(&port, 27);
    board->set_acceleration(5000, 1000, 100, 1);
    return board;
}

// Runs the board in slices of `slice_s` until nothing runs or waits; the board time it took.
inline double run_until_idle(SimulatedBoard& board, double slice_s = 0.001, double limit_s = 200.0) {
    const double start = board.board_time_s();
    while (!board.idle() && board.board_time_s() - start < limit_s)
        board.advance(slice_s);
    return board.board_time_s() - start;
}

// A board with a tool-length sensor closing at Z trip_z within radius steps of (x, y).
inline SimSettings sensor_at(std::int32_t x, std::int32_t y, std::int32_t trip_z, std::int32_t radius) {
    SimSettings settings;
    settings.probe.trip_z_steps = trip_z;
    settings.probe.x_steps = x;
    settings.probe.y_steps = y;
    settings.probe.radius_steps = radius;
    return settings;
}

inline Counters at(std::int32_t x, std::int32_t y = 0, std::int32_t z = 0, std::int32_t a = 0) {
    return {x, y, z, a};
}

}  // namespace zorvan::controller::sim::testing
