// The motion queue, its look-ahead and the ramp table, against values worked out by hand.
#include "machine/motion_queue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "machine/fake_board.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using testing::status_code;

ControllerCommand feed(std::int32_t speed, std::int32_t steps, std::int32_t vx_in, std::int32_t vy_in,
                       std::int32_t vx_out, std::int32_t vy_out) {
    ControllerCommand c;
    c.code = cmdLinearMove;
    c.speed = speed;
    c.endSpeed = std::min(speed, 100);
    c.steps = steps;
    c.vInX = vx_in, c.vInY = vy_in, c.vOutX = vx_out, c.vOutY = vy_out;
    return c;
}

class Queue : public ::testing::Test {
  protected:
    Queue() : controller(panel, testing::fake_board_table()), queue(controller, panel) {
        fake_board(true);
        controller.ControllerPresent = true;
        MotionParameters p;  // acceleration 5000, max 1000, start 100, scale 1
        queue.SetRamp(BuildRampTable(p, nullptr), p.AccelScale);
        panel.on_emergency_stop = [this](bool on) {
            controller.EStopActive = on;
            queue.DiscardMotion();
        };
    }
    HeadlessOperatorPanel panel;
    Controller controller;
    MotionQueue queue;
};

TEST(RampTable, FollowsTheAccelerationFromTheStartVelocityToTheTop) {
    MotionParameters p;
    const RampTable table = BuildRampTable(p, nullptr);
    // 100 + 5000/150 = 133.33 steps/s gives 65562 - 9375; then 170.83 and 200.10 steps/s.
    EXPECT_EQ(table[0], 56187);
    EXPECT_EQ(table[1], 58245);
    EXPECT_EQ(table[2], 59315);
    EXPECT_EQ(table[244], 65562 - 1250);  // held at the top speed
    EXPECT_EQ(RampRate(table[244]), 1000);
    EXPECT_EQ(RampRate(table[0]), 133);
}

TEST(RampTable, ClampsWhatTheBoardCannotDo) {
    const struct {
        int acceleration, max_sps, start_velocity, accel_scale;
        int want_acceleration, want_max, want_start, want_scale;
        bool message;
    } cases[] = {
        {50, 1000, 100, 1, 100, 1000, 100, 1, false},     {5000, 30, 20, 1, 5000, 40, 40, 1, false},
        {5000, 1000, 2000, 1, 5000, 1000, 1000, 1, true}, {5000, 1000, 100, 300, 5000, 1000, 100, 1, false},
        {5000, 1000, 100, -1, 5000, 1000, 100, 1, false}, {5000, 1000, 100, 0, 5000, 1000, 100, 0, false},
    };
    for (const auto& c : cases) {
        MotionParameters p;
        p.Acceleration = c.acceleration, p.MaxSps = c.max_sps, p.StartVelocity = c.start_velocity;
        p.AccelScale = c.accel_scale;
        std::string message;
        BuildRampTable(p, &message);
        EXPECT_EQ(p.Acceleration, c.want_acceleration);
        EXPECT_EQ(p.MaxSps, c.want_max);
        EXPECT_EQ(p.StartVelocity, c.want_start);
        EXPECT_EQ(p.AccelScale, c.want_scale);
        EXPECT_EQ(message, c.message ? "START_VEL > MAXSPS in Ini file... Setting START_VEL = MAXSPS" : "");
    }
}

TEST(RampTable, ExactHalvesRoundToTheEvenCount) {
    const struct {
        double rate_sps;
        std::uint16_t reload;
    } reloads[] = {
        {20000, 65500},  // 62.5 ticks: 62, not 63
        {1000, 64312},   // 1250 ticks exactly
        {3200, 65171},   // 390.625 ticks: 391
    };
    for (const auto& r : reloads) {
        SCOPED_TRACE(r.rate_sps);
        EXPECT_EQ(TimerReload(r.rate_sps), r.reload);
    }
    EXPECT_EQ(RampRate(65562 - 32), 39062);  // 39062.5 steps/s
    EXPECT_EQ(RampRate(65500), 20161);
}

TEST_F(Queue, AContouredFeedAtTheTopRateKeepsItsSpeedThroughTheTable) {
    MotionParameters p;
    p.MaxSps = 20000;
    p.Acceleration = 2000000;  // the top rate is reached well within the table
    queue.SetRamp(BuildRampTable(p, nullptr), p.AccelScale);
    queue.SetContouring(1);
    // Two long collinear moves at the top rate: the table's top entry must give back 20000.
    queue.SendMotion(feed(20000, 5000, 20000, 0, 20000, 0));
    queue.SendMotion(feed(20000, 5000, 20000, 0, 20000, 0));
    queue.LookAhead();
    EXPECT_EQ(queue.Queued()[0].endSpeed, 20000);  // 19841 when 62.5 ticks rounded up to 63
}

TEST_F(Queue, RampIndexAndLengthFindTheirEntries) {
    EXPECT_EQ(queue.RampIndex(0), 0);
    EXPECT_EQ(queue.RampIndex(170), 0);   // entry 1 (170.8 steps/s) is the first to reach it
    EXPECT_EQ(queue.RampIndex(180), 1);   // entry 2 (200.1 steps/s) is the first to reach it
    EXPECT_EQ(queue.RampIndex(-180), 1);  // the sign of a velocity does not matter
    EXPECT_EQ(queue.RampIndex(5000), 244);
    EXPECT_EQ(queue.RampLength(300), 244);
    EXPECT_EQ(queue.RampLength(12), 12);
    // Every speed against a walk up the table (the entry before the first from 1 on that reaches its
    // reload value), on this ramp and on a steep fast one of eight steps an entry.
    MotionParameters fast;
    fast.Acceleration = 600000, fast.MaxSps = 16000, fast.StartVelocity = 800, fast.AccelScale = 8;
    fast.AxisMaxSps = {16000, 16000, 16000, 16000};
    MotionQueue steep(controller, panel);
    steep.SetRamp(BuildRampTable(fast, nullptr), fast.AccelScale);
    MotionParameters p;
    for (auto [ramp_queue, parameters, top] :
         {std::tuple(&queue, &p, 1200), std::tuple(&steep, &fast, 20000)}) {
        const RampTable table = BuildRampTable(*parameters, nullptr);
        std::vector<int> speeds = {
            1, 2, 3, 2500000, 2500001, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
        for (int speed = 1; speed < top; ++speed)
            speeds.push_back(speed % 3 == 0 ? -speed : speed);
        for (int speed : speeds) {
            const long x = 65562L - static_cast<long>(std::nearbyint(1250000.0 / std::abs(double(speed))));
            int walked = RAMP_ENTRIES - 1;
            for (int i = 1; i < RAMP_ENTRIES; ++i) {
                if (table[static_cast<std::size_t>(i)] >= x) {
                    walked = i - 1;
                    break;
                }
            }
            ASSERT_EQ(ramp_queue->RampIndex(speed), walked) << speed;
        }
    }
}

TEST_F(Queue, ALongStraightRunKeepsItsSpeedAndACornerSlowsToTheFloor) {
    queue.SetContouring(1);
    controller.EStopActive = false;
    // Three long moves: along X, along X again, then along Y (a 90-degree corner at 1000 steps/s).
    queue.SendMotion(feed(1000, 1000, 1000, 0, 1000, 0));
    queue.SendMotion(feed(1000, 1000, 1000, 0, 1000, 0));
    queue.SendMotion(feed(1000, 1000, 0, 1000, 0, 1000));
    queue.LookAhead();
    EXPECT_EQ(queue.Queued()[0].endSpeed, 1000);
    EXPECT_EQ(queue.Queued()[1].endSpeed, 20);
    EXPECT_EQ(queue.Queued()[2].endSpeed, 0);
}

TEST_F(Queue, TheContouringLimitCapsAJunctionJump) {
    queue.SetContouring(50);
    queue.SendMotion(feed(1000, 1000, 1000, 0, 1000, 0));
    queue.SendMotion(feed(1000, 1000, 940, 0, 940, 0));
    queue.LookAhead();
    EXPECT_EQ(queue.Queued()[0].endSpeed, 20);  // a jump of 60 is over the limit of 50
    queue.SetContouring(1);
    queue.LookAhead();
    EXPECT_EQ(queue.Queued()[0].endSpeed, 940);
}

TEST_F(Queue, AShortNextMoveLowersTheEndSpeedToWhatItCanBrakeFrom) {
    queue.SetContouring(1);
    queue.SendMotion(feed(1000, 1000, 1000, 0, 1000, 0));
    queue.SendMotion(feed(1000, 2, 1000, 0, 1000, 0));  // 2 steps: ramp entry 2 at the end
    queue.LookAhead();
    EXPECT_EQ(queue.Queued()[0].endSpeed, RampRate(59315));  // 200 steps/s
}

TEST_F(Queue, ContouringHoldsNinetyNineMovesAndTheHundredthSendsTheFirst) {
    queue.SetContouring(1);
    for (int i = 0; i < 99; ++i)
        queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    EXPECT_TRUE(fake_board().calls.empty());
    queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    EXPECT_EQ(fake_board().calls.size(), 1u);
    EXPECT_EQ(queue.size(), 99u);
    queue.FlushMotion();
    EXPECT_EQ(fake_board().calls.size(), 100u);
    EXPECT_EQ(fake_board().calls.back(), "LinearMove(0, 0, 0, 0, 1000, 0)");  // the last ends at rest
    EXPECT_EQ(queue.size(), 0u);
}

// The look-ahead resumes where its previous pass left off; what it sends must be what a pass over the
// whole queue before every send gives, on paths with corners, short moves and speed changes.
TEST_F(Queue, TheResumedLookAheadSendsWhatAFullPassWould) {
    for (const int contouring : {1, 40}) {
        const auto sent = [&](bool full_pass_each_time) {
            fake_board(true);
            unsigned seed = 7;
            const auto next = [&seed](int range) {
                seed = seed * 1103515245u + 12345u;
                return static_cast<int>((seed >> 8) % static_cast<unsigned>(range));
            };
            queue.SetContouring(contouring);
            for (int i = 0; i < 700; ++i) {
                const int speed = 100 + next(900);
                const int vx = next(2) ? speed : speed / 2, vy = next(3) == 0 ? speed - vx : 0;
                if (full_pass_each_time) queue.SetContouring(contouring);
                queue.SendMotion(feed(speed, 1 + next(i % 50 == 0 ? 2000 : 40), vx, vy, vx, vy));
            }
            queue.FlushMotion();
            return fake_board().calls;
        };
        const auto resumed = sent(false);
        EXPECT_EQ(resumed.size(), 700u);
        EXPECT_EQ(resumed, sent(true)) << "contouring " << contouring;
    }
}

TEST_F(Queue, WithoutContouringEveryMoveGoesAtOnceAsItCame) {
    queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    EXPECT_EQ(fake_board().calls, std::vector<std::string>{"LinearMove(0, 0, 0, 0, 1000, 100)"});
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(Queue, BusyIsRetriedWhileWindowsRunAndTheEmergencyStopEndsTheWait) {
    fake_board().statuses = {'\\', '\\', 'Z'};
    queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    EXPECT_EQ(fake_board().calls.size(), 3u);
    EXPECT_EQ(panel.messages_processed, 2);

    fake_board().calls.clear();
    fake_board().statuses = {'\\', '\\', '\\'};
    panel.on_process_messages = [this] { controller.EStopActive = true; };
    queue.SetContouring(1);
    queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    queue.FlushMotion();
    EXPECT_EQ(fake_board().calls.size(), 1u);
    EXPECT_EQ(queue.size(), 1u);  // left where it was; the emergency stop discards it
    queue.FlushMotion();
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(Queue, AnEmergencyStopPressedAndReleasedInABusyWaitSendsNothingStale) {
    queue.SetContouring(1);
    for (int i = 0; i < 3; ++i)
        queue.SendMotion(feed(1000, 100 + i, 1000, 0, 1000, 0));
    fake_board().statuses = {'\\'};
    // Inside the busy wait the operator stops the machine and makes it ready again.
    panel.on_process_messages = [this] {
        panel.on_process_messages = nullptr;
        ++controller.EmergencyStops;
        panel.EmergencyStop(true);
        controller.EStopActive = false;
    };
    queue.FlushMotion();
    EXPECT_EQ(fake_board().calls.size(), 1u);  // the busy answer only: nothing sent after the stop
    EXPECT_EQ(queue.size(), 0u);
}

TEST_F(Queue, ALimitSwitchAnsweredToAMoveStopsTheMachineOnce) {
    panel.on_emergency_stop = [this](bool on) {
        ++controller.EmergencyStops;
        controller.EStopActive = on;
        queue.DiscardMotion();
    };
    fake_board().statuses = {status_code(-49)};
    queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    EXPECT_EQ(panel.emergency_stops, 1);
    EXPECT_EQ(panel.status, "Limit Switch Hit...");
}

TEST_F(Queue, AFailedSendEntersTheEmergencyStopAndNothingMoreIsSent) {
    queue.SetContouring(1);
    for (int i = 0; i < 3; ++i)
        queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    fake_board().statuses = {status_code(-39)};
    queue.FlushMotion();
    EXPECT_EQ(panel.emergency_stops, 1);
    EXPECT_EQ(fake_board().calls.size(), 1u);
    EXPECT_EQ(queue.size(), 0u);
    queue.SendMotion(feed(1000, 100, 1000, 0, 1000, 0));
    EXPECT_EQ(queue.size(), 0u);  // dropped while the emergency stop is in force
}

}  // namespace
}  // namespace zorvan::machine
