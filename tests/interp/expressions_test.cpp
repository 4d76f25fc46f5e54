// Values of words: numbers, parameters, bracketed expressions and unary functions.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

#include "interp/interpreter_test_support.h"
#include "interp/number_reader.h"

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

// What strtod makes of the characters the reader took, the separator written as ".". The program never
// sets a locale, so strtod reads the point.
double strtod_of(std::string_view taken, char separator) {
    std::string copy(taken);
    for (std::size_t i = 0; i < copy.size(); ++i) {
        const bool sign = i == 0 && (copy[i] == '+' || copy[i] == '-');
        const bool digit = copy[i] >= '0' && copy[i] <= '9';
        if (!sign && !digit) {
            EXPECT_EQ(copy[i], separator) << taken;
            copy[i] = '.';
        }
    }
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    EXPECT_EQ(end, copy.c_str() + copy.size()) << taken;
    return value;
}

// The same double bit for bit: -0.0 is not 0.0.
void expect_same_double(double actual, double expected, std::string_view text) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(actual), std::bit_cast<std::uint64_t>(expected))
        << text << ": " << actual << " instead of " << expected;
}

struct NumberCase {
    std::string text;
    char separator;
    NumberStatus status;
    std::size_t length;
    double value;
};

TEST(NumberReader, TakesTheLongestNumberAndTellsWhyItTakesNone) {
    const double infinity = std::numeric_limits<double>::infinity();
    const NumberCase cases[] = {
        {"12.5x", '.', NumberStatus::OK, 4, 12.5},
        {"-.5]", '.', NumberStatus::OK, 3, -0.5},
        {"+7", '.', NumberStatus::OK, 2, 7.0},
        {"5.", '.', NumberStatus::OK, 2, 5.0},
        {"1.2.3", '.', NumberStatus::OK, 3, 1.2},
        {"-0", '.', NumberStatus::OK, 2, -0.0},
        {"-0.000", '.', NumberStatus::OK, 6, -0.0},
        {"007", '.', NumberStatus::OK, 3, 7.0},
        {"1e5", '.', NumberStatus::OK, 1, 1.0},  // no exponent in a program's numbers
        {"1,5", ',', NumberStatus::OK, 3, 1.5},
        {"1.5", ',', NumberStatus::OK, 1, 1.0},
        {",25", ',', NumberStatus::OK, 3, 0.25},
        // Whatever the configuration names is the separator once, after the sign and digits are taken.
        {"1-5", '-', NumberStatus::OK, 3, 1.5},
        {"--5", '-', NumberStatus::OK, 3, -0.5},
        {"1e5", 'e', NumberStatus::OK, 3, 1.5},
        {"15.5", '5', NumberStatus::OK, 2, 15.0},
        // Past the digits a double holds, and past its range.
        {"9007199254740993", '.', NumberStatus::OK, 16, 9007199254740992.0},
        {"12345678901234567890.5", '.', NumberStatus::OK, 22, 12345678901234567890.5},
        {std::string(400, '9'), '.', NumberStatus::OK, 400, infinity},
        {"0." + std::string(400, '0') + "1", '.', NumberStatus::OK, 403, 0.0},
        {"-0." + std::string(400, '0') + "1", '.', NumberStatus::OK, 404, -0.0},
        {"x1", '.', NumberStatus::BAD_FORMAT, 0, 0.0},
        {"*2", '.', NumberStatus::BAD_FORMAT, 0, 0.0},
        {".", '.', NumberStatus::NO_DIGITS, 1, 0.0},
        {"+", '.', NumberStatus::NO_DIGITS, 1, 0.0},
        {"-x", '.', NumberStatus::NO_DIGITS, 1, 0.0},
        {"", '.', NumberStatus::NO_DIGITS, 0, 0.0},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40) + " with " + c.separator);
        const DecimalNumber number = read_decimal_number(c.text, c.separator);
        EXPECT_EQ(number.status, c.status);
        if (c.status != NumberStatus::OK) continue;
        EXPECT_EQ(number.length, c.length);
        expect_same_double(number.value, c.value, c.text);
    }
}

// Every number of the golden and example programs, read from every place a number could start, with
// either separator: the same double as strtod.
TEST(NumberReader, GivesStrtodsDoubleForEveryNumberOfTheGoldenPrograms) {
    const std::filesystem::path root =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    long compared = 0;
    for (const auto& folder : {root / "tests" / "data", root / "examples"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() != ".ngc") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            for (const char separator : {'.', ','}) {
                std::string program = text.str();
                for (char& c : program) {
                    if (c == '.' || c == ',') c = separator;
                }
                for (std::size_t start = 0; start < program.size(); ++start) {
                    const std::string_view rest = std::string_view(program).substr(start, 300);
                    const DecimalNumber number = read_decimal_number(rest, separator);
                    if (number.status != NumberStatus::OK) continue;
                    const std::string_view taken = rest.substr(0, number.length);
                    expect_same_double(number.value, strtod_of(taken, separator), taken);
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 1000);
}

// Random digit strings of every length up to 26, with and without a separator, leading zeros and a
// sign: the fast conversion and the long one against strtod, around their border at 19 digits and 2^53.
TEST(NumberReader, GivesStrtodsDoubleForRandomDigitStrings) {
    std::mt19937_64 random(18);
    std::uniform_int_distribution<int> digit('0', '9');
    for (int round = 0; round < 200000; ++round) {
        const std::size_t digits = 1 + random() % 26;
        std::string text;
        switch (random() % 3) {
            case 0:
                text += '-';
                break;
            case 1:
                text += '+';
                break;
            default:
                break;
        }
        const std::size_t zeros = random() % 4 == 0 ? random() % 8 : 0;
        text.append(zeros, '0');
        for (std::size_t i = 0; i < digits; ++i)
            text += static_cast<char>(digit(random));
        const std::size_t unsigned_length = text.size() - (text[0] == '+' || text[0] == '-' ? 1 : 0);
        const char separator = random() % 2 == 0 ? '.' : ',';
        if (random() % 4 != 0) text.insert(text.size() - random() % (unsigned_length + 1), 1, separator);
        const DecimalNumber number = read_decimal_number(text, separator);
        ASSERT_EQ(number.status, NumberStatus::OK) << text;
        ASSERT_EQ(number.length, text.size()) << text;
        expect_same_double(number.value, strtod_of(text, separator), text);
    }
}

}  // namespace
}  // namespace zorvan::interp::testing
