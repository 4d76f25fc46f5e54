// The editor's commands: search and replace with the dialog's options, the ReNumber dialog's three
// buttons and its digit-only fields, and the font the operator chooses.
#include <gtest/gtest.h>

#include <Qsci/qsciscintilla.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "ui/editor_search.h"
#include "ui/editor_setup.h"
#include "ui/font_dialog.h"
#include "ui/gcode_lexer.h"
#include "ui/main_window_fixture.h"
#include "ui/renumber_dialog.h"
#include "ui/replace_dialog.h"

namespace zorvan::ui {
namespace {

std::string Content(QsciScintilla& editor) {
    return editor.text().toStdString();
}

// Selection as [start, end) in bytes; a caret alone gives start == end.
std::pair<long, long> Selection(QsciScintilla& editor) {
    return {Send(editor, QsciScintillaBase::SCI_GETSELECTIONSTART),
            Send(editor, QsciScintillaBase::SCI_GETSELECTIONEND)};
}

struct SearchCase {
    const char* name;
    std::string text;
    long caret;
    QString find;
    QString replace;
    ReplaceDialogFlags flags;  // find_next, replace, replace_all, match_case, whole_word
    bool replace_event;
    int found;
    std::string result;
    std::pair<long, long> selection;
};

// Each of the dialog's buttons and options, as the dialog reports them, on a small program.
TEST(SearchReplace, TheDialogsOptionsChooseWhatIsFoundAndReplaced) {
    const std::string program = "G1 X1\ng1 x10\nG1 X1\n";
    const std::vector<SearchCase> cases = {
        {"find next from the caret", program, 4, "x1", "", {true}, false, 1, program, {9, 11}},
        {"find next wraps nowhere", program, 17, "X1", "", {true}, false, 0, program, {17, 17}},
        {"match case", program, 0, "g1", "", {true, false, false, true}, false, 1, program, {6, 8}},
        {"whole word", program, 4, "x1", "", {true, false, false, false, true}, false, 1, program, {16, 18}},
        {"the whole text when not find next", program, 17, "G1", "", {false}, false, 1, program, {0, 2}},
        {"replace takes the first match from the start",
         program,
         17,
         "X1",
         "Y2",
         {false, true},
         true,
         1,
         "G1 Y2\ng1 x10\nG1 X1\n",
         {5, 5}},
        {"replace all, any case",
         program,
         17,
         "x1",
         "Y",
         {false, false, true},
         true,
         3,
         "G1 Y\ng1 Y0\nG1 Y\n",
         {15, 15}},
        {"replace all, whole words in case",
         program,
         0,
         "X1",
         "Y",
         {false, false, true, true, true},
         true,
         2,
         "G1 Y\ng1 x10\nG1 Y\n",
         {16, 16}},
        {"a replacement holding the find text",
         "X X",
         0,
         "X",
         "XX",
         {false, false, true},
         true,
         2,
         "XX XX",
         {5, 5}},
        {"replace all finding nothing", program, 3, "Z", "Y", {false, false, true}, true, 0, program, {3, 3}},
        {"an empty find text", program, 3, "", "Y", {true}, false, 0, program, {3, 3}},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        QsciScintilla editor;
        LoadEditorText(editor, c.text);
        Send(editor, QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(c.caret));
        EXPECT_EQ(SearchReplace(editor, c.find, c.replace, OptionsFromDialog(c.flags, c.replace_event)),
                  c.found);
        EXPECT_EQ(Content(editor), c.result);
        EXPECT_EQ(Selection(editor), c.selection);
    }
}

class EditorCommands : public MainWindow {
  protected:
    void SetUp() override {
        Start(false);
        messages.clear();
        LoadProgram("G0 X10\nG1 X20 F100\ng1 x30\n");
        dialog = window->ReplaceDialog();
    }
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    TReplaceDialog* dialog = nullptr;
};

// The dialog driven by its buttons: Find Next walks on from the match, Replace starts again from the top,
// and a search that finds nothing sounds and leaves the caret at the end of the selection.
TEST_F(EditorCommands, TheFindAndReplaceDialogSearchesTheEditor) {
    QsciScintilla& editor = *window->Editor();
    editor.setCursorPosition(0, 0);
    window->Search1Click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_FALSE(dialog->btnFindNext->isEnabled());
    dialog->txtFind->setText("x");
    dialog->chkMatchCase->setChecked(true);
    Click(dialog->btnFindNext);
    EXPECT_EQ(editor.selectedText(), "x");
    EXPECT_EQ(Selection(editor), (std::pair<long, long>{22, 23}));
    EXPECT_EQ(beeps, 0);
    Click(dialog->btnFindNext);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(Selection(editor), (std::pair<long, long>{23, 23}));

    dialog->chkMatchCase->setChecked(false);
    dialog->txtReplace->setText("Y");
    Click(dialog->btnReplace);
    EXPECT_EQ(Content(editor), "G0 Y10\nG1 X20 F100\ng1 x30\n");
    Click(dialog->btnReplace);
    EXPECT_EQ(Content(editor), "G0 Y10\nG1 Y20 F100\ng1 x30\n");
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(messages.empty());
}

// However many matches, Replace All is one step back for Undo.
TEST_F(EditorCommands, ReplaceAllIsOneUndoStep) {
    QsciScintilla& editor = *window->Editor();
    const std::string before = Content(editor);
    window->Search1Click();
    dialog->txtFind->setText("X");
    dialog->txtReplace->setText("Y");
    Click(dialog->btnReplaceAll);
    EXPECT_EQ(Content(editor), "G0 Y10\nG1 Y20 F100\ng1 Y30\n");
    EXPECT_TRUE(editor.isModified());
    window->Undo1Click();
    EXPECT_EQ(Content(editor), before);
    EXPECT_FALSE(editor.isModified());
    EXPECT_EQ(beeps, 0);
}

struct ReNumberCase {
    const char* name;
    void (TfrmReNumber::*button)();
    QString start;
    QString increment;
    bool space;
    std::string text;
    std::string result;
    std::string message;  // of a field that is not a number
};

TEST(TfrmReNumber, RemoveAddAndReNumberTheEditorsLines) {
    const std::string plain = "G0 X0\n(comment)\n\nG1 X1\n%\n";
    const std::vector<ReNumberCase> cases = {
        {"add", &TfrmReNumber::btnAddClick, "100", "5", true, plain,
         "N100 G0 X0\n(comment)\n\nN105 G1 X1\nN110 %\n", ""},
        {"remove", &TfrmReNumber::btnRemoveClick, "", "", true,
         "N100 G0 X0\nN1.5 M3\nn10 G0\nN10\n N10 G0\nN20 (x)\n", "G0 X0\nM3\nn10 G0\nN10\n N10 G0\n(x)\n",
         ""},
        {"renumber", &TfrmReNumber::btnReNumberClick, "1", "1", true, "N10 G0\nN20 G1\r\nN30 M2",
         "N1 G0\nN2 G1\r\nN3 M2", ""},
        // A pasted text that is not a number: Add changes nothing, ReNumber has removed the numbers.
        {"add from an empty start", &TfrmReNumber::btnAddClick, "", "5", true, "N10 G0\n", "N10 G0\n",
         "'' is not a valid integer value"},
        {"renumber by a pasted increment", &TfrmReNumber::btnReNumberClick, "1", "1x", true, "N10 G0\n",
         "G0\n", "'1x' is not a valid integer value"},
    };
    for (const ReNumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        QsciScintilla editor;
        LoadEditorText(editor, c.text);
        TfrmReNumber dialog;
        std::string message;
        dialog.Editor = &editor;
        dialog.OnError = [&](const QString& text) { message = text.toStdString(); };
        dialog.Edit1->setText(c.start);
        dialog.Edit2->setText(c.increment);
        dialog.chkAdd->setChecked(c.space);
        (dialog.*c.button)();
        EXPECT_EQ(Content(editor), c.result);
        EXPECT_EQ(message, c.message);
        EXPECT_TRUE(editor.updatesEnabled());
        // One step back restores the program, whatever the button changed.
        editor.undo();
        EXPECT_EQ(Content(editor), c.text);
    }
}

TEST(TfrmReNumber, FieldsTakeOnlyDigitsAndBackspaceFromTheKeyboard) {
    TfrmReNumber dialog;
    EXPECT_EQ(dialog.windowTitle(), "ReNumber");
    EXPECT_EQ(dialog.Edit1->text(), "100");
    EXPECT_EQ(dialog.Edit2->text(), "5");
    EXPECT_TRUE(dialog.chkAdd->isChecked());
    for (TDigitEdit* edit : {dialog.Edit1, dialog.Edit2}) {
        edit->clear();
        QTest::keyClicks(edit, "1a2.-+ 3");
        QKeyEvent other_digit(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("٣"));
        QApplication::sendEvent(edit, &other_digit);
        EXPECT_EQ(edit->text(), "123");
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Delete);
        EXPECT_EQ(edit->text(), "2");
        // Ctrl+V types a control character and is dropped like the others; the menu's paste is not.
        QApplication::clipboard()->setText("7z");
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "2");
        edit->paste();
        EXPECT_EQ(edit->text(), "7z2");
    }
}

std::string StyleFontFamily(QsciScintilla& editor, int style) {
    char family[256] = {};
    editor.SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, static_cast<unsigned long>(style),
                         static_cast<void*>(family));
    return family;
}

// The dialog offers the fixed-pitch faces only: a proportional face of the desktop is not among them.
TEST(TFontDialog, OffersFixedPitchFacesOnly) {
    const QStringList families = TFontDialog::FixedPitchFamilies();
    ASSERT_FALSE(families.isEmpty());
    for (const QString& family : families) {
        const QFontMetrics metrics{QFont(family, 12)};
        EXPECT_EQ(metrics.horizontalAdvance('i'), metrics.horizontalAdvance('W')) << family.toStdString();
    }
    for (const char* proportional : {"DejaVu Sans", "DejaVu Serif", "Nimbus Sans"})
        EXPECT_FALSE(families.contains(proportional)) << proportional;
}

// The chosen font draws every style, with and without the colouring, and is there at the next start.
TEST_F(MainWindow, TheChosenFontIsUsedAndKeptForTheNextStart) {
    QSettings("ZorvanNC", "ZorvanNC").clear();
    Start(false);
    // Another face than the editor's, where the desktop has one, and another size, so the choice shows.
    const QStringList families = TFontDialog::FixedPitchFamilies();
    QString chosen = families.front();
    for (const QString& family : families)
        if (family != window->Editor()->font().family()) chosen = family;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->lstFamily->setCurrentItem(dialog->lstFamily->findItems(chosen, Qt::MatchExactly).front());
        dialog->txtSize->setValue(15);
        dialog->chkUnderline->setChecked(true);
        dialog->accept();
    });
    window->Font1Click();
    const int gcode = GCodeLexer::StyleOf(display::GCodeTokenKind::GCode);
    const auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        QsciScintilla& editor = *window->Editor();
        EXPECT_EQ(editor.font().family(), chosen);
        EXPECT_EQ(editor.font().pointSize(), 15);
        EXPECT_EQ(StyleFontFamily(editor, gcode), chosen.toStdString());
        EXPECT_NE(Send(editor, QsciScintillaBase::SCI_STYLEGETUNDERLINE, gcode), 0);
    };
    check("chosen");
    window->EditorMenu()->findChild<QAction*>("SyntaxColored1")->trigger();  // colouring off
    EXPECT_EQ(StyleFontFamily(*window->Editor(), 0), chosen.toStdString());
    Start(false);
    check("next start");
    QSettings("ZorvanNC", "ZorvanNC").clear();
}

}  // namespace
}  // namespace zorvan::ui
