// Values of words: numbers, parameters, bracketed expressions and unary functions.
#include <gtest/gtest.h>

#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

using Expressions = InterpreterTest;

struct ValueCase {
    const char* value;
    double expected;
};

// Each value is assigned to parameter 1, which shows what the reader made of it.
TEST_F(Expressions, EvaluatesNumbersOperatorsAndFunctions) {
    settings().parameters[3] = 7.0;
    settings().parameters[4] = 3.0;
    const ValueCase cases[] = {
        {"1.", 1.0},         {".5", 0.5},           {"-2.5", -2.5},        {"+3", 3.0},
        {"#3", 7.0},         {"##4", 7.0},          {"#[1+2]", 7.0},       {"[1+2*3]", 7.0},
        {"[1-2-3]", -4.0},   {"[2*3**2]", 36.0},  // power binds no tighter than times
        {"[2**3*2]", 16.0},  {"[8/2/2]", 2.0},      {"[1+[2-3]*4]", -3.0}, {"[-8**3]", -512.0},
        {"[7 mod 3]", 1.0},  {"[-7 mod 3]", 2.0},   {"[-7 mod 2.6]", 1.6}, {"[7.4 mod 2.6]", 1.0},
        {"[1 and 0]", 0.0},  {"[2 and 3]", 1.0},    {"[2 or 0]", 1.0},     {"[0 or 0]", 0.0},
        {"[1 xor 1]", 0.0},  {"[0 xor 5]", 1.0},    {"atan[1]/[1]", 45.0}, {"atan[1]/[-1]", 135.0},
        {"cos[60]", 0.5},    {"sin[30]", 0.5},      {"tan[45]", 1.0},      {"acos[0]", 90.0},
        {"asin[1]", 90.0},   {"abs[-2]", 2.0},      {"sqrt[16]", 4.0},     {"exp[0]", 1.0},
        {"ln[1]", 0.0},      {"fix[-2.5]", -2.0},   {"fup[2.5]", 2.0},     {"round[2.5]", 2.0},
        {"round[3.5]", 4.0}, {"round[-2.6]", -3.0}, {"ABS[COS[0]]", 1.0},  {"#5399", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        settings().parameters[1] = -99.0;
        ASSERT_EQ(line(std::string("#1=") + c.value), RESULT_OK) << error();
        EXPECT_NEAR(settings().parameters[1], c.expected, 1e-12);
    }
}

struct RefusedValue {
    const char* line;
    const char* message;
};

TEST_F(Expressions, RefusesBadValuesWithTheirMessage) {
    const RefusedValue cases[] = {
        {"#1 5", "Equal sign missing in parameter setting"},
        {"#5400=1", "Parameter number out of range"},
        {"#1=", "No characters found in reading real value"},
        {"#1=.", "No digits found where real number should be"},
        {"#1=+", "No digits found where real number should be"},
        {"#1=*2", "Bad number format"},
        {"#1=#0", "Parameter number out of range"},
        {"#1=#5400", "Parameter number out of range"},
        {"#1=#2.5", "Non-integer value for integer"},
        {"#1=[1/0]", "Attempt to divide by zero"},
        {"#1=[7 mod 0.4]", "Attempt to divide by zero"},
        {"#1=[-8**0.5]", "Cannot raise negative number to non-integer power"},
        {"#1=[1+2", "Unclosed expression"},
        {"#1=[1&2]", "Unknown operation"},
        {"#1=[1 an 2]", "Unknown operation name starting with A"},
        {"#1=[1 mud 2]", "Unknown operation name starting with M"},
        {"#1=[1 of 2]", "Unknown operation name starting with O"},
        {"#1=[1 xer 2]", "Unknown operation name starting with X"},
        {"#1=atan[1][1]", "Slash missing"},
        {"#1=atan[1]/1", "Left bracket missing after slash with atan operator"},
        {"#1=sqrt[-1]", "Negative argument to sqrt"},
        {"#1=ln[0]", "Zero or negative argument to ln"},
        {"#1=acos[1.1]", "Argument to acos out of range"},
        {"#1=asin[-1.1]", "Argument to asin out of range"},
        {"#1=cos 1", "Left bracket missing after unary operation name"},
        {"#1=abc[1]", "Unknown word starting with A"},
        {"#1=cot[1]", "Unknown word starting with C"},
        {"#1=e[1]", "Unknown word starting with E"},
        {"#1=fox[1]", "Unknown word starting with F"},
        {"#1=log[1]", "Unknown word starting with L"},
        {"#1=rnd[1]", "Unknown word starting with R"},
        {"#1=sec[1]", "Unknown word starting with S"},
        {"#1=tn[1]", "Unknown word starting with T"},
        {"#1=b[1]", "Unknown word where unary operation could be"},
        {"#1=exp[1000]", "Value out of range"},
        {"#1=[10**400]", "Value out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        reporter.reports.clear();
        settings().parameters[1] = -99.0;
        EXPECT_EQ(line(c.line), RESULT_ERROR);
        EXPECT_EQ(error(), c.message);
        // A failing value leaves no partial result behind.
        EXPECT_EQ(settings().parameters[1], -99.0);
    }
}

TEST_F(Expressions, ASettingIsSeenByTheWordsAfterIt) {
    ASSERT_EQ(line("#1=5 G0 X#1 #2=[#1*2] Y#2"), RESULT_OK);
    EXPECT_EQ(take_calls(), std::vector<std::string>{"straight_traverse(5.0000, 10.0000, 0.0000)"});
    EXPECT_EQ(settings().parameters[2], 10.0);
}

TEST_F(Expressions, ASettingBeforeAFailingWordStays) {
    EXPECT_EQ(line("#7=3 G0 X[1/0]"), RESULT_ERROR);
    EXPECT_EQ(settings().parameters[7], 3.0);
}

// Integers may miss a whole number by a ten-thousandth.
TEST_F(Expressions, IntegerWordsAllowATenThousandth) {
    ASSERT_EQ(line("#1.00005=4"), RESULT_OK);
    EXPECT_EQ(settings().parameters[1], 4.0);
    ASSERT_EQ(line("#1.99995=6"), RESULT_OK);
    EXPECT_EQ(settings().parameters[2], 6.0);
    ASSERT_EQ(line("G10 L2.00005 P1 X3"), RESULT_OK);
    EXPECT_EQ(line("G10 L2.5 P1 X3"), RESULT_ERROR);
    EXPECT_EQ(error(), "Non-integer value for integer");
}

}  // namespace
}  // namespace zorvan::interp::testing
