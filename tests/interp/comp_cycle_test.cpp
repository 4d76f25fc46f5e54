// Cutter radius compensation and canned cycles: the refusals and state rules the golden traces do not
// show, and the geometry of compensated arcs checked by distances rather than by printed numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

using Calls = std::vector<std::string>;

class CompCycle : public InterpreterTest {
  protected:
    CompCycle() {
        canon.feed_rate = 100.0;
        canon.tools = {{0, 0, 0}, {1, 0, 2.0}, {2, 0, 0.0}};  // tool 1: radius 1; tool 2: never measured
        restart();
    }
};

TEST_F(CompCycle, RefusesWhatCompensationCannotDo) {
    const struct {
        std::vector<std::string_view> before;
        const char* line;
        const char* message;
    } cases[] = {
        {{"G41 D1"}, "G41 D1", "Cannot turn cutter radius comp on when already on"},
        {{"G18"}, "G42 D1", "Cannot turn cutter radius comp on out of XY-plane"},
        {{"G41 D1"}, "G0 X5", "Cannot use G0 with cutter radius comp"},
        {{"G41 D1"}, "G20", "Cannot change units with cutter radius comp"},
        {{"G41 D1"}, "G92 X0", "Cannot change axis offsets with cutter radius comp"},
        {{"G41 D1"}, "G38.2 Z-1", "Cannot probe with cutter radius comp on"},
        {{"G41 D1"}, "G93 G1 X5 F1", "Cannot use inverse time feed with cutter radius comp"},
        {{"G41 D1"}, "G53 G1 X5", "Cannot use G53 with cutter radius comp"},
        {{"G41 D2"}, "G1 X5", "Bad tool radius value with cutter radius comp"},
        {{"G41 D1"}, "G1 X0.5", "Cutter gouging with cutter radius comp"},
        {{"G41 D1"}, "G3 X0 Y0 R3", "Current point same as end point of arc"},
        {{"G41 D1"}, "G3 X4 Y0 R1", "Tool radius not less than arc radius with cutter radius comp"},
        {{"G42 D1"}, "G2 X10 Y0 R2", "Radius too small to reach end point"},
        {{"G42 D1"}, "G3 X0.2 Y0 R5", "Cutter gouging with cutter radius comp"},
        {{"G41 D1"}, "G3 X4 Y0 I2 J0", "Radius to end of arc differs from radius to start of arc (2,1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        restart();
        for (std::string_view before : c.before)
            ASSERT_EQ(line(before), RESULT_OK);
        reporter.reports.clear();
        EXPECT_EQ(line(c.line), RESULT_ERROR);
        EXPECT_EQ(error(), c.message);
    }
}

// A compensated first arc in radius form: the tool's arc keeps the tool radius from the programmed arc.
TEST_F(CompCycle, FirstArcInRadiusFormKeepsTheToolBesideThePath) {
    for (const char* side : {"G41 D1", "G42 D1"}) {
        for (const char* arc : {"G2 X10 Y0 R6", "G3 X10 Y0 R6", "G2 X10 Y0 R-6", "G3 X10 Y0 R-6"}) {
            SCOPED_TRACE(std::string(side) + " " + arc);
            restart();
            ASSERT_EQ(lines({"G0 X0 Y0", side, arc}), RESULT_OK);
            const auto& s = settings();
            EXPECT_EQ(s.program_x, 10.0);
            // The tool ends one radius from the programmed end point.
            EXPECT_NEAR(std::hypot(s.current_x - 10.0, s.current_y), 1.0, 1e-9);
        }
    }
}

TEST_F(CompCycle, AStraightAlongZKeepsTheToolAndTheProgrammedPoint) {
    ASSERT_EQ(lines({"G0 X-5 Y0", "G41 D1", "G1 X0 Y0", "G1 X10"}), RESULT_OK);
    const double x = settings().current_x, y = settings().current_y;
    take_calls();
    ASSERT_EQ(line("G1 Z-3"), RESULT_OK);
    EXPECT_EQ(take_calls(), Calls{"straight_feed(10.0000, 1.0000, -3.0000)"});
    EXPECT_EQ(settings().current_x, x);
    EXPECT_EQ(settings().current_y, y);
    // The Z the tool went to is the Z the next move starts from.
    EXPECT_EQ(settings().current_z, -3.0);
    EXPECT_EQ(settings().program_x, 10.0);
}

TEST_F(CompCycle, ARefusedArcCornerHasAlreadyRecordedItsProgrammedPoint) {
    ASSERT_EQ(lines({"G0 X-5 Y0", "G42 D1", "G1 X0 Y0", "G1 X10"}), RESULT_OK);
    EXPECT_EQ(line("G3 X20 Y0 I5 J0"), RESULT_ERROR);
    EXPECT_EQ(error(), "Concave corner with cutter radius comp");
    EXPECT_EQ(settings().program_x, 20.0);
}

TEST_F(CompCycle, G40ForgetsTheProgrammedPointSoTheNextMoveIsAFirstMove) {
    ASSERT_EQ(lines({"G0 X-5 Y0", "G41 D1", "G1 X0 Y0", "G40"}), RESULT_OK);
    EXPECT_EQ(settings().program_x, UNKNOWN);
    EXPECT_EQ(settings().program_y, 0.0);  // only X marks the point unknown
    EXPECT_EQ(settings().cutter_comp_side, 0);
}

TEST_F(CompCycle, RefusesCyclesThatCouldNeverEnd) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"G83 X1 Z-1 R1 Q0", "Q value (depth increment) must be greater than zero with G83"},
        {"G83 X1 Z-1000 R1000 Q0.001", "Too many pecks in G83 canned cycle"},
        {"G81 X1 Z-1 R1 L2147483647", "Too many repeats of cycle"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        restart();
        reporter.reports.clear();
        EXPECT_EQ(line(c.line), RESULT_ERROR);
        EXPECT_EQ(error(), c.message);
    }
}

TEST_F(CompCycle, ACycleStoresItsValuesOnlyWhenEveryHoleIsDone) {
    ASSERT_EQ(lines({"G0 Z5", "G82 X1 Z-1 R2 P0.5 L2"}), RESULT_OK);
    EXPECT_EQ(settings().cycle_p, 0.5);
    EXPECT_EQ(settings().cycle_l, 2);
    EXPECT_EQ(settings().motion_mode, 820);
    // A failing body (spindle stopped) leaves the stored values of the last complete cycle.
    EXPECT_EQ(line("G86 X3 Z-4 R1 P2"), RESULT_ERROR);
    EXPECT_EQ(error(), "Spindle not turning in G86 canned cycle");
    EXPECT_EQ(settings().cycle_p, 0.5);
    EXPECT_EQ(settings().cycle_z, -1.0);
    EXPECT_EQ(settings().motion_mode, 820);
}

TEST_F(CompCycle, ACycleSwitchesToExactPathOnlyWhenTheMachineIsNotInIt) {
    canon.motion_control_mode = 3;
    ASSERT_EQ(lines({"G0 Z5", "G81 X1 Z-1 R2"}), RESULT_OK);
    const Calls calls = take_calls();
    EXPECT_EQ(calls[1], "set_motion_control_mode(2)");
    EXPECT_EQ(calls.back(), "set_motion_control_mode(3)");
}

using CamCompCycle = CamInterpreterTest;

// The golden traces show a later compensated arc taking a short radius; the first one does not.
TEST_F(CamCompCycle, TheFirstCompensatedArcKeepsItsRadiusCheck) {
    canon.feed_rate = 100.0;
    canon.tools = {{0, 0, 0}, {1, 0, 2.0}};
    restart();
    ASSERT_EQ(line("G41 D1"), RESULT_OK);
    EXPECT_EQ(line("G2 X3.0005 Y0 R1"), RESULT_ERROR);
    EXPECT_EQ(error(), "Radius too small to reach end point");
}

}  // namespace
}  // namespace zorvan::interp::testing
