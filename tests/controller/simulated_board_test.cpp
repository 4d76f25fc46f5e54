// The simulated board's motion on the virtual clock: ramps, timing, queue, pause, arcs, outputs.
#include "controller/sim/simulated_board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "controller/board_test_support.h"
#include "controller/sim/timing_board.h"

namespace zorvan::controller::sim {
namespace {

using testing::at;
using testing::make_board;
using testing::run_until_idle;
using testing::SYNTAX;

TEST(StepRamp, EntriesGrowAsTheHostGrowsItsRamp) {
    // Start velocity 100, acceleration 10000: e = 100 + 10000/100 = 200, entry 1 = 100 + 10000/200 = 150,
    // entry 2 = 150 + 10000/150; AccelScale 0 grows by a quarter of that times the entry number.
    const StepRamp ramp(10000, 1000, 100, 1);
    EXPECT_DOUBLE_EQ(ramp.rate_sps(0), 100.0);
    EXPECT_DOUBLE_EQ(ramp.rate_sps(1), 150.0);
    EXPECT_DOUBLE_EQ(ramp.rate_sps(2), 150.0 + 10000.0 / 150.0);
    EXPECT_DOUBLE_EQ(ramp.rate_sps(StepRamp::TOP), 1000.0);
    EXPECT_EQ(ramp.index_at_or_below(149.9), 0);
    EXPECT_EQ(ramp.index_at_or_below(150.0), 1);
    EXPECT_EQ(ramp.index_at_or_below(40.0), 0);

    const StepRamp steep(10000, 1000, 100, 0);
    EXPECT_DOUBLE_EQ(steep.rate_sps(1), 112.5);
    EXPECT_DOUBLE_EQ(steep.rate_sps(2), 112.5 + (10000.0 / 112.5) * 2 / 4);
    EXPECT_EQ(steep.steps_per_entry(), 1);
    EXPECT_EQ(StepRamp(5000, 1000, 100, 8).steps_per_entry(), 8);
    EXPECT_DOUBLE_EQ(StepRamp(5000, 80, 100, 1).rate_sps(0), 80.0);  // never above the maximum
}

// The entries found for a rate are those a search of the table from its start finds, on ramps that reach
// their maximum early, late or never, for rates below, on, between and above the entries.
TEST(StepRamp, TheEntriesForARateAreThoseATableSearchFinds) {
    for (const StepRamp& ramp : {StepRamp(10000, 1000, 100, 1), StepRamp(600000, 16000, 800, 8),
                                 StepRamp(5000, 80, 100, 1), StepRamp(2e7, 50000, 10, 0)}) {
        std::vector<double> rates;
        for (int i = 0; i < StepRamp::ENTRIES; ++i)
            rates.push_back(ramp.rate_sps(i));
        std::vector<double> probes = {0.0, 1e-9, 1e12};
        for (double rate : rates) {
            probes.push_back(rate);
            probes.push_back(std::nextafter(rate, 0.0));
            probes.push_back(std::nextafter(rate, 1e300));
        }
        for (double sps : probes) {
            const auto above = std::upper_bound(rates.begin(), rates.end(), sps);
            const int below =
                above == rates.begin()
                    ? 0
                    : static_cast<int>(std::lower_bound(rates.begin(), above, *(above - 1)) - rates.begin());
            ASSERT_EQ(ramp.index_at_or_below(sps), below) << sps;
            ASSERT_EQ(ramp.place_of(sps).first_at_or_above,
                      static_cast<int>(std::lower_bound(rates.begin(), rates.end(), sps) - rates.begin()))
                << sps;
        }
    }
}

// Where a climb ends, worked out from the entries, is the first step at which it meets the cap or the
// brake, as a walk over the steps finds it: for every mix of step counts, starting entries and blocks.
TEST(StepRamp, TheClimbEndsWhereAWalkOverTheStepsMeetsTheCapOrTheBrake) {
    int checked = 0;
    for (std::int64_t per_entry : {1, 2, 3, 8}) {
        for (std::int64_t steps : {1, 2, 5, 17, 64, 301}) {
            for (std::int64_t climb_from : {0, 1, 4, 30}) {
                for (std::int64_t climb_n : {std::int64_t{0}, steps / 3, steps - 1}) {
                    for (std::int64_t end_index : {0, 2, 9, 40}) {
                        for (std::int64_t cap : {0, 3, 25, 245}) {
                            const auto entry = [&](std::int64_t n) {
                                return climb_from + (n - climb_n) / per_entry;
                            };
                            const auto brake = [&](std::int64_t n) {
                                return end_index + (steps - 1 - n) / per_entry;
                            };
                            std::int64_t walked = climb_n;
                            while (walked < steps && entry(walked) < std::min(brake(walked), cap))
                                ++walked;
                            ASSERT_EQ(climb_end(climb_from, climb_n, end_index, steps, cap, per_entry),
                                      walked)
                                << per_entry << " " << steps << " " << climb_from << " " << climb_n << " "
                                << end_index << " " << cap;
                            ++checked;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 1000);
}

TEST(SimulatedBoard, AShortMoveStepsThroughTheRampEntries) {
    // 4 steps at 150 steps/s: entries 0, 1, 1, 0 (climb one per step, brake to end on the start
    // velocity), i.e. 1/100 + 1/150 + 1/150 + 1/100 s.
    auto board = make_board();
    ASSERT_EQ(board->set_acceleration(10000, 1000, 100, 1), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(4), 150, 0), status::ACCEPTED);
    const double steps_at[] = {0.01, 0.01 + 1 / 150.0, 0.01 + 2 / 150.0, 0.02 + 2 / 150.0};
    double now = 0.0;
    for (int i = 0; i < 4; ++i) {
        board->advance(steps_at[i] - 1e-5 - now);
        EXPECT_EQ(board->counters()[0], i) << "before step " << i + 1;
        board->advance(2e-5);
        EXPECT_EQ(board->counters()[0], i + 1) << "after step " << i + 1;
        now = steps_at[i] + 1e-5;
    }
    EXPECT_TRUE(board->idle());
}

TEST(SimulatedBoard, ALongMoveTakesItsConstantAccelerationTime) {
    // From 100 to 1000 steps/s at 5000 steps/s²: 0.18 s and 99 steps each way, 9802 steps at 1000.
    auto board = make_board();
    ASSERT_EQ(board->linear_move(at(10000, 2500), 1000, 0), status::ACCEPTED);
    board->advance(0.05);
    EXPECT_GT(board->current_rate_sps(), 300.0);
    EXPECT_LT(board->current_rate_sps(), 400.0);
    board->advance(1.0);
    EXPECT_DOUBLE_EQ(board->current_rate_sps(), 1000.0);
    const double t = 1.05 + run_until_idle(*board);
    EXPECT_NEAR(t, 0.36 + 9.802, 0.02);
    EXPECT_EQ(board->counters(), at(10000, 2500));
}

struct JunctionCase {
    const char* name;
    std::int32_t end_speed;
    double low_sps, high_sps;  // the rate the second move starts at
};

TEST(SimulatedBoard, AMoveEndsAtItsEndSpeedAndTheNextGoesOnFromThere) {
    const JunctionCase cases[] = {
        {"brakes to 600", 600, 590.0, 600.0},
        {"0 stops on the start velocity", 0, 100.0, 100.0},
        {"above the speed: no braking", 5000, 1000.0, 1000.0},
    };
    for (const auto& c : cases) {
        auto board = make_board();
        ASSERT_EQ(board->linear_move(at(3000), 1000, c.end_speed), status::ACCEPTED);
        ASSERT_EQ(board->linear_move(at(6000), 1000, 0), status::ACCEPTED);
        while (board->counters()[0] < 3000)
            board->advance(0.0002);
        EXPECT_EQ(board->counters()[0], 3000) << c.name;
        EXPECT_GE(board->current_rate_sps(), c.low_sps) << c.name;
        EXPECT_LE(board->current_rate_sps(), c.high_sps) << c.name;
    }
}

struct OverrideCase {
    std::int32_t value;
    double seconds;  // 500 steps flat at 100 steps/s, 1000 steps/s maximum: a step period of 1250 ticks
};

TEST(SimulatedBoard, FeedOverrideScalesEveryStepRate) {
    const OverrideCase cases[] = {
        {0, 5.0}, {625, 2.5}, {-1250, 10.0}, {1000000, 500 / (100 * 1250.0 / 54)}, {-1000000, 100.0}};
    for (const auto& c : cases) {
        auto board = make_board();
        ASSERT_EQ(board->set_feed_override(c.value), status::ACCEPTED);
        ASSERT_EQ(board->linear_move(at(500), 100, 0), status::ACCEPTED);
        EXPECT_NEAR(run_until_idle(*board), c.seconds, 0.0015) << c.value;
    }
}

TEST(SimulatedBoard, AFullBufferAnswersBusy) {
    SimSettings settings;
    settings.buffer_depth = 3;
    auto board = make_board(settings);
    ASSERT_EQ(board->linear_move(at(1000), 1000, 0), status::ACCEPTED);  // runs at once
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(board->linear_move(at(0), 1000, 0), status::ACCEPTED) << i;
    EXPECT_EQ(board->linear_move(at(10), 1000, 0), status::BUSY);
    EXPECT_EQ(board->set_output(1, 1), status::BUSY);
    EXPECT_EQ(board->queued(), 3u);
    while (board->queued() == 3)
        board->advance(0.01);
    EXPECT_EQ(board->linear_move(at(10), 1000, 0), status::ACCEPTED);
}

TEST(SimulatedBoard, PauseBrakesAndHoldsAndContinueGoesOnToTheEnd) {
    auto board = make_board();
    ASSERT_EQ(board->linear_move(at(5000), 1000, 0), status::ACCEPTED);
    board->advance(2.0);
    ASSERT_EQ(board->pause(), status::ACCEPTED);
    const std::int32_t paused_at = board->counters()[0];
    board->advance(1.0);
    const std::int32_t held_at = board->counters()[0];
    // Braking from 1000 to 100 steps/s at 5000 steps/s² takes about 99 steps.
    EXPECT_GT(held_at - paused_at, 90);
    EXPECT_LT(held_at - paused_at, 110);
    board->advance(1.0);
    EXPECT_EQ(board->counters()[0], held_at);
    EXPECT_EQ(board->current_rate_sps(), 0.0);
    EXPECT_EQ(board->get_position(), status::ACCEPTED);

    ASSERT_EQ(board->resume(), status::ACCEPTED);
    board->advance(0.01);
    EXPECT_GT(board->counters()[0], held_at);
    run_until_idle(*board);
    EXPECT_EQ(board->counters()[0], 5000);
    EXPECT_EQ(board->get_position(), status::IDLE);
}

TEST(SimulatedBoard, PauseHoldsADelayAndKeepsTheNextCommandWaiting) {
    auto board = make_board();
    ASSERT_EQ(board->delay(1.0), status::ACCEPTED);
    ASSERT_EQ(board->set_output(2, 1), status::ACCEPTED);
    board->advance(0.5);
    board->pause();
    board->advance(5.0);
    EXPECT_EQ(board->outputs(), 0);
    board->resume();
    board->advance(0.49);
    EXPECT_EQ(board->outputs(), 0);
    board->advance(0.02);
    EXPECT_EQ(board->outputs(), 2);
}

TEST(SimulatedBoard, EndCurrentMoveStopsWhereItIsAndRunsTheNext) {
    auto board = make_board();
    ASSERT_EQ(board->linear_move(at(5000), 1000, 0), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(1000, 500), 1000, 0), status::ACCEPTED);
    board->advance(1.0);
    const std::int32_t x = board->counters()[0];
    ASSERT_EQ(board->end_current_move(), status::ACCEPTED);
    EXPECT_EQ(board->counters()[0], x);
    EXPECT_EQ(board->queued(), 0u);  // the next move is running
    run_until_idle(*board);
    EXPECT_EQ(board->counters(), at(1000, 500));
}

TEST(SimulatedBoard, ADelayWaitsInQueueOrder) {
    auto board = make_board();
    ASSERT_EQ(board->linear_move(at(100), 100, 0), status::ACCEPTED);  // flat: 1 s
    ASSERT_EQ(board->delay(0.5), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(200), 100, 0), status::ACCEPTED);
    board->advance(1.49);
    EXPECT_EQ(board->counters()[0], 100);
    board->advance(0.025);  // 1.515 s: the third command's first step came at 1.51
    EXPECT_EQ(board->counters()[0], 101);
}

TEST(SimulatedBoard, OutputsSwitchInQueueOrder) {
    auto board = make_board();
    ASSERT_EQ(board->set_output(4, 1), status::ACCEPTED);
    EXPECT_EQ(board->outputs(), 4);  // an idle board switches at once
    ASSERT_EQ(board->linear_move(at(1000), 1000, 0), status::ACCEPTED);
    ASSERT_EQ(board->set_output(1, 1), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(2000), 1000, 0), status::ACCEPTED);
    ASSERT_EQ(board->set_output(4, 0), status::ACCEPTED);
    EXPECT_EQ(board->outputs(), 4);
    while (board->counters()[0] <= 1000)
        board->advance(0.001);
    EXPECT_EQ(board->outputs(), 5);
    run_until_idle(*board);
    EXPECT_EQ(board->outputs(), 1);
}

TEST(SimulatedBoard, AnIndexMoveMovesTheMaskedAxisOnly) {
    auto board = make_board();
    ASSERT_EQ(board->set_position(at(10, 20, 30, 40), 15), status::ACCEPTED);
    ASSERT_EQ(board->index_move(at(9, 9, 9, 500), 400, 8), status::ACCEPTED);
    ASSERT_EQ(board->index_move(at(-60, 9, 9, 9), 400, 1), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->counters(), at(-60, 20, 30, 500));
}

TEST(SimulatedBoard, ABoardForThreeAxesLeavesATheWay) {
    auto board = make_board();
    ASSERT_EQ(board->set_max_sps(1000, 3, 0, 0), status::ACCEPTED);
    ASSERT_EQ(board->linear_move(at(100, 0, 0, 500), 1000, 0), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->counters(), at(100));
}

TEST(SimulatedBoard, SetPositionWaitsForTheBoardToStandStill) {
    auto board = make_board();
    ASSERT_EQ(board->linear_move(at(100), 1000, 0), status::ACCEPTED);
    EXPECT_EQ(board->set_position(at(0), 1), status::BUSY);
    run_until_idle(*board);
    ASSERT_EQ(board->set_position(at(7, 8, 9, 10), 5), status::ACCEPTED);
    EXPECT_EQ(board->counters(), at(7, 0, 9, 0));
}

TEST(SimulatedBoard, TweakZMovesZByTheStepsAndNeverWraps) {
    auto board = make_board();
    ASSERT_EQ(board->tweak_z(-250), status::ACCEPTED);
    run_until_idle(*board);
    EXPECT_EQ(board->counters(), at(0, 0, -250));

    constexpr std::int32_t near_top = std::numeric_limits<std::int32_t>::max() - 5;
    ASSERT_EQ(board->set_position(at(0, 0, near_top), 4), status::ACCEPTED);
    ASSERT_EQ(board->tweak_z(10), status::ACCEPTED);
    EXPECT_EQ(board->get_position(), SYNTAX);
    EXPECT_EQ(board->counters()[2], near_top);
    EXPECT_EQ(board->get_position(), status::IDLE);
}

struct ArcCase {
    std::uint8_t quadrant;
    bool ccw;
    std::int32_t start_x, start_y, end_x, end_y;  // magnitudes, relative to the centre
    Counters end;                                 // from counters (0, 0), arc-direction code 3
    double mid_x, mid_y;                          // the quadrant's middle, relative to the start
};

TEST(SimulatedBoard, QuadrantArcsRunRoundTheirCentreToTheirEnd) {
    const double d = 1000 * std::sqrt(0.5);
    const ArcCase cases[] = {
        {1, true, 1000, 0, 0, 1000, at(-1000, 1000), d - 1000, d},
        {1, false, 0, 1000, 1000, 0, at(1000, -1000), d, d - 1000},
        {2, true, 0, 1000, 1000, 0, at(-1000, -1000), -d, d - 1000},
        {2, false, 1000, 0, 0, 1000, at(1000, 1000), 1000 - d, d},
        {3, true, 1000, 0, 0, 1000, at(1000, -1000), 1000 - d, -d},
        {3, false, 0, 1000, 1000, 0, at(-1000, 1000), -d, 1000 - d},
        {4, true, 0, 1000, 1000, 0, at(1000, 1000), d, 1000 - d},
        {4, false, 1000, 0, 0, 1000, at(-1000, -1000), d - 1000, -d},
    };
    for (const auto& c : cases) {
        auto board = make_board();
        ASSERT_EQ(board->arc_move(c.ccw, 1000, c.start_x, c.start_y, c.end_x, c.end_y, 500, 0, c.quadrant),
                  status::ACCEPTED)
            << int(c.quadrant) << (c.ccw ? " CCW" : " CW");
        // The centre is the start less the start offset, in the quadrant's signs.
        const double cx = -(c.quadrant == 1 || c.quadrant == 4 ? 1 : -1) * c.start_x;
        const double cy = -(c.quadrant == 1 || c.quadrant == 2 ? 1 : -1) * c.start_y;
        double worst_radius_error = 0.0, nearest_to_mid = 1e9;
        while (!board->idle()) {
            board->advance(0.005);
            const double x = board->counters()[0], y = board->counters()[1];
            worst_radius_error = std::max(worst_radius_error, std::abs(std::hypot(x - cx, y - cy) - 1000));
            nearest_to_mid = std::min(nearest_to_mid, std::hypot(x - c.mid_x, y - c.mid_y));
        }
        EXPECT_EQ(board->counters(), c.end) << int(c.quadrant) << (c.ccw ? " CCW" : " CW");
        EXPECT_LE(worst_radius_error, 1.5) << int(c.quadrant) << (c.ccw ? " CCW" : " CW");
        EXPECT_LE(nearest_to_mid, 3.0) << int(c.quadrant) << (c.ccw ? " CCW" : " CW");
    }
}

TEST(SimulatedBoard, TheArcDirectionCodeMirrorsTheCounters) {
    // Counter-clockwise in quadrant 1 from (1000, 0) to (0, 1000) about the centre.
    const std::pair<std::uint8_t, Counters> cases[] = {
        {3, at(-1000, 1000)}, {1, at(-1000, -1000)}, {0, at(1000, 1000)}, {2, at(1000, -1000)}};
    for (const auto& [code, end] : cases) {
        auto board = make_board();
        ASSERT_EQ(board->set_arc_direction(code), status::ACCEPTED);
        ASSERT_EQ(board->arc_move(true, 1000, 1000, 0, 0, 1000, 1000, 0, 1), status::ACCEPTED);
        run_until_idle(*board);
        EXPECT_EQ(board->counters(), end) << int(code);
    }
}

struct Refusal {
    const char* name;
    std::function<std::uint8_t(SimulatedBoard&)> call;
};

TEST(SimulatedBoard, MeaninglessArgumentsAreRefusedAsSyntaxErrors) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Refusal refusals[] = {
        {"speed 0", [](SimulatedBoard& b) { return b.linear_move(at(10), 0, 0); }},
        {"negative speed", [](SimulatedBoard& b) { return b.rapid_move(at(10), -5, 0); }},
        {"negative end speed", [](SimulatedBoard& b) { return b.linear_move(at(10), 100, -1); }},
        {"arc speed 0", [](SimulatedBoard& b) { return b.arc_move(true, 100, 100, 0, 0, 100, 0, 0, 1); }},
        {"quadrant 0", [](SimulatedBoard& b) { return b.arc_move(true, 100, 100, 0, 0, 100, 50, 0, 0); }},
        {"quadrant 5", [](SimulatedBoard& b) { return b.arc_move(true, 100, 100, 0, 0, 100, 50, 0, 5); }},
        {"arc the wrong way",
         [](SimulatedBoard& b) { return b.arc_move(true, 100, 0, 100, 100, 0, 50, 0, 1); }},
        {"radius 0", [](SimulatedBoard& b) { return b.arc_move(false, 0, 0, 100, 100, 0, 50, 0, 1); }},
        {"start on the centre",
         [](SimulatedBoard& b) { return b.arc_move(true, 100, 0, 0, 0, 100, 50, 0, 1); }},
        {"negative delay", [](SimulatedBoard& b) { return b.delay(-1.0); }},
        {"delay NaN", [nan](SimulatedBoard& b) { return b.delay(nan); }},
        {"home speed 0", [](SimulatedBoard& b) { return b.home(1, 0, 0); }},
        {"home mask 0", [](SimulatedBoard& b) { return b.home(0, 0, 100); }},
        {"index mask 16", [](SimulatedBoard& b) { return b.index_move(at(5), 100, 16); }},
        {"output 0", [](SimulatedBoard& b) { return b.set_output(0, 1); }},
        {"arc code 4", [](SimulatedBoard& b) { return b.set_arc_direction(4); }},
        {"acceleration 0", [](SimulatedBoard& b) { return b.set_acceleration(0, 1000, 100, 1); }},
        {"five axes", [](SimulatedBoard& b) { return b.set_max_sps(1000, 5, 0, 0); }},
        {"position mask 0", [](SimulatedBoard& b) { return b.set_position(at(5), 0); }},
        {"polarity 2", [](SimulatedBoard& b) { return b.set_probe_polarity(2); }},
        {"reset mode 26",
         [](SimulatedBoard& b) {
             std::int32_t p = 0;
             return b.reset(&p, 26);
         }},
    };
    for (const auto& r : refusals) {
        auto board = make_board();
        EXPECT_EQ(r.call(*board), SYNTAX) << r.name;
        EXPECT_TRUE(board->idle()) << r.name;
        EXPECT_EQ(board->counters(), at(0)) << r.name;
    }
}

TEST(SimulatedBoard, NothingAnswersBeforeAResetAndAnAbsentBoardNever) {
    SimulatedBoard fresh(SimSettings{}, std::make_unique<VirtualClock>(0.0));
    EXPECT_EQ(fresh.linear_move(at(10), 100, 0), status::error(-1));
    EXPECT_EQ(fresh.get_position(), status::error(-1));
    EXPECT_DOUBLE_EQ(fresh.firmware_version(), 2.1);

    SimSettings absent;
    absent.present = false;
    SimulatedBoard none(absent, std::make_unique<VirtualClock>(0.0));
    std::int32_t port = 3;
    EXPECT_EQ(none.reset(&port, 27), status::error(-41));
    EXPECT_EQ(port, 3);
    EXPECT_EQ(none.firmware_version(), 0.0);
    EXPECT_EQ(none.linear_move(at(10), 100, 0), status::error(-1));
    EXPECT_EQ(none.read_inputs(), 0);
}

}  // namespace
}  // namespace zorvan::controller::sim

namespace zorvan::controller::sim {
namespace {

// A board whose path cannot meet a switch runs stretches of steps at once; one with a sensor it might
// reach takes them one by one. Both must stand at the same step at every tick and end at the same time,
// through climbs, junction speeds carried from move to move, brakes, arcs, a pause and a feed override.
TEST(SimulatedBoard, StretchesOfStepsRunAsTheStepLoopRunsThem) {
    using testing::at;
    using testing::make_board;
    for (const int accel_scale : {1, 8, 0}) {
        auto free = make_board();
        // The sensor lies far off the path, but its switching height is above it.
        auto stepped = make_board(testing::sensor_at(-900000, -900000, 100000, 10));
        std::vector<std::pair<Counters, Counters>> ticks;
        for (auto* board : {free.get(), stepped.get()}) {
            ASSERT_EQ(board->set_acceleration(600000, 16000, 800, static_cast<std::uint8_t>(accel_scale)),
                      status::ACCEPTED);
            ASSERT_EQ(board->linear_move(at(4000, 300), 8000, 6000), status::ACCEPTED);
            ASSERT_EQ(board->linear_move(at(4100, 2300), 16000, 900), status::ACCEPTED);
            ASSERT_EQ(board->linear_move(at(4107, 2300, -40), 3000, 3000), status::ACCEPTED);
            ASSERT_EQ(board->arc_move(true, 800, 800, 0, 0, 800, 5000, 4000, 1), status::ACCEPTED);
            ASSERT_EQ(board->linear_move(at(20000, 9000), 12000, 0), status::ACCEPTED);
        }
        int tick = 0;
        for (; tick < 30000 && !(free->idle() && stepped->idle()); ++tick) {
            if (tick == 300) free->pause(), stepped->pause();
            if (tick == 420) free->resume(), stepped->resume();
            if (tick == 500) free->set_feed_override(40), stepped->set_feed_override(40);
            free->advance(0.001);
            stepped->advance(0.001);
            ASSERT_EQ(free->counters(), stepped->counters()) << "scale " << accel_scale << " tick " << tick;
        }
        EXPECT_TRUE(free->idle() && stepped->idle());
        EXPECT_GT(tick, 1000);
        EXPECT_EQ(free->counters(), at(20000, 9000));
    }
}

}  // namespace
}  // namespace zorvan::controller::sim

namespace zorvan::controller::sim {
namespace {

// Calls handed to the board's own thread are answered at once with acceptance. A board that refuses one
// (here, one never reset) marks the run as diverged; a board that takes them all does not, and its time
// is that of the same calls made in the host's thread.
TEST(PipelinedTimingBoard, ARefusedHandedCallMarksTheRunDiverged) {
    SimSettings settings;
    settings.present = true;
    const auto run = [](const ZorvanApiTable& api, bool reset) {
        int32_t port = 0;
        if (reset) {
            EXPECT_EQ(api.Reset(&port, 27), ZORVAN_ACCEPTED);
            EXPECT_EQ(api.SetAccelleration(5000, 1000, 100, 1), ZORVAN_ACCEPTED);
            EXPECT_EQ(api.SetMaxSPS(1000, 4, 0, 0), ZORVAN_ACCEPTED);
        }
        for (int i = 1; i <= 50; ++i)
            EXPECT_EQ(api.LinearMove(i * 40, i % 7, 0, 0, 800, 200, nullptr, nullptr, nullptr, nullptr),
                      ZORVAN_ACCEPTED);
        EXPECT_EQ(api.Delay(nullptr, nullptr, nullptr, 0.25, nullptr), ZORVAN_ACCEPTED);
        int32_t x = 0;
        while (api.GetPosition(&x, nullptr, nullptr, nullptr) != ZORVAN_IDLE && reset) {
        }
        return x;
    };
    double threaded_s = 0;
    {
        PipelinedTimingBoard board(settings, 0.001);
        run(board.Table(), false);
        board.board_time_s();
        EXPECT_TRUE(board.diverged());
    }
    {
        PipelinedTimingBoard board(settings, 0.001);
        EXPECT_EQ(run(board.Table(), true), 2000);
        threaded_s = board.board_time_s();
        EXPECT_FALSE(board.diverged());
    }
    TimingBoard board(settings, 0.001);
    EXPECT_EQ(run(board.Table(), true), 2000);
    EXPECT_EQ(board.board_time_s(), threaded_s);
    EXPECT_GT(threaded_s, 2.25);
}

}  // namespace
}  // namespace zorvan::controller::sim
