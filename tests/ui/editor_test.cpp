// The program editor: the G-code styles QScintilla draws with, the byte-level lines run control reads,
// loading, the marking of the running line and the editor's set-up.
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

#include <map>
#include <string>
#include <vector>

#include "ui/editor_setup.h"
#include "ui/gcode_lexer.h"

namespace zorvan::ui {
namespace {

using display::GCodeTokenKind;
using Lines = std::vector<std::string>;

// One letter per byte: the kind whose style the byte has.
const std::map<char, GCodeTokenKind> KINDS = {
    {'A', GCodeTokenKind::Axis},   {'C', GCodeTokenKind::Comment}, {'G', GCodeTokenKind::GCode},
    {'L', GCodeTokenKind::LineNo}, {'M', GCodeTokenKind::MCode},   {'N', GCodeTokenKind::Number},
    {' ', GCodeTokenKind::Space},  {'T', GCodeTokenKind::TSF},     {'?', GCodeTokenKind::Unknown},
};

std::string StyleLetters(QsciScintilla& editor) {
    Send(editor, QsciScintillaBase::SCI_COLOURISE, 0, -1);
    std::string letters;
    const long length = Send(editor, QsciScintillaBase::SCI_GETLENGTH);
    for (long i = 0; i < length; ++i) {
        const long style = Send(editor, QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(i));
        char letter = '!';
        for (const auto& [l, kind] : KINDS)
            if (GCodeLexer::StyleOf(kind) == style) letter = l;
        letters.push_back(letter);
    }
    return letters;
}

struct StyledText {
    std::string text;
    std::string styles;
};

void PrintTo(const StyledText& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class LexerStyleTest : public ::testing::TestWithParam<StyledText> {};

TEST_P(LexerStyleTest, EveryByteHasItsTokensStyle) {
    QsciScintilla editor;
    editor.setLexer(new GCodeLexer(&editor));
    ASSERT_TRUE(LoadEditorText(editor, GetParam().text));
    EXPECT_EQ(StyleLetters(editor), GetParam().styles);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LexerStyleTest,
    ::testing::Values(StyledText{"N10 G01 X1.5 F100", "LLL GGG ANNN TTTT"}, StyledText{"G59.1", "GGGNN"},
                      StyledText{"M3 S1000 (spindle on)", "MM TTTTT CCCCCCCCCCCC"}, StyledText{"X-2", "ANN"},
                      StyledText{"E5", "?N"}, StyledText{"(", "C"}, StyledText{"1..2", "NNNN"},
                      StyledText{"g1 x2", "GG AN"},
                      // Both bytes of each "é" are styled; a comment runs to the end of the line.
                      StyledText{"Xé (é)", "A?? CCCC"}, StyledText{"G1\r\nM3\n(c\r\nX", "GG  MM CC  A"},
                      StyledText{"(a\rG1", "CC GG"}, StyledText{std::string("G1\0X", 4), "GG  "}));

// Typing in the middle of a styled text restyles from the changed line onwards only as far as needed, and
// the line after it keeps its styles.
TEST(GCodeLexer, RestylesAfterAnEdit) {
    QsciScintilla editor;
    editor.setLexer(new GCodeLexer(&editor));
    LoadEditorText(editor, "G1 X2\nM3\n(end)");
    ASSERT_EQ(StyleLetters(editor), "GG AN MM CCCCC");
    editor.insertAt("N5 ", 1, 0);
    EXPECT_EQ(StyleLetters(editor), "GG AN LL MM CCCCC");
    editor.insertAt("(", 0, 2);
    EXPECT_EQ(StyleLetters(editor), "GGCCCC LL MM CCCCC");
}

TEST(GCodeLexer, DescribesItsStylesByTheAttributeNames) {
    GCodeLexer lexer;
    EXPECT_STREQ(lexer.language(), "GCode");
    const std::vector<QString> names = {"Axis", "Comment", "GCode", "LineNo", "MCode",
                                        "Null", "Number",  "Space", "TSF",    "Unknown"};
    for (int style = 0; style < static_cast<int>(names.size()); ++style)
        EXPECT_EQ(lexer.description(style), names[style]) << style;
    EXPECT_TRUE(lexer.description(10).isEmpty());
}

struct StyleLook {
    GCodeTokenKind kind;
    QColor colour;  // invalid: the lexer's default colour
    bool bold;
    bool italic;
};

TEST(GCodeLexer, StylesLookAsTheirAttributesSay) {
    QsciScintilla editor;
    auto* lexer = new GCodeLexer(&editor);
    editor.setLexer(lexer);
    const QColor teal(0, 0x80, 0x80);
    const std::vector<StyleLook> looks = {
        {GCodeTokenKind::Comment, Qt::blue, false, true}, {GCodeTokenKind::Axis, {}, true, false},
        {GCodeTokenKind::GCode, Qt::blue, true, false},   {GCodeTokenKind::MCode, Qt::red, true, false},
        {GCodeTokenKind::LineNo, teal, true, false},      {GCodeTokenKind::TSF, teal, true, false},
        {GCodeTokenKind::Number, {}, false, false},       {GCodeTokenKind::Space, {}, false, false},
        {GCodeTokenKind::Unknown, {}, false, false},
    };
    for (const StyleLook& look : looks) {
        const int style = GCodeLexer::StyleOf(look.kind);
        const QColor colour = look.colour.isValid() ? look.colour : lexer->defaultColor();
        SCOPED_TRACE(lexer->description(style).toStdString());
        EXPECT_EQ(lexer->color(style), colour);
        EXPECT_EQ(lexer->paper(style), lexer->defaultPaper());
        EXPECT_EQ(lexer->font(style).bold(), look.bold);
        EXPECT_EQ(lexer->font(style).italic(), look.italic);
        // What the editor draws with, in Scintilla's blue-green-red order.
        const long bgr = colour.red() | (colour.green() << 8) | (colour.blue() << 16);
        EXPECT_EQ(Send(editor, QsciScintillaBase::SCI_STYLEGETFORE, style), bgr);
        EXPECT_EQ(Send(editor, QsciScintillaBase::SCI_STYLEGETITALIC, style) != 0, look.italic);
    }
}

std::string StyleFontFamily(QsciScintilla& editor, int style) {
    char family[256] = {};
    editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, static_cast<unsigned long>(style),
                         static_cast<void*>(family));
    return family;
}

// Whether the lexer is attached before or after the set-up, every style draws with the editor's face at
// 17 pixels.
TEST(SetUpEditor, EveryStyleUsesTheEditorFont) {
    const QString expected_family = QFontDatabase::hasFamily("Courier New")
                                        ? QString("Courier New")
                                        : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    for (const bool lexer_first : {true, false}) {
        SCOPED_TRACE(lexer_first ? "lexer first" : "set-up first");
        QsciScintilla editor;
        if (lexer_first) editor.setLexer(new GCodeLexer(&editor));
        SetUpEditor(editor);
        if (!lexer_first) editor.setLexer(new GCodeLexer(&editor));
        EXPECT_EQ(editor.font().family(), expected_family);
        EXPECT_EQ(QFontInfo(editor.font()).pixelSize(), 17);
        for (int style = 0; style < 10; ++style) {
            EXPECT_EQ(StyleFontFamily(editor, style), expected_family.toStdString()) << style;
            const double points = Send(editor, QsciScintillaBase::SCI_STYLEGETSIZEFRACTIONAL, style) / 100.0;
            EXPECT_NEAR(points * editor.logicalDpiY() / 72.0, 17.0, 0.05) << style;
        }
    }
}

TEST(SetUpEditor, LineNumberMarginGrowsWithTheLineCount) {
    QsciScintilla editor;
    SetUpEditor(editor);
    LoadEditorText(editor, "G1\nG2\nG3");
    const int narrow = editor.marginWidth(0);
    EXPECT_GT(narrow, 0);
    LoadEditorText(editor, std::string(123456, '\n'));
    const int wide = editor.marginWidth(0);
    EXPECT_GT(wide, narrow);
    LoadEditorText(editor, "G1");
    EXPECT_EQ(editor.marginWidth(0), narrow);
}

struct EnterCase {
    std::string text;
    int caret_line;
    int caret_index;
    Lines expected;
};

void PrintTo(const EnterCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" at " << c.caret_line << ':' << c.caret_index;
}

class TrailingBlanksTest : public ::testing::TestWithParam<EnterCase> {};

TEST_P(TrailingBlanksTest, EnterTrimsTheLineItLeaves) {
    QsciScintilla editor;
    SetUpEditor(editor);
    LoadEditorText(editor, GetParam().text);
    editor.setCursorPosition(GetParam().caret_line, GetParam().caret_index);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(EditorText(editor).ToVector(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TrailingBlanksTest,
    ::testing::Values(EnterCase{"G1 X1  \t ", 0, 9, {"G1 X1"}},
                      // Splitting a line: the blanks before the caret go, the rest moves down.
                      EnterCase{"G1  X2", 0, 4, {"G1", "X2"}},
                      // The new line is indented like the old one before its blanks are trimmed.
                      EnterCase{"  G1  ", 0, 6, {"  G1", "  "}},
                      // Only the line left behind is trimmed.
                      EnterCase{"G0  \nG1  ", 1, 4, {"G0  ", "G1"}}));

struct LinesCase {
    std::string text;
    Lines expected;
};

void PrintTo(const LinesCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class EditorLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(EditorLinesTest, GivesOneStringPerProgramLine) {
    QsciScintilla editor;
    ASSERT_TRUE(LoadEditorText(editor, GetParam().text));
    const Lines lines = EditorText(editor).ToVector();
    EXPECT_EQ(lines, GetParam().expected);
    EXPECT_EQ(static_cast<int>(lines.size()), ProgramLineCount(editor));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EditorLinesTest,
    ::testing::Values(LinesCase{"", {}}, LinesCase{"G1", {"G1"}}, LinesCase{"G1\nG2", {"G1", "G2"}},
                      LinesCase{"G1\r\nG2\r\n", {"G1", "G2"}}, LinesCase{"\n", {""}},
                      LinesCase{"\n\n", {"", ""}}, LinesCase{"a\rb\r\n\rc", {"a", "b", "", "c"}},
                      LinesCase{"a\r", {"a"}}, LinesCase{"(\xC3\xA9)\r\n", {"(\xC3\xA9)"}},
                      LinesCase{std::string("G1\0X\n", 5), {std::string("G1\0X", 4)}}));

// A load is a fresh start: no undo, not modified, caret at the top, and nothing styled before it is seen.
TEST(LoadEditorText, ReplacesTheTextWithoutHistoryOrStyling) {
    QsciScintilla editor;
    editor.setLexer(new GCodeLexer(&editor));
    editor.setText("old text");
    editor.setReadOnly(true);
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += "N" + std::to_string(i) + " G01 X1.5 Y-2 F100\n";
    ASSERT_TRUE(LoadEditorText(editor, text));
    EXPECT_EQ(editor.lines(), 50001);
    EXPECT_EQ(EditorText(editor).ToVector().size(), 50000u);
    EXPECT_EQ(editor.text().toStdString(), text);
    EXPECT_FALSE(editor.isUndoAvailable());
    EXPECT_FALSE(editor.isModified());
    EXPECT_TRUE(editor.isReadOnly());
    EXPECT_EQ(CaretLine(editor), 1);
    EXPECT_EQ(Send(editor, QsciScintillaBase::SCI_GETENDSTYLED), 0);
}

class HighlightLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        editor.resize(400, 200);
        std::string text;
        for (int i = 1; i <= LINE_COUNT; ++i)
            text += "L" + std::to_string(i) + (i < LINE_COUNT ? "\r\n" : "");
        LoadEditorText(editor, text);
    }
    static constexpr int LINE_COUNT = 100;
    QsciScintilla editor;
};

TEST_F(HighlightLineTest, SelectsLineNWithItsBreakAtTheTop) {
    // Scintilla does not scroll past the last line, so the top stops short near the end.
    const int last_top = LINE_COUNT - static_cast<int>(Send(editor, QsciScintillaBase::SCI_LINESONSCREEN));
    for (const int n : {5, 1, 42, LINE_COUNT - 1}) {
        HighlightLine(editor, n);
        EXPECT_EQ(editor.selectedText().toStdString(), "L" + std::to_string(n) + "\r\n") << n;
        EXPECT_EQ(editor.firstVisibleLine(), std::min(std::max(n - 2, 0), last_top)) << n;
        EXPECT_EQ(CaretLine(editor), n + 1) << n;
    }
}

// Numbers from the last line on, and negative ones, change nothing; 0 goes back to the top.
TEST_F(HighlightLineTest, OutsideTheLinesAndZero) {
    HighlightLine(editor, 30);
    for (const int n : {-1, LINE_COUNT, LINE_COUNT + 1}) {
        HighlightLine(editor, n);
        EXPECT_EQ(editor.selectedText().toStdString(), "L30\r\n") << n;
        EXPECT_EQ(editor.firstVisibleLine(), 28) << n;
    }
    HighlightLine(editor, 0);
    EXPECT_FALSE(editor.hasSelectedText());
    EXPECT_EQ(editor.firstVisibleLine(), 0);
    EXPECT_EQ(CaretLine(editor), 1);
}

}  // namespace
}  // namespace zorvan::ui
