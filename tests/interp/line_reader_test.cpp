// Normalising a line and reading its words.
#include <gtest/gtest.h>

#include <cstring>

#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

using LineReader = InterpreterTest;

struct RefusedLine {
    const char* line;
    const char* message;
};

TEST_F(LineReader, RefusesMalformedWordsWithTheirMessage) {
    const RefusedLine cases[] = {
        {"G1 (a (b) c)", "Nested comment found"},
        {"G1 (abc", "Unclosed comment found"},
        {"G1 X1\nY2", "Null missing after newline"},
        {"G1 N10", "Bad character used... n"},
        {"N", "Bad format unsigned integer"},
        {"N2147483648 G0 X1", "Line number too large"},
        {"%", "Bad character used... %"},
        {"G38.25", "G code out of range"},
        {"G28", "Unknown G code used... 280"},
        {"G100", "G code out of range"},
        {"G-1", "Negative G code used"},
        {"G1 G2", "Two G codes used from same modal group"},
        {"G4 G53 P1", "Two G codes used from same modal group"},
        {"G10 L2 P1 G92 X0", "Two G codes used from same modal group"},
        {"M100", "M code greater than 99"},
        {"M10", "Unknown M code used"},
        {"M-1", "Negative M code used"},
        {"M3 M4", "Two M codes used from same modal group"},
        {"X1 X2", "Multiple X words on one line"},
        {"G2 X1 I1 I2", "Multiple I words on one line"},
        {"F-1 G1 X1", "Negative F word found"},
        {"F1 F2", "Multiple F words on one line"},
        {"S-1", "Negative spindle speed found"},
        {"S0 S1", "Multiple S word spindle speed settings on one line"},
        {"T-1", "Negative tool id used"},
        {"T0 T1", "Multiple T words (tool ids) on one line"},
        {"G43 H-1", "Negative tool length offset used"},
        {"G43 H1 H2", "Multiple tool length offsets on one line"},
        {"D0 D1", "Multiple D words on one line"},
        {"D-1", "Negative D code used"},
        {"L-1", "Negative L word used"},
        {"P-1", "Negative P value used"},
        {"Q1 Q2", "Multiple Q words on one line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        reporter.reports.clear();
        EXPECT_EQ(line(c.line), RESULT_ERROR);
        EXPECT_EQ(error(), c.message);
    }
    // Nothing of a refused line reaches the machine.
    EXPECT_TRUE(canon.calls.empty());
}

TEST_F(LineReader, AParseFailureShowsTheCountOfTheLinesBeforeIt) {
    ASSERT_EQ(lines({"G0 X1", "G0 X2"}), RESULT_OK);
    EXPECT_EQ(line("G0 X3 X4"), RESULT_ERROR);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].line_count, 2);
    EXPECT_EQ(reporter.reports[0].line_text, "G0 X3 X4");
    EXPECT_EQ(interp.line_counter(), 2);
}

TEST_F(LineReader, BlanksAndCaseDoNotMatterOutsideComments) {
    ASSERT_EQ(line("G1x1Y2 F10"), RESULT_OK);
    const Block first = interp.block();
    ASSERT_EQ(line("g 1 x 1 y\t2 f 1 0\r"), RESULT_OK);
    const Block& second = interp.block();
    EXPECT_EQ(first.g_modes, second.g_modes);
    EXPECT_EQ(second.x_number, 1.0);
    EXPECT_EQ(second.y_number, 2.0);
    EXPECT_EQ(second.f_number, 10.0);
    EXPECT_EQ(interp.block_text(), "g1x1y2f10");

    ASSERT_EQ(line("N10 G0 X0 (Tool Two)"), RESULT_OK);
    EXPECT_STREQ(interp.block().comment, "Tool Two");
    EXPECT_EQ(interp.block().line_number, 10);
}

TEST_F(LineReader, GCodesAreKeptAsTenTimesTheirNumber) {
    ASSERT_EQ(line("G59.3 G38.2 Z-1 F10"), RESULT_PROBE);
    EXPECT_EQ(interp.block().g_modes[12], 593);
    EXPECT_EQ(interp.block().g_modes[1], 382);
    // A value within a thousandth of a tenth is taken as that tenth.
    ASSERT_EQ(line("G0.99995 X1"), RESULT_OK);
    EXPECT_EQ(interp.block().g_modes[1], 10);
}

TEST_F(LineReader, ALeadingSlashIsSkippedAndTheLineRuns) {
    ASSERT_EQ(line("/G0 X1"), RESULT_OK);
    EXPECT_EQ(take_calls(), std::vector<std::string>{"straight_traverse(1.0000, 0.0000, 0.0000)"});
    ASSERT_EQ(line("/N5 G0 X2"), RESULT_OK);
    EXPECT_EQ(interp.block().line_number, 5);
}

// 256 characters fail before the line is taken, 255 in the normaliser, which has already copied it.
TEST_F(LineReader, LinesOf255CharactersOrMoreAreTooLong) {
    ASSERT_EQ(line("G0 X1"), RESULT_OK);
    const std::string padding(250, ' ');
    const std::string at_254 = "G0" + padding + "X2";
    ASSERT_EQ(at_254.size(), 254u);
    EXPECT_EQ(line(at_254), RESULT_OK);
    EXPECT_EQ(line(at_254 + "0"), RESULT_ERROR);
    EXPECT_EQ(error(), "Command too long");
    EXPECT_EQ(reporter.reports.back().line_text, at_254 + "0");
    reporter.reports.clear();
    EXPECT_EQ(line(at_254 + "00"), RESULT_ERROR);
    EXPECT_EQ(error(), "Command too long");
    EXPECT_EQ(reporter.reports.back().line_text, at_254 + "0");
}

TEST_F(LineReader, ACommaSeparatorReadsCommaNumbersOnly) {
    interp.set_decimal_separator(',');
    ASSERT_EQ(line("G0 X1,5 Y,25"), RESULT_OK);
    EXPECT_EQ(take_calls(), std::vector<std::string>{"straight_traverse(1.5000, 0.2500, 0.0000)"});
    EXPECT_EQ(line("G0 X1.5"), RESULT_ERROR);
    EXPECT_EQ(error(), "Bad character used... .");
}

using CamLineReader = CamInterpreterTest;

// The length limits count the whole line, the dropped comment too.
TEST_F(CamLineReader, ADroppedCommentStillCountsTowardTheLengthLimit) {
    const std::string at_254 = "G0 X1 ;" + std::string(247, 'x');
    ASSERT_EQ(at_254.size(), 254u);
    EXPECT_EQ(line(at_254), RESULT_OK);
    EXPECT_EQ(line(at_254 + "x"), RESULT_ERROR);
    EXPECT_EQ(error(), "Command too long");
}

}  // namespace
}  // namespace zorvan::interp::testing
