// Renumbering the editor's lines: which lines lose their N words, which get new ones, and what a field
// that is not a number does.
#include "display/line_numbers.h"

#include <gtest/gtest.h>

namespace zorvan::display {
namespace {

using Lines = std::vector<std::string>;

struct RemoveCase {
    const char* line;
    const char* expected;
};

class RemoveLineNumbersTest : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveLineNumbersTest, TakesOffTheLeadingNWord) {
    Lines lines{GetParam().line};
    RemoveLineNumbers(lines);
    EXPECT_EQ(lines, Lines{GetParam().expected}) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Lines, RemoveLineNumbersTest,
                         ::testing::Values(RemoveCase{"N100 G0 X0", "G0 X0"}, RemoveCase{"N1.5 M3", "M3"},
                                           RemoveCase{"N100G0", "G0"}, RemoveCase{"N 1 0 X1", "X1"},
                                           RemoveCase{"NX1", "X1"}, RemoveCase{"N10 (c)", "(c)"},
                                           RemoveCase{"N-5 G0", "-5 G0"},
                                           // Lines left alone.
                                           RemoveCase{"n10 G0", "n10 G0"}, RemoveCase{"N10", "N10"},
                                           RemoveCase{"N10 ", "N10 "}, RemoveCase{" N10 G0", " N10 G0"},
                                           RemoveCase{"N", "N"}, RemoveCase{"", ""},
                                           RemoveCase{"G0 N10", "G0 N10"}));

TEST(AddLineNumbersTest, NumbersEveryLineButCommentsAndEmptyOnes) {
    Lines lines{"G0 X0", "(comment)", "", "G1 X1"};
    EXPECT_EQ(AddLineNumbers(lines, {"100", "5", true}), std::nullopt);
    EXPECT_EQ(lines, (Lines{"N100 G0 X0", "(comment)", "", "N105 G1 X1"}));
}

TEST(AddLineNumbersTest, WithoutTheSpaceTheNumberTouchesTheLine) {
    Lines lines{"G0 X0"};
    EXPECT_EQ(AddLineNumbers(lines, {"100", "5", false}), std::nullopt);
    EXPECT_EQ(lines, Lines{"N100G0 X0"});
}

TEST(AddLineNumbersTest, NumbersPercentAndBlankLinesAndKeepsExistingNWords) {
    Lines lines{"%", " ", "N7 G0", " (indented comment)"};
    EXPECT_EQ(AddLineNumbers(lines, {"1", "1", true}), std::nullopt);
    EXPECT_EQ(lines, (Lines{"N1 %", "N2  ", "N3 N7 G0", "N4  (indented comment)"}));
}

TEST(AddLineNumbersTest, ZeroAndNegativeIncrements) {
    Lines same{"A", "B"};
    EXPECT_EQ(AddLineNumbers(same, {"10", "0", false}), std::nullopt);
    EXPECT_EQ(same, (Lines{"N10A", "N10B"}));
    Lines down{"A", "B", "C"};
    EXPECT_EQ(AddLineNumbers(down, {"+1", "-1", false}), std::nullopt);
    EXPECT_EQ(down, (Lines{"N1A", "N0B", "N-1C"}));
}

TEST(AddLineNumbersTest, LargeNumbersDoNotWrap) {
    Lines lines{"A", "B"};
    EXPECT_EQ(AddLineNumbers(lines, {"2147483647", "2147483647", false}), std::nullopt);
    EXPECT_EQ(lines, (Lines{"N2147483647A", "N4294967294B"}));
}

struct BadFieldCase {
    const char* start_at;
    const char* increment;
    const char* message;
};

class AddLineNumbersRefusalTest : public ::testing::TestWithParam<BadFieldCase> {};

TEST_P(AddLineNumbersRefusalTest, LeavesTheLinesAndReportsTheField) {
    Lines lines{"G0", "G1"};
    const auto message = AddLineNumbers(lines, {GetParam().start_at, GetParam().increment, true});
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message, GetParam().message);
    EXPECT_EQ(lines, (Lines{"G0", "G1"}));
}

INSTANTIATE_TEST_SUITE_P(Fields, AddLineNumbersRefusalTest,
                         ::testing::Values(BadFieldCase{"", "5", "'' is not a valid integer value"},
                                           BadFieldCase{"1x", "5", "'1x' is not a valid integer value"},
                                           BadFieldCase{"100", "", "'' is not a valid integer value"},
                                           BadFieldCase{"100", "2.5", "'2.5' is not a valid integer value"},
                                           BadFieldCase{"99999999999", "1",
                                                        "'99999999999' is not a valid integer value"},
                                           BadFieldCase{"+", "1", "'+' is not a valid integer value"}));

TEST(ReNumberLinesTest, ReplacesTheOldNumbers) {
    Lines lines{"N10 G0 X0", "N20 G1 X1", "N30 M2"};
    EXPECT_EQ(ReNumberLines(lines, {"1", "1", true}), std::nullopt);
    EXPECT_EQ(lines, (Lines{"N1 G0 X0", "N2 G1 X1", "N3 M2"}));
}

TEST(ReNumberLinesTest, ALineThatIsOnlyANumberKeepsItAndGetsASecond) {
    Lines lines{"N10", "(c)", "N20 G0"};
    EXPECT_EQ(ReNumberLines(lines, {"100", "5", true}), std::nullopt);
    EXPECT_EQ(lines, (Lines{"N100 N10", "(c)", "N105 G0"}));
}

TEST(ReNumberLinesTest, ABadFieldStillLeavesTheNumbersRemoved) {
    Lines lines{"N10 G0"};
    EXPECT_TRUE(ReNumberLines(lines, {"x", "5", true}).has_value());
    EXPECT_EQ(lines, Lines{"G0"});
}

}  // namespace
}  // namespace zorvan::display
