// The canonical functions in control mode: steps, speeds, backlash, outputs and the flush rules, as the
// board library sees them.
#include <gtest/gtest.h>

#include "machine/canon.h"
#include "machine/fake_board.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using Calls = std::vector<std::string>;

class CanonControl : public ::testing::Test {
  protected:
    CanonControl() : controller(panel, testing::fake_board_table()), canon(panel, sink, &controller) {
        fake_board(true);
        controller.ControllerPresent = true;
        canon.init_canon((temp.path() / "ZorvanNC.Var").string());
        canon.PreviewMode = false;
        // Every wait for the end of motion ends at its first poll.
        fake_board().statuses.clear();
    }
    // Calls since the last take, without the position polls of the waits.
    Calls take() {
        Calls calls;
        for (const std::string& call : fake_board().calls) {
            if (call != "GetPosition()") calls.push_back(call);
        }
        fake_board().calls.clear();
        return calls;
    }
    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    Controller controller;
    Canon canon;
};

TEST_F(CanonControl, FeedsAndRapidsBecomeStepsAndSpeeds) {
    canon.set_feed_rate(600);  // 10 mm/s, 1000 steps/s on X
    canon.straight_feed(10, 0, 0);
    canon.straight_traverse(10, 5, 2);
    canon.straight_feed(10, 5, 2);  // no step to go: nothing at all
    EXPECT_EQ(take(),
              (Calls{"LinearMove(1000, 0, 0, 0, 1000, 100)", "RapidMove(1000, 500, 200, 0, 1000, 100)"}));
    // The rapid's dominant axis runs at its top speed; the others at the ratio of their steps.
    canon.straight_traverse(10, 5, 2);  // to where it stands: still sent, with no step
    EXPECT_EQ(take(), Calls{"RapidMove(1000, 500, 200, 0, 1000, 100)"});
}

TEST_F(CanonControl, AFeedSplitsItsSpeedOverTheAxesAndRoundsTiesToEven) {
    canon.set_feed_rate(60);  // 1 mm/s
    canon.straight_feed(3, 4, 0);
    // 300 and 400 steps over 500: Y dominates at 400 * 1 * 100 / 500 = 80 steps/s, X at 60.
    EXPECT_EQ(take(), Calls{"LinearMove(300, 400, 0, 0, 80, 80)"});
    canon.set_feed_rate(0.3);  // 0.005 mm/s: 0.5 steps/s rounds to 0, which no board can run
    canon.straight_feed(4, 4, 0);
    EXPECT_EQ(take(), Calls{"LinearMove(400, 400, 0, 0, 1, 0)"});
}

TEST_F(CanonControl, BacklashIsAddedOnReversalAndKeptOnAxesThatStandStill) {
    canon.Parameters().Backlash = {5, 3, 0, 0};
    canon.set_feed_rate(600);
    canon.straight_feed(10, 0, 0);
    canon.straight_feed(5, 0, 0);
    canon.straight_feed(5, 1, 0);
    EXPECT_EQ(take(), (Calls{"LinearMove(1005, 0, 0, 0, 1000, 100)", "LinearMove(495, 0, 0, 0, 1000, 100)",
                             "LinearMove(495, 103, 0, 0, 1000, 100)"}));
    EXPECT_EQ(canon.BacklashDisplayOffset[0], -5);
    EXPECT_EQ(canon.BacklashDisplayOffset[1], 3);
}

TEST_F(CanonControl, InchUnitsScaleTheFeedRate) {
    canon.use_length_units(1);
    canon.set_feed_rate(60);
    EXPECT_DOUBLE_EQ(canon.FeedRate, 25.4);
    canon.straight_feed(1, 0, 0);
    EXPECT_EQ(take(), Calls{"LinearMove(2540, 0, 0, 0, 1000, 100)"});  // capped at X's top speed
}

TEST_F(CanonControl, OutputsDwellAndStopsGoStraightToTheBoardAfterAFlush) {
    canon.Queue()->SetContouring(1);
    canon.set_feed_rate(600);
    canon.straight_feed(1, 0, 0);
    EXPECT_EQ(take(), Calls{});  // held for the look-ahead
    canon.start_spindle_clockwise();
    canon.mist_on();
    canon.dwell(1.5);
    canon.flood_off();
    canon.program_stop();
    EXPECT_EQ(take(),
              (Calls{"LinearMove(100, 0, 0, 0, 1000, 0)", "SetOutput(4, 0)", "SetOutput(8, 0)",
                     "SetOutput(4, 1)", "SetOutput(1, 1)", "Delay(1.5)", "SetOutput(2, 0)", "Pause()"}));
    EXPECT_TRUE(panel.pause_button_down);
    EXPECT_EQ(panel.status, "Program Stop.  Press the \"PAUSE\" button to continue after motion stops.");
    EXPECT_EQ(panel.buttons[static_cast<int>(OutputButton::SpindleClockwise)].caption_entry, 19);
}

TEST_F(CanonControl, AnIndexMoveMovesOnlyItsAxis) {
    controller.AxisCount = 3;
    canon.move_single_axis(8, 0, 0, 0, 90);
    EXPECT_EQ(take(), Calls{});  // no A axis on a three-axis machine
    controller.AxisCount = 4;
    canon.set_feed_rate(60);
    canon.move_single_axis(8, 0, 0, 0, 90);
    canon.move_single_axis(4, 0, 0, -2, 0);
    EXPECT_EQ(take(), (Calls{"IndexMove(0, 0, 0, 9000, 1000, 8)", "IndexMove(0, 0, -200, 0, 100, 4)"}));
    EXPECT_EQ(canon.CurrentPosition, (std::array<double, 4>{0, 0, -2, 90}));
}

TEST_F(CanonControl, TheSpindleSliderFollowsTheClampedSpeed) {
    const struct {
        double rpm;
        int percent;
    } cases[] = {{-5, 0}, {0, 0}, {2500, 25}, {10000, 100}, {20000, 100}};
    for (const auto& c : cases) {
        canon.set_spindle_speed(c.rpm);
        EXPECT_EQ(panel.slider_percent, c.percent) << c.rpm;
    }
    canon.Parameters().MinRpm = canon.Parameters().MaxRpm = 3000;
    canon.set_spindle_speed(5000);
    EXPECT_EQ(panel.slider_percent, 0);
    EXPECT_EQ(canon.SpindleSpeed, 3000);
}

TEST_F(CanonControl, PositionsInStepsCountFromTheProgramOriginAndBack) {
    canon.set_origin_offsets(1, 2, 0);
    canon.use_tool_length_offset(3);
    canon.SetCurrentPosition(11, 2, 8, 45);
    EXPECT_EQ(canon.PositionInSteps(), (std::array<double, 4>{1000, 0, 500, 4500}));
    canon.SetPositionFromSteps({250, -100, 50, 900});
    EXPECT_EQ(canon.CurrentPosition, (std::array<double, 4>{2.5, -1, 0.5, 9}));
}

}  // namespace
}  // namespace zorvan::machine
