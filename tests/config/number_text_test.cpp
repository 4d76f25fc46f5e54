#include "config/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <optional>
#include <string>
#include <tuple>

namespace zorvan::config {
namespace {

TEST(ParseReal, ReadsOnlyWholeNumbersWithTheSeparatorInForce) {
    const std::tuple<const char*, char, double> readable[] = {
        {"12.5", '.', 12.5}, {"12,5", ',', 12.5},   {"-1.25", '.', -1.25}, {"+3", '.', 3.0},
        {".5", '.', 0.5},    {"5.", '.', 5.0},      {"007", '.', 7.0},     {"1E-5", '.', 1e-5},
        {"1e5", '.', 1e5},   {"2,5E3", ',', 2500.0}};
    for (const auto& [text, separator, value] : readable)
        EXPECT_EQ(parse_real(text, separator), value) << text;
    const std::pair<const char*, char> unreadable[] = {
        {"12.5", ','},  {"12,5", '.'}, {"", '.'},     {"-", '.'},    {".", '.'},
        {"1.2.3", '.'}, {" 1", '.'},   {"1 ", '.'},   {"E5", '.'},   {"1E5.0", '.'},
        {"1e", '.'},    {"--1", '.'},  {"0x10", '.'}, {"1,5,0", ','}};
    for (const auto& [text, separator] : unreadable)
        EXPECT_EQ(parse_real(text, separator), std::nullopt)
            << '"' << text << "\" with '" << separator << "'";
}

TEST(ParseReal, DigitsBeyondADoubleGiveInfinityOrZero) {
    EXPECT_EQ(parse_real(std::string(400, '9'), '.'), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_real("0." + std::string(400, '0') + "1", '.'), 0.0);
    EXPECT_EQ(parse_real("1E999", '.'), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parse_real("5E-999", '.'), 0.0);
}

TEST(ParseInt, ReadsDecimalAndHexadecimalWithinThirtyTwoBits) {
    const std::pair<const char*, int> readable[] = {{"42", 42},
                                                    {"-7", -7},
                                                    {"+7", 7},
                                                    {"0x3", 3},
                                                    {"0X1f", 31},
                                                    {"-0x10", -16},
                                                    {"0xFFFFFFFF", -1},
                                                    {"2147483647", 2147483647},
                                                    {"-2147483648", INT_MIN}};
    for (const auto& [text, value] : readable)
        EXPECT_EQ(parse_int(text), value) << text;
    // Beyond 32 bits, blanks, points and a second sign are not numbers.
    const char* unreadable[] = {
        "2147483648", "0x100000000", "99999999999999999999", "", "0x", "-", "12a", " 5", "1.5", "--5",
        "+-5",        "0x-3"};
    for (const char* text : unreadable)
        EXPECT_EQ(parse_int(text), std::nullopt) << '"' << text << '"';
}

TEST(FormatReal, WritesTheShortestGeneralFormThatReadsBack) {
    const std::pair<double, const char*> cases[] = {{25.0, "25"},   {0.5, "0.5"}, {1e-5, "1E-5"},
                                                    {6.35, "6.35"}, {1.5, "1.5"}, {0.25, "0.25"},
                                                    {1e20, "1E20"}, {-2.0, "-2"}, {0.1 + 0.2, "0.3"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(format_real(value, '.'), text) << value;
    EXPECT_EQ(format_real(12.5, ','), "12,5");
    for (const auto& [value, text] : cases)
        EXPECT_EQ(parse_real(format_real(value, ','), ','), std::stod(text)) << text;
}

TEST(FormatReal, ReadsBackWithTheSameSeparator) {
    for (double value : {0.1, 6.35, -1234.5678, 123456789.125}) {
        for (char separator : {'.', ','}) {
            const auto text = format_real(value, separator);
            EXPECT_EQ(parse_real(text, separator), value) << text;
        }
    }
}

}  // namespace
}  // namespace zorvan::config
