// Straight moves under G53, arc centres, refused moves and the probe move.
#include <gtest/gtest.h>

#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

using Calls = std::vector<std::string>;

class Motion : public InterpreterTest {
  protected:
    Motion() {
        canon.feed_rate = 100.0;
        restart();
    }
};

TEST_F(Motion, G53TakesMachineCoordinatesPastEveryOffset) {
    canon.tools = {{0, 0, 0}, {1, 2.0, 6.0}};
    restart();
    ASSERT_EQ(lines({"G10 L2 P1 X10", "G0 X2", "G92 X0", "G43 H1"}), RESULT_OK);
    take_calls();
    ASSERT_EQ(line("G53 G0 X0 Z0"), RESULT_OK);
    EXPECT_EQ(take_calls(), Calls{"straight_traverse(-12.0000, 0.0000, -2.0000)"});
    EXPECT_EQ(settings().current_x, -12.0);
}

TEST_F(Motion, ArcsFindTheirCentreFromOffsetsOrRadius) {
    const struct {
        const char* line;
        const char* call;
    } cases[] = {
        {"G3 X0 Y0 I1", "arc_feed(0.0000, 0.0000, 1.0000, 0.0000, 1, 0.0000)"},     // full circle
        {"G2 X2 Y0.1 I1", "arc_feed(2.0000, 0.1000, 1.0000, 0.0000, -1, 0.0000)"},  // within 0.01 mm
        {"G2 X2 Y0 R0.999999999999", "arc_feed(2.0000, 0.0000, 1.0000, 0.0000, -1, 0.0000)"},
        // A positive radius gives the short arc, a negative one the long arc, in either direction.
        {"G2 X2 Y0 R2", "arc_feed(2.0000, 0.0000, 1.0000, -1.7321, -1, 0.0000)"},
        {"G2 X2 Y0 R-2", "arc_feed(2.0000, 0.0000, 1.0000, 1.7321, -1, 0.0000)"},
        {"G3 X2 Y0 R2", "arc_feed(2.0000, 0.0000, 1.0000, 1.7321, 1, 0.0000)"},
        {"G3 X2 Y0 R-2", "arc_feed(2.0000, 0.0000, 1.0000, -1.7321, 1, 0.0000)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        restart();
        ASSERT_EQ(line(c.line), RESULT_OK) << error();
        EXPECT_EQ(take_calls(), Calls{c.call});
    }
}

struct RefusedMove {
    const char* modal;
    const char* line;
    const char* message;
};

TEST_F(Motion, RefusesImpossibleMovesWithTheirMessage) {
    const RefusedMove cases[] = {
        {"", "G1", "X, Y, and Z words all missing with G0 or G1"},
        {"", "G2 X1", "R, I, J, and K words all missing for arc"},
        {"", "G2 X1 R1 I1", "Mixed radius-ijk format for arc"},
        {"G17", "G2 X1 Y1 I1 J1 K1", "K word given for arc in XY-plane"},
        {"G19", "G2 Y1 Z1 I1", "I word given for arc in YZ-plane"},
        {"G18", "G2 X1 Z1 J1", "J word given for arc in XZ-plane"},
        {"G17", "G2 Z1 I1", "X and Y words missing for arc in XY-plane"},
        {"G19", "G2 X1 J1", "Y and Z words missing for arc in YZ-plane"},
        {"G18", "G2 Y1 I1", "X and Z words missing for arc in XZ-plane"},
        {"G19", "G2 Y2 Z0.1 J1", "Radius to end of arc differs from radius to start of arc"},
        {"G20", "G2 X2 Y0.1 I1", "Radius to end of arc differs from radius to start of arc"},
        {"", "G3 X0 Y0 R1", "Current point same as end point of arc"},
        {"", "G2 X2 Y0 R0.9", "Arc radius too small to reach end point"},
        {"", "G2 X2 Y0 R0", "Arc radius too small to reach end point"},
        {"G93", "G1 X1", "F word missing with inverse time G1 move"},
        {"G93", "G2 X2 I1", "F word missing with inverse time arc move"},
        {"G93", "G38.2 Z-1", "Cannot probe in inverse time feed mode"},
        {"", "G38.2", "X, Y, and Z words all missing with G38.2"},
    };
    for (const auto& c : cases)
        expect_refused({c.modal, c.line, c.message});
}

TEST_F(Motion, ZeroFeedRateRefusesFeedsArcsAndProbesButNotRapids) {
    canon.feed_rate = 0.0;
    restart();
    const RefusedMove cases[] = {
        {"", "G1 X1", "Cannot do G1 with zero feed rate"},
        {"", "G2 X2 I1", "Cannot make arc with zero feed rate"},
        {"", "G38.2 Z-1", "Cannot probe with zero feed rate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        reporter.reports.clear();
        EXPECT_EQ(line(c.line), RESULT_ERROR);
        EXPECT_EQ(error(), c.message);
    }
    EXPECT_EQ(line("G0 X1"), RESULT_OK);
}

TEST_F(Motion, TheNextLineCollectsTheProbeResult) {
    ASSERT_EQ(line("G38.2 Z-5 F50"), RESULT_PROBE);
    EXPECT_EQ(take_calls(), (Calls{"set_feed_rate(50.0000)", "turn_probe_on()",
                                   "straight_probe(0.0000, 0.0000, -5.0000)", "turn_probe_off()"}));
    EXPECT_EQ(settings().probe_flag, 1);
    canon.position = {1.0, 2.0, -3.0, 0.0};
    canon.probe_position = {4.0, 5.0, 6.0, 0.0};
    canon.probe_value = 0.0;
    ASSERT_EQ(line("G91 G0 X1"), RESULT_OK);
    EXPECT_EQ(take_calls(), Calls{"straight_traverse(2.0000, 2.0000, -3.0000)"});
    const auto& p = settings().parameters;
    EXPECT_EQ(p[5061], 4.0);
    EXPECT_EQ(p[5062], 5.0);
    EXPECT_EQ(p[5063], 6.0);
    EXPECT_EQ(p[5067], 0.0);
    EXPECT_EQ(settings().probe_flag, 0);
}

TEST_F(Motion, ABusyQueueAfterProbingFailsTheNextLine) {
    ASSERT_EQ(line("G38.2 Z-5"), RESULT_PROBE);
    canon.queue_is_empty = 0;
    EXPECT_EQ(line("G0 X1"), RESULT_ERROR);
    EXPECT_EQ(error(), "Queue is not empty after probing");
}

}  // namespace
}  // namespace zorvan::interp::testing
