// Checks of a block as a whole, and the fixed order in which a block is carried out.
#include <gtest/gtest.h>

#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

using BlockChecks = InterpreterTest;
using ExecutionOrder = InterpreterTest;

struct RefusedBlock {
    const char* modal;  // a line run first to set the modes, or ""
    const char* line;
    const char* message;
};

TEST_F(BlockChecks, RefusesInconsistentBlocksWithTheirMessage) {
    const RefusedBlock cases[] = {
        {"G80", "X1", "Cannot use axis commands with G80"},
        {"G80", "G4 P2 X1", "Cannot use axis commands with G4"},
        {"", "G4", "Dwell time missing with G4"},
        {"", "G53 G2 X1 R1", "Must use G0 or G1 with G53"},
        {"", "G91 G53 G0 X1", "Cannot use G53 in incremental distance mode"},
        {"G91", "G53 G0 X1", "Cannot use G53 in incremental distance mode"},
        {"", "G10 L2 P1 G53 X0", "Cannot use two G codes from group 0"},
        {"", "G10 G4 P1", "Cannot use two G codes from group 0"},
        {"", "G10 L2 P1 G1 X0", "Cannot use a G code for motion with G10"},
        {"", "G10 L1 P1 X0", "Line with G10 does not have L2"},
        {"", "G10 L2 P2.5 X0", "P value not an integer with G10 L2"},
        {"", "G10 L2 P10 X0", "P value out of range with G10 L2"},
        {"", "G10 L2 X0", "P value out of range with G10 L2"},
        {"", "G92 G0 X0", "Cannot use a G motion with G92"},
        {"", "G92", "All axes missing with G92"},
        {"", "G0 G17 G21 G90 G94 X1", "Too many G codes on line"},
        {"", "M0 M3 M6 M8 M48", "Too many M codes on line"},
        {"", "G1 X1 D1", "D word on line with no cutter comp on (G41 or G42) command"},
        {"", "G0 X1 H1", "H word on line with no tool length comp (G43) command"},
        {"", "G1 X1 I1", "I word on line with no G code (G2, G3, G87) that uses it"},
        {"", "G1 X1 J1", "J word on line with no G code (G2, G3, G87) that uses it"},
        {"", "G1 X1 K1", "K word on line with no G code (G2, G3, G87) that uses it"},
        {"", "G80 L2", "L word on line with no canned cycle or G10 to use it"},
        {"", "G1 X1 P1", "P word on line with no G code (G4 G10 G82 G86 G88 G89) that uses it"},
        {"", "G1 X1 Q1", "Q word on line with no G83 cycle that uses it"},
        {"", "G0 X1 R1", "R word on line with no G code (arc or cycle) that uses it"},
        {"", "G38.2 Z-1 M0", "Cannot put an M code for stopping with G38.2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        restart();
        ASSERT_EQ(line(c.modal), RESULT_OK) << error();
        take_calls();
        const InterpreterSettings before = settings();
        EXPECT_EQ(line(c.line), RESULT_ERROR);
        EXPECT_EQ(error(), c.message);
        // A refused block changes nothing and sends nothing.
        EXPECT_TRUE(canon.calls.empty());
        EXPECT_EQ(settings().distance_mode, before.distance_mode);
        EXPECT_EQ(settings().motion_mode, before.motion_mode);
    }
}

TEST_F(ExecutionOrder, FollowsTheFixedOrderNotTheWordOrder) {
    const std::vector<std::string> expected{"set_feed_rate(100.0000)", "set_spindle_speed(500.0000)",
                                            "start_spindle_clockwise()",
                                            "straight_feed(1.0000, 0.0000, 0.0000)"};
    ASSERT_EQ(line("G1 X1 F100 S500 M3"), RESULT_OK);
    EXPECT_EQ(take_calls(), expected);
    restart();
    ASSERT_EQ(line("M3 S500 X1 F100 G1"), RESULT_OK);
    EXPECT_EQ(take_calls(), expected);
}

TEST_F(ExecutionOrder, AFailingStepKeepsTheEffectsOfTheStepsBeforeIt) {
    EXPECT_EQ(line("S500 M3 M8 G1 X1"), RESULT_ERROR);
    EXPECT_EQ(error(), "Cannot do G1 with zero feed rate");
    EXPECT_EQ(reporter.reports[0].line_count, 1);
    EXPECT_EQ(take_calls(), (std::vector<std::string>{"set_spindle_speed(500.0000)",
                                                      "start_spindle_clockwise()", "flood_on()"}));
    EXPECT_EQ(settings().spindle_turning, 2);
    EXPECT_EQ(settings().flood, 1);
}

using CamBlockChecks = CamInterpreterTest;

// Beyond its rules the CAM dialect refuses as STRICT does; two messages of its own concern G28 and G30.
TEST_F(CamBlockChecks, RefusesWhatItsRulesLeaveOut) {
    const RefusedBlock cases[] = {
        {"", "G1 (a (b) c", "Unclosed comment found"},
        {"", "(a (b)) )", "Bad character used... )"},
        {"", "G0 X1 %", "Bad character used... %"},
        {"", "/%", "Bad character used... %"},
        {"", "G1 X1\nY2 ;", "Null missing after newline"},
        {"", "G92.1", "Unknown G code used... 921"},
        {"", "G90.1 G91.1", "Two G codes used from same modal group"},
        {"", "G17 G21 G40 G49 G54 G90 G91", "Two G codes used from same modal group"},
        {"", "G28 G92 X0", "Two G codes used from same modal group"},
        {"", "G28 G53 X0", "Cannot use two G codes from group 0"},
        {"", "G28 G4 P1", "Cannot use two G codes from group 0"},
        {"", "G30 G81 Z-1 R1", "Cannot use a G motion with G28 or G30"},
        {"G41 D1", "G30 Z1", "Cannot use G28 or G30 with cutter radius comp"},
        {"", "G1 X1 P1", "P word on line with no G code (G4 G10 G82 G86 G88 G89) that uses it"},
        {"", "G61 Q1", "Q word on line with no G83 cycle that uses it"},
        {"", "G1 X1 K0", "K word on line with no G code (G2, G3, G87) that uses it"},
        {"", "G2 X2 Y0 K0", "R, I, J, and K words all missing for arc"},
        {"F1", "G2 X2 Y0 I1 K0.00011", "K word given for arc in XY-plane"},
        {"F1 G18", "G2 X2 Z0 I1 J-0.001", "J word given for arc in XZ-plane"},
        {"F1", "G2 X2.0021 Y0 R1", "Arc radius too small to reach end point"},
        {"F1", "G2 X0.0021 Y0 R0", "Arc radius too small to reach end point"},
    };
    for (const auto& c : cases)
        expect_refused({c.modal, c.line, c.message});
}

}  // namespace
}  // namespace zorvan::interp::testing
