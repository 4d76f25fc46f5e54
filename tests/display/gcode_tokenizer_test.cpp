// The editor's G-code tokens: every rule of the character table, the token texts and positions, and the
// attributes each kind is drawn with.
#include "display/gcode_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zorvan::display {
namespace {

using Kind = GCodeTokenKind;
using Tokens = std::vector<std::pair<Kind, std::string>>;

// The tokens before the closing Null token, which is checked to be last and empty.
Tokens Scan(std::string_view line) {
    const std::vector<GCodeToken> tokens = TokenizeLine(line);
    EXPECT_FALSE(tokens.empty());
    EXPECT_EQ(tokens.back().kind, Kind::Null);
    EXPECT_TRUE(tokens.back().text.empty());
    Tokens result;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i)
        result.emplace_back(tokens[i].kind, std::string(tokens[i].text));
    return result;
}

struct LineCase {
    std::string line;
    Tokens expected;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << '"' << c.line << '"';
}

class TokenizeLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(TokenizeLineTest, GivesTheTokensInOrder) {
    EXPECT_EQ(Scan(GetParam().line), GetParam().expected) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TokenizeLineTest,
    ::testing::Values(
        LineCase{"N10 G01 X1.5 F100",
                 {{Kind::LineNo, "N10"},
                  {Kind::Space, " "},
                  {Kind::GCode, "G01"},
                  {Kind::Space, " "},
                  {Kind::Axis, "X"},
                  {Kind::Number, "1.5"},
                  {Kind::Space, " "},
                  {Kind::TSF, "F100"}}},
        LineCase{"G59.1", {{Kind::GCode, "G59"}, {Kind::Number, ".1"}}},
        LineCase{"M3 S1000 (spindle on)",
                 {{Kind::MCode, "M3"},
                  {Kind::Space, " "},
                  {Kind::TSF, "S1000"},
                  {Kind::Space, " "},
                  {Kind::Comment, "(spindle on)"}}},
        LineCase{"X-2", {{Kind::Axis, "X"}, {Kind::Number, "-2"}}},
        LineCase{"E5", {{Kind::Unknown, "E"}, {Kind::Number, "5"}}}, LineCase{"(", {{Kind::Comment, "("}}},
        LineCase{"G", {{Kind::GCode, "G"}}}, LineCase{"GX", {{Kind::GCode, "G"}, {Kind::Axis, "X"}}},
        LineCase{"1..2", {{Kind::Number, "1"}, {Kind::Number, "..2"}}},
        LineCase{"1...2", {{Kind::Number, "1"}, {Kind::Number, "."}, {Kind::Number, "..2"}}},
        LineCase{"..", {{Kind::Number, ".."}}}, LineCase{"...", {{Kind::Number, "."}, {Kind::Number, ".."}}},
        LineCase{"1.", {{Kind::Number, "1."}}}, LineCase{"+-1.2-3", {{Kind::Number, "+-1.2-3"}}},
        LineCase{"", {}},
        // Lower case letters select the same rules.
        LineCase{"n5g1x2m30f7",
                 {{Kind::LineNo, "n5"},
                  {Kind::GCode, "g1"},
                  {Kind::Axis, "x"},
                  {Kind::Number, "2"},
                  {Kind::MCode, "m30"},
                  {Kind::TSF, "f7"}}},
        // Codes take digits only; TSF words also take points and commas; signs belong to numbers.
        LineCase{"G1.5", {{Kind::GCode, "G1"}, {Kind::Number, ".5"}}},
        LineCase{"F1,5.2-3", {{Kind::TSF, "F1,5.2"}, {Kind::Number, "-3"}}},
        LineCase{"T-1", {{Kind::TSF, "T"}, {Kind::Number, "-1"}}},
        LineCase{"N1,2", {{Kind::LineNo, "N1"}, {Kind::Unknown, ","}, {Kind::Number, "2"}}},
        // Comments run to the end of the line, closing parenthesis or not.
        LineCase{"G0 (a) X1", {{Kind::GCode, "G0"}, {Kind::Space, " "}, {Kind::Comment, "(a) X1"}}},
        LineCase{"/G0 X1", {{Kind::Comment, "/G0 X1"}}},
        LineCase{"X1*2", {{Kind::Axis, "X"}, {Kind::Number, "1"}, {Kind::Comment, "*2"}}},
        // Blanks and control characters form one run; line breaks are tokens of their own.
        LineCase{" \t\x01 G0", {{Kind::Space, " \t\x01 "}, {Kind::GCode, "G0"}}},
        LineCase{"G0\r\nG1", {{Kind::GCode, "G0"}, {Kind::Space, "\r\n"}, {Kind::GCode, "G1"}}},
        LineCase{"\r\r", {{Kind::Space, "\r"}, {Kind::Space, "\r"}}},
        LineCase{"\n\n", {{Kind::Space, "\n"}, {Kind::Space, "\n"}}},
        LineCase{" \n ", {{Kind::Space, " "}, {Kind::Space, "\n"}, {Kind::Space, " "}}},
        LineCase{"(a\nG1", {{Kind::Comment, "(a"}, {Kind::Space, "\n"}, {Kind::GCode, "G1"}}},
        LineCase{"%O1;",
                 {{Kind::Unknown, "%"}, {Kind::Unknown, "O"}, {Kind::Number, "1"}, {Kind::Unknown, ";"}}},
        LineCase{"\xE9\xFF", {{Kind::Unknown, "\xE9"}, {Kind::Unknown, "\xFF"}}},
        // A character 0 ends the line.
        LineCase{std::string("G1\0X2", 5), {{Kind::GCode, "G1"}}}));

// What each of the 256 characters starts, alone on a line.
Kind ExpectedKindOf(int c) {
    if (c == 0) return Kind::Null;
    if (c <= 32) return Kind::Space;
    if (c == '(' || c == '*' || c == '/') return Kind::Comment;
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') return Kind::Number;
    if (c >= 128) return Kind::Unknown;
    switch (std::toupper(c)) {
        case 'A':
        case 'B':
        case 'C':
        case 'D':
        case 'H':
        case 'I':
        case 'J':
        case 'K':
        case 'P':
        case 'Q':
        case 'R':
        case 'W':
        case 'X':
        case 'Y':
        case 'Z':
            return Kind::Axis;
        case 'G':
            return Kind::GCode;
        case 'N':
            return Kind::LineNo;
        case 'M':
            return Kind::MCode;
        case 'F':
        case 'S':
        case 'T':
            return Kind::TSF;
        default:
            return Kind::Unknown;
    }
}

TEST(GCodeTokenizerTest, EveryCharacterSelectsItsRule) {
    for (int c = 0; c < 256; ++c) {
        const char text[1] = {static_cast<char>(c)};
        const auto tokens = TokenizeLine(std::string_view(text, 1));
        const Kind expected = ExpectedKindOf(c);
        ASSERT_FALSE(tokens.empty());
        EXPECT_EQ(tokens.front().kind, expected) << "character " << c;
        if (expected != Kind::Null) {
            ASSERT_EQ(tokens.size(), 2u) << "character " << c;
            EXPECT_EQ(tokens.front().text.size(), 1u) << "character " << c;
        }
    }
}

TEST(GCodeTokenizerTest, TokensCoverTheLineWithoutGapsAndReportPositions) {
    const std::string line = "N20 g2 X-1.25 y+3 I0.5 J0 (arc) ";
    std::size_t expected_position = 0;
    for (const GCodeToken& token : TokenizeLine(line)) {
        EXPECT_EQ(token.position, expected_position);
        EXPECT_EQ(token.text, std::string_view(line).substr(token.position, token.text.size()));
        expected_position += token.text.size();
    }
    EXPECT_EQ(expected_position, line.size());
}

TEST(GCodeTokenizerTest, NullRepeatsAtTheEndAndSetLineStartsAgain) {
    TSynGCodeSyn scanner;
    scanner.SetLine("G0", 7);
    EXPECT_EQ(scanner.GetLineNumber(), 7);
    scanner.Next();
    EXPECT_FALSE(scanner.GetEol());
    EXPECT_EQ(scanner.GetToken(), "G0");
    scanner.Next();
    EXPECT_TRUE(scanner.GetEol());
    EXPECT_EQ(scanner.GetTokenPos(), 2u);
    scanner.Next();
    EXPECT_TRUE(scanner.GetEol());
    EXPECT_EQ(scanner.GetTokenPos(), 2u);
    EXPECT_EQ(scanner.GetTokenAttribute(), nullptr);

    // Nothing of the previous line carries over, not even an open comment.
    scanner.SetLine("(open", 8);
    scanner.Next();
    EXPECT_EQ(scanner.GetTokenKind(), Kind::Comment);
    scanner.SetLine("X1", 9);
    scanner.Next();
    EXPECT_EQ(scanner.GetTokenKind(), Kind::Axis);
    EXPECT_EQ(scanner.GetTokenPos(), 0u);
}

TEST(GCodeTokenizerTest, KindsHaveTheirValues) {
    EXPECT_EQ(static_cast<int>(Kind::Axis), 0);
    EXPECT_EQ(static_cast<int>(Kind::Comment), 1);
    EXPECT_EQ(static_cast<int>(Kind::GCode), 2);
    EXPECT_EQ(static_cast<int>(Kind::LineNo), 3);
    EXPECT_EQ(static_cast<int>(Kind::MCode), 4);
    EXPECT_EQ(static_cast<int>(Kind::Null), 5);
    EXPECT_EQ(static_cast<int>(Kind::Number), 6);
    EXPECT_EQ(static_cast<int>(Kind::Space), 7);
    EXPECT_EQ(static_cast<int>(Kind::TSF), 8);
    EXPECT_EQ(static_cast<int>(Kind::Unknown), 9);
}

struct AttributeCase {
    Kind kind;
    const char* name;
    std::int32_t foreground;
    bool bold;
    bool italic;
};

class TokenAttributeTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(TokenAttributeTest, KindIsDrawnWithItsAttribute) {
    const AttributeCase& c = GetParam();
    TSynGCodeSyn scanner;
    const TokenAttribute* attribute = scanner.AttributeOf(c.kind);
    ASSERT_NE(attribute, nullptr);
    EXPECT_EQ(attribute->Name, c.name);
    EXPECT_EQ(attribute->Foreground, c.foreground);
    EXPECT_EQ(attribute->Background, EDITOR_DEFAULT_COLOUR);
    EXPECT_EQ(attribute->Bold, c.bold);
    EXPECT_EQ(attribute->Italic, c.italic);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TokenAttributeTest,
    ::testing::Values(AttributeCase{Kind::Comment, "Comment", 0xFF0000, false, true},
                      AttributeCase{Kind::Axis, "Axis", EDITOR_DEFAULT_COLOUR, true, false},
                      AttributeCase{Kind::GCode, "GCode", 0xFF0000, true, false},
                      AttributeCase{Kind::MCode, "MCode", 0x0000FF, true, false},
                      AttributeCase{Kind::LineNo, "LineNo", 0x808000, true, false},
                      AttributeCase{Kind::TSF, "TSF", 0x808000, true, false},
                      AttributeCase{Kind::Number, "Number", EDITOR_DEFAULT_COLOUR, false, false},
                      AttributeCase{Kind::Space, "Space", EDITOR_DEFAULT_COLOUR, false, false},
                      AttributeCase{Kind::Unknown, "Space", EDITOR_DEFAULT_COLOUR, false, false}));

TEST(GCodeTokenizerTest, TheOwnersChangeOfAnAttributeIsWhatTheTokenGets) {
    TSynGCodeSyn scanner;
    scanner.MCodeAttri.Foreground = 0x00FF00;
    scanner.SetLine("M5", 0);
    scanner.Next();
    ASSERT_EQ(scanner.GetTokenAttribute(), &scanner.MCodeAttri);
    EXPECT_EQ(scanner.GetTokenAttribute()->Foreground, 0x00FF00);
}

TEST(GCodeTokenizerTest, DefaultAttributesByRole) {
    TSynGCodeSyn scanner;
    EXPECT_EQ(scanner.GetDefaultAttribute(AttributeRole::Comment), &scanner.CommentAttri);
    EXPECT_EQ(scanner.GetDefaultAttribute(AttributeRole::Identifier), &scanner.GCodeAttri);
    EXPECT_EQ(scanner.GetDefaultAttribute(AttributeRole::Keyword), &scanner.MCodeAttri);
    EXPECT_EQ(scanner.GetDefaultAttribute(AttributeRole::WhiteSpace), &scanner.SpaceAttri);
    EXPECT_EQ(scanner.GetDefaultAttribute(AttributeRole::String), nullptr);
    EXPECT_EQ(scanner.GetDefaultAttribute(AttributeRole::Symbol), nullptr);
}

TEST(GCodeTokenizerTest, LanguageFilterAndIdentifierCharacters) {
    EXPECT_EQ(TSynGCodeSyn::LanguageName, "GCode");
    EXPECT_EQ(TSynGCodeSyn::DefaultFilter, "Machine Code files (*.dnc,*.nc,*.cnc)|*.DNC;*.NC;*.CNC");
    EXPECT_TRUE(TSynGCodeSyn::IsIdentChar('_'));
    EXPECT_TRUE(TSynGCodeSyn::IsIdentChar('z'));
    EXPECT_TRUE(TSynGCodeSyn::IsIdentChar('7'));
    EXPECT_FALSE(TSynGCodeSyn::IsIdentChar('.'));
    EXPECT_FALSE(TSynGCodeSyn::IsIdentChar(' '));
}

}  // namespace
}  // namespace zorvan::display
