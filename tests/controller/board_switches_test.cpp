// The simulated board's switches, homing, emergency stop and injected faults.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <tuple>
#include <vector>

#include "controller/board_test_support.h"
#include "controller/sim/simulated_board.h"

namespace zorvan::controller::sim {
namespace {

using testing::at;
using testing::ESTOP;
using testing::LIMIT_HIT;
using testing::make_board;
using testing::PROBE_HIT;
using testing::run_until_idle;
using testing::sensor_at;

struct LimitCase {
    std::size_t axis;
    bool max_side;
    std::int32_t switch_at, target;
};

Counters on_axis(std::size_t axis, std::int32_t value) {
    Counters c{};
    c[axis] = value;
    return c;
}

TEST(BoardSwitches, ALimitSwitchStopsTheMoveEmptiesTheBufferAndIsReportedOnce) {
    const LimitCase cases[] = {
        {0, true, 2000, 5000}, {1, false, -1500, -4000}, {2, false, -3000, -9000}, {3, true, 700, 1200}};
    for (const auto& c : cases) {
        SimSettings settings;
        (c.max_side ? settings.limits[c.axis].max_steps : settings.limits[c.axis].min_steps) = c.switch_at;
        auto board = make_board(settings);
        const auto bit = static_cast<std::uint8_t>(1u << (c.axis + 1));
        ASSERT_EQ(board->linear_move(on_axis(c.axis, c.target), 1000, 0), status::ACCEPTED);
        ASSERT_EQ(board->linear_move(at(0, 0, 0, 0), 1000, 0), status::ACCEPTED);
        run_until_idle(*board);
        EXPECT_EQ(board->counters(), on_axis(c.axis, c.switch_at)) << c.axis;
        EXPECT_EQ(board->read_inputs() & bit, bit) << c.axis;
        EXPECT_EQ(board->linear_move(at(0), 1000, 0), LIMIT_HIT) << c.axis;  // answered, not queued
        EXPECT_EQ(board->get_position(), status::IDLE) << c.axis;

        // Further into the switch: stopped before a step.
        ASSERT_EQ(board->linear_move(on_axis(c.axis, c.target), 1000, 0), status::ACCEPTED);
        EXPECT_EQ(board->get_position(), LIMIT_HIT) << c.axis;
        EXPECT_EQ(board->counters(), on_axis(c.axis, c.switch_at)) << c.axis;

        // Backing off the switch runs.
        ASSERT_EQ(board->linear_move(at(0), 1000, 0), status::ACCEPTED);
        run_until_idle(*board);
        EXPECT_EQ(board->get_position(), status::IDLE) << c.axis;
        EXPECT_EQ(board->counters(), at(0)) << c.axis;
        EXPECT_EQ(board->read_inputs() & bit, 0) << c.axis;
    }
}

TEST(BoardSwitches, TheSensorStopsAPlungeAndStaysClosedBelowItsTripPoint) {
    SimSettings settings;
    settings.probe.trip_z_steps = -3000;
    auto board = make_board(settings);
    ASSERT_EQ(board->linear_move(at(0, 0, -10000), 1000, 0), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(500, 0, -10000), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->counters(), at(0, 0, -3000));
    EXPECT_EQ(board->get_position(), PROBE_HIT);
    EXPECT_EQ(board->get_position(), status::IDLE);
    EXPECT_EQ(board->read_inputs() & 1, 1);

    ASSERT_EQ(board->linear_move(at(0, 0, -3100), 1000, 0), status::ACCEPTED);
    EXPECT_EQ(board->get_position(), PROBE_HIT);
    EXPECT_EQ(board->counters(), at(0, 0, -3000));

    ASSERT_EQ(board->linear_move(at(0, 0, -2990), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->get_position(), status::IDLE);
    EXPECT_EQ(board->read_inputs() & 1, 0);
}

TEST(BoardSwitches, ASensorWithAPlaceClosesOnlyOverIt) {
    auto board = make_board(sensor_at(1000, 0, -3000, 100));
    ASSERT_EQ(board->linear_move(at(0, 0, -5000), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->get_position(), status::IDLE);  // not over it
    EXPECT_EQ(board->counters(), at(0, 0, -5000));

    // Sideways onto it below the trip point: stopped where it closes, 100 steps from its middle.
    ASSERT_EQ(board->linear_move(at(1050, 0, -5000), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->get_position(), PROBE_HIT);
    EXPECT_EQ(board->counters(), at(900, 0, -5000));

    ASSERT_EQ(board->linear_move(at(900, 0, 0), 1000, 0), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(1050, 0, 0), 1000, 0), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(1050, 0, -5000), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->get_position(), PROBE_HIT);
    EXPECT_EQ(board->counters(), at(1050, 0, -3000));
}

TEST(BoardSwitches, InvertedPolarityReadsAnUntouchedSensorAsClosed) {
    SimSettings settings;
    settings.probe.trip_z_steps = -3000;
    auto board = make_board(settings);
    ASSERT_EQ(board->set_probe_polarity(1), status::ACCEPTED);
    EXPECT_EQ(board->read_inputs() & 1, 0);  // the input's level: not touched
    ASSERT_EQ(board->linear_move(at(0, 0, -100), 1000, 0), status::ACCEPTED);
    EXPECT_EQ(board->get_position(), PROBE_HIT);
    EXPECT_EQ(board->counters(), at(0));
    ASSERT_EQ(board->linear_move(at(0, 0, 100), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->counters(), at(0, 0, 100));
}

struct SensorCrossing {
    const char* name;
    Counters from;
    std::function<std::uint8_t(SimulatedBoard&)> move;
    std::function<bool(const Counters&)> stopped_where_it_closes;
};

TEST(BoardSwitches, EveryKindOfMoveThatReachesTheSensorStopsWhereItCloses) {
    // The sensor closes at Z -3000 within 100 steps of (1000, 0); a Z switch far below it for homing.
    SimSettings settings = sensor_at(1000, 0, -3000, 100);
    settings.limits[2].min_steps = -9000;
    const auto on_trip_point = [](const Counters& c) { return c == at(1000, 0, -3000); };
    const SensorCrossing cases[] = {
        {"rapid, slanting down", at(950, 0, 0),
         [](SimulatedBoard& b) { return b.rapid_move(at(1050, 0, -6000), 1000, 0); }, on_trip_point},
        {"index move of Z", at(1000, 0, 0),
         [](SimulatedBoard& b) { return b.index_move(at(0, 0, -6000), 1000, 4); }, on_trip_point},
        {"tweak", at(1000, 0, -2800), [](SimulatedBoard& b) { return b.tweak_z(-1000); }, on_trip_point},
        {"homing Z down", at(1000, 0, 0), [](SimulatedBoard& b) { return b.home(4, 0, 800); }, on_trip_point},
        // A quarter circle about (0, 0) below the trip point, from (0, -1000) round to the sensor's middle.
        {"arc", at(0, -1000, -5000),
         [](SimulatedBoard& b) { return b.arc_move(true, 1000, 0, 1000, 1000, 0, 500, 0, 4); },
         [](const Counters& c) {
             const double from_middle = std::hypot(c[0] - 1000.0, static_cast<double>(c[1]));
             return c[2] == -5000 && from_middle <= 100.0 && from_middle > 95.0;
         }},
    };
    for (const auto& c : cases) {
        auto board = make_board(settings);
        ASSERT_EQ(board->set_position(c.from, 15), status::ACCEPTED) << c.name;
        ASSERT_EQ(c.move(*board), status::ACCEPTED) << c.name;
        run_until_idle(*board);
        EXPECT_EQ(board->get_position(), PROBE_HIT) << c.name;
        EXPECT_TRUE(c.stopped_where_it_closes(board->counters()))
            << c.name << ": " << board->counters()[0] << ", " << board->counters()[1] << ", "
            << board->counters()[2];
        EXPECT_EQ(board->read_inputs() & 1, 1) << c.name;
    }
}

struct BackOffCase {
    const char* name;
    std::int32_t hysteresis;
    std::int32_t back_off;  // steps up per try
    int tries;              // back-offs until one ends with the sensor open (101: it never opens)
};

// The host's measurement: down onto the sensor, then back off while the board still reports it closed, at
// most 101 times. Each back-off is followed by an output that the report's stop must throw away.
TEST(BoardSwitches, ABackOffThatLeavesTheSensorClosedIsReportedToTheNextCall) {
    constexpr int host_tries = 101;
    const BackOffCase cases[] = {
        {"no travel: the first step up opens it", 0, 1, 1},
        {"travel 200, 10 steps a try", 200, 10, 21},
        {"travel 200, back off exactly 200: still closed", 200, 200, 2},
        {"travel 200, back off 201", 200, 201, 1},
        {"a stuck sensor", std::numeric_limits<std::int32_t>::max(), 500, host_tries},
    };
    for (const auto& c : cases) {
        SimSettings settings;
        settings.probe.trip_z_steps = -3000;
        settings.probe.hysteresis_steps = c.hysteresis;
        auto board = make_board(settings);
        ASSERT_EQ(board->linear_move(at(0, 0, -10000), 1000, 0), status::ACCEPTED);
        run_until_idle(*board);
        ASSERT_EQ(board->get_position(), PROBE_HIT) << c.name;
        ASSERT_EQ(board->counters(), at(0, 0, -3000)) << c.name;

        int tries = 0;
        bool open = false;
        while (!open && tries < host_tries) {
            ++tries;
            const std::int32_t z = board->counters()[2] + c.back_off;
            ASSERT_EQ(board->linear_move(at(0, 0, z), 100, 0), status::ACCEPTED)
                << c.name << " try " << tries;
            ASSERT_EQ(board->set_output(1, 1), status::ACCEPTED) << c.name << " try " << tries;
            run_until_idle(*board);
            ASSERT_EQ(board->counters(), at(0, 0, z)) << c.name << " try " << tries;
            const std::uint8_t answer = board->get_position();
            open = answer == status::IDLE;
            if (!open) {
                ASSERT_EQ(answer, PROBE_HIT) << c.name << " try " << tries;
                EXPECT_EQ(board->get_position(), status::IDLE) << c.name << ": reported once";
                EXPECT_EQ(board->outputs(), 0) << c.name << ": the stop emptied the buffer";
                EXPECT_EQ(board->read_inputs() & 1, 1) << c.name << " try " << tries;
            }
        }
        EXPECT_EQ(tries, c.tries) << c.name;
        EXPECT_EQ(open, c.tries < host_tries) << c.name;
        if (open) {
            EXPECT_EQ(board->outputs(), 1) << c.name;
            EXPECT_EQ(board->read_inputs() & 1, 0) << c.name;
        }
    }
}

struct HomeCase {
    const char* name;
    std::size_t axis;
    std::optional<std::int32_t> min_switch, max_switch;
    std::uint8_t directions;
    std::int32_t from, home;
};

TEST(BoardSwitches, HomingRunsToTheSwitchTheDirectionChoosesOrToZeroWithoutOne) {
    const HomeCase cases[] = {
        {"X to its maximum switch", 0, -9000, 3000, 1, 0, 3000},
        {"Z to its minimum switch", 2, -2000, 9000, 0, 500, -2000},
        {"no switch on that side: to 0", 1, -2000, std::nullopt, 2, -1500, 0},
        {"no switches: to 0", 3, std::nullopt, std::nullopt, 0, 1200, 0},
        {"already beyond the switch: stays", 0, std::nullopt, 3000, 1, 3500, 3500},
    };
    for (const auto& c : cases) {
        SimSettings settings;
        settings.limits[c.axis] = {c.min_switch, c.max_switch};
        auto board = make_board(settings);
        ASSERT_EQ(board->set_position(on_axis(c.axis, c.from), 15), status::ACCEPTED);
        const auto mask = static_cast<std::uint8_t>(1u << c.axis);
        ASSERT_EQ(board->home(mask, c.directions, 500), status::ACCEPTED) << c.name;
        const double seconds = run_until_idle(*board);
        EXPECT_EQ(board->counters(), on_axis(c.axis, c.home)) << c.name;
        EXPECT_EQ(board->get_position(), status::IDLE) << c.name;
        const double travel = std::abs(c.home - c.from);
        EXPECT_GE(seconds, travel / 500) << c.name;
        EXPECT_LE(seconds, travel / 500 + 0.1) << c.name;
    }
}

TEST(BoardSwitches, HomingAllAxesTogetherStopsEachOnItsSwitch) {
    SimSettings settings;
    settings.limits[0].min_steps = -4000;
    settings.limits[1].min_steps = -1000;
    settings.limits[2].max_steps = 2000;
    auto board = make_board(settings);
    ASSERT_EQ(board->home(15, 4, 800), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->counters(), at(-4000, -1000, 2000, 0));
    EXPECT_EQ(board->get_position(), status::IDLE);
    ASSERT_EQ(board->linear_move(at(-3000, -500, 1000), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->get_position(), status::IDLE);
}

TEST(BoardSwitches, EmergencyStopHaltsEmptiesAndRefusesMotionUntilThePositionIsRead) {
    auto board = make_board();
    ASSERT_EQ(board->set_output(5, 1), status::ACCEPTED);
    ASSERT_EQ(board->set_pwm_output(60), status::ACCEPTED);
    for (int i = 1; i <= 3; ++i)
        ASSERT_EQ(board->linear_move(at(1000 * i), 1000, 0), status::ACCEPTED);
    board->advance(0.5);
    ASSERT_EQ(board->emergency_stop(), status::ACCEPTED);
    const Counters stopped_at = board->counters();
    board->advance(1.0);
    EXPECT_EQ(board->counters(), stopped_at);
    EXPECT_TRUE(board->idle());
    EXPECT_EQ(board->outputs(), 0);
    EXPECT_EQ(board->pwm_percent(), 0);

    EXPECT_EQ(board->linear_move(at(0), 1000, 0), ESTOP);
    EXPECT_EQ(board->set_output(1, 1), ESTOP);
    EXPECT_EQ(board->resume(), ESTOP);
    EXPECT_EQ(board->set_position(at(0), 1), status::ACCEPTED);  // never refused
    EXPECT_EQ(board->get_position(), status::IDLE);
    EXPECT_EQ(board->linear_move(at(10), 1000, 0), status::ACCEPTED);
}

TEST(BoardSwitches, TheEmergencyStopInputRefusesMotionWhileHeld) {
    auto board = make_board();
    ASSERT_EQ(board->linear_move(at(5000), 1000, 0), status::ACCEPTED);
    board->advance(0.5);
    board->set_estop_input(true);
    EXPECT_TRUE(board->idle());
    EXPECT_EQ(board->read_inputs() & 0x20, 0x20);
    EXPECT_EQ(board->get_position(), status::IDLE);
    EXPECT_EQ(board->linear_move(at(0), 1000, 0), ESTOP);
    board->set_estop_input(false);
    EXPECT_EQ(board->linear_move(at(0), 1000, 0), status::ACCEPTED);
}

struct FaultCase {
    const char* name;
    FaultPlan plan;
    bool position_calls;  // else move calls
    std::vector<std::uint8_t> answers;
};

TEST(BoardSwitches, InjectedFaultsAnswerTheChosenCalls) {
    const std::uint8_t timeout = status::error(-39);
    FaultCase cases[] = {
        {"busy every 3rd move", {}, false, {'Z', 'Z', '\\', 'Z', 'Z', '\\'}},
        {"time-out every 2nd position", {}, true, {'[', timeout, '[', timeout}},
        {"move 2 fails", {}, false, {'Z', status::error(-51), 'Z'}},
        {"every 2nd call of any kind", {}, true, {'[', timeout, '[', timeout}},
    };
    cases[0].plan.busy_every = 3;
    cases[1].plan.timeout_every = 2;
    cases[1].plan.timeout_on = CallKind::Position;
    cases[2].plan.fail_move = 2;
    cases[2].plan.fail_status = status::error(-51);
    cases[3].plan.timeout_every = 2;
    cases[3].plan.timeout_on = CallKind::Any;
    for (const auto& c : cases) {
        SimSettings settings;
        settings.faults = c.plan;
        auto board = std::make_unique<SimulatedBoard>(settings, std::make_unique<VirtualClock>(0.0));
        std::int32_t port = 0;
        ASSERT_EQ(board->reset(&port, 27), status::ACCEPTED);
        std::vector<std::uint8_t> answers;
        for (std::size_t i = 0; i < c.answers.size(); ++i) {
            answers.push_back(c.position_calls ? board->get_position() : board->delay(0.0));
        }
        EXPECT_EQ(answers, c.answers) << c.name;
    }
}

struct DeadCall {
    const char* name;
    std::function<int(SimulatedBoard&)> call;
    int alive;  // its answer as the board's last call
    int dead;   // its answer from then on
};

TEST(BoardSwitches, ADeadBoardTimesOutEveryCallForGoodAndAResetDoesNotReviveIt) {
    constexpr int timeout = status::error(-39);
    const int accepted = status::ACCEPTED, busy = status::BUSY;
    const DeadCall calls[] = {
        {"reset",
         [](SimulatedBoard& b) {
             std::int32_t port = 0;
             return b.reset(&port, 27);
         },
         accepted, timeout},
        {"firmware query", [](SimulatedBoard& b) { return int(std::lround(b.firmware_version() * 10)); }, 21,
         0},
        {"acceleration", [](SimulatedBoard& b) { return b.set_acceleration(5000, 1000, 100, 1); }, busy,
         timeout},
        {"max steps/s", [](SimulatedBoard& b) { return b.set_max_sps(1000, 4, 0, 0); }, busy, timeout},
        {"arc direction", [](SimulatedBoard& b) { return b.set_arc_direction(1); }, accepted, timeout},
        {"set position", [](SimulatedBoard& b) { return b.set_position(at(5), 1); }, busy, timeout},
        {"position", [](SimulatedBoard& b) { return b.get_position(); }, accepted, timeout},
        {"linear move", [](SimulatedBoard& b) { return b.linear_move(at(0), 1000, 0); }, accepted, timeout},
        {"rapid move", [](SimulatedBoard& b) { return b.rapid_move(at(0), 1000, 0); }, accepted, timeout},
        {"index move", [](SimulatedBoard& b) { return b.index_move(at(0, 0, 0, 90), 500, 8); }, accepted,
         timeout},
        {"arc CCW", [](SimulatedBoard& b) { return b.arc_move(true, 1000, 1000, 0, 0, 1000, 500, 0, 1); },
         accepted, timeout},
        {"arc CW", [](SimulatedBoard& b) { return b.arc_move(false, 1000, 0, 1000, 1000, 0, 500, 0, 1); },
         accepted, timeout},
        {"delay", [](SimulatedBoard& b) { return b.delay(0.5); }, accepted, timeout},
        {"output", [](SimulatedBoard& b) { return b.set_output(2, 1); }, accepted, timeout},
        {"home", [](SimulatedBoard& b) { return b.home(2, 0, 500); }, accepted, timeout},
        {"feed override", [](SimulatedBoard& b) { return b.set_feed_override(100); }, accepted, timeout},
        {"tweak", [](SimulatedBoard& b) { return b.tweak_z(10); }, accepted, timeout},
        {"probe polarity", [](SimulatedBoard& b) { return b.set_probe_polarity(1); }, accepted, timeout},
        {"PWM", [](SimulatedBoard& b) { return b.set_pwm_output(80); }, accepted, timeout},
        {"inputs", [](SimulatedBoard& b) { return b.read_inputs(); }, 2, 0},  // bit 1: the X switch
        {"pause", [](SimulatedBoard& b) { return b.pause(); }, accepted, timeout},
        {"continue", [](SimulatedBoard& b) { return b.resume(); }, accepted, timeout},
        {"end current move", [](SimulatedBoard& b) { return b.end_current_move(); }, accepted, timeout},
        {"emergency stop", [](SimulatedBoard& b) { return b.emergency_stop(); }, accepted, timeout},
    };
    for (const auto& c : calls) {
        // Calls 1 to 5 set the board going; the 6th, the call under test, is its last.
        SimSettings settings;
        settings.limits[0].min_steps = 0;  // closed where the board starts, so the input bits show it
        settings.faults.dead_after = 6;
        auto board = make_board(settings);
        ASSERT_EQ(board->set_output(1, 1), status::ACCEPTED) << c.name;
        ASSERT_EQ(board->set_pwm_output(50), status::ACCEPTED) << c.name;
        ASSERT_EQ(board->linear_move(at(2000), 1000, 0), status::ACCEPTED) << c.name;
        EXPECT_EQ(c.call(*board), c.alive) << c.name;

        const auto state = [&board] {
            return std::make_tuple(board->counters(), board->outputs(), board->pwm_percent(), board->queued(),
                                   board->idle(), board->paused());
        };
        const auto before = state();
        EXPECT_EQ(c.call(*board), c.dead) << c.name;
        std::int32_t port = 0;
        EXPECT_EQ(board->reset(&port, 27), timeout) << c.name;
        EXPECT_EQ(board->firmware_version(), 0.0) << c.name;
        EXPECT_EQ(board->read_inputs(), 0) << c.name;
        EXPECT_EQ(c.call(*board), c.dead) << c.name;
        board->advance(1.0);
        EXPECT_EQ(state(), before) << c.name << ": a dead board does nothing";
    }
}

}  // namespace
}  // namespace zorvan::controller::sim
