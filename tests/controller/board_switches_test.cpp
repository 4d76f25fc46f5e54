// The simulated board's switches, homing, emergency stop and injected faults.
#include <gtest/gtest.h>

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
    SimSettings settings;
    settings.probe.trip_z_steps = -3000;
    settings.probe.x_steps = 1000;
    settings.probe.y_steps = 0;
    settings.probe.radius_steps = 100;
    auto board = make_board(settings);
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

}  // namespace
}  // namespace zorvan::controller::sim
