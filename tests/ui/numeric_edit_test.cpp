// The dialogs' numeric fields, driven with synthesized keys and focus changes: what typing, pasting and
// cutting may leave in them, and what leaving them does to the value.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "ui/numeric_edit.h"

namespace zorvan::ui {
namespace {

bool IsRed(const TCommonEdit& edit) {
    return edit.palette().color(QPalette::Text) == QColor(Qt::red);
}

struct TypingCase {
    bool real;
    char separator;
    QString start;  // the text before, the caret at its end
    QString keys;
    QString result;
};

// Each key is kept only when the text it leaves can still become a number.
TEST(NumericEdit, TypingKeepsOnlyWhatCanBecomeANumber) {
    const std::vector<TypingCase> cases = {
        {false, '.', "", "12a3", "123"},
        {false, '.', "", "--5", "-5"},
        {false, '.', "", "5-", "5"},
        {false, '.', "", "+7", "+7"},
        {false, '.', "", "1.5e", "15"},
        {false, '.', "", " 4", "4"},
        {false, '.', "", "99999999999", "999999999"},  // a tenth digit would not fit 32 bits
        {true, '.', "", "1x.5", "1.5"},
        {true, '.', "", "-1-", "-1"},
        {true, '.', "", "1e5", "1E5"},
        {true, '.', "", "1.2.3", "1.23"},
        {true, '.', "", ".5", ".5"},
        {true, '.', "", "2E-3", "2E-3"},
        {true, '.', "", "1,5", "15"},
        {true, ',', "", "1,5", "1,5"},
        {true, ',', "", "1.5", "15"},
        {true, '.', "", "12ab", "12"},
        {true, '.', "", "E5", "5"},
        {true, '.', "-", "-", "-"},
    };
    for (const TypingCase& c : cases) {
        SCOPED_TRACE((c.start + " + " + c.keys).toStdString());
        TIntegerEdit integer;
        TRealEdit real;
        TCommonEdit& edit = c.real ? static_cast<TCommonEdit&>(real) : integer;
        edit.SetDecimalSeparator(c.separator);
        edit.setText(c.start);
        edit.end(false);
        QTest::keyClicks(&edit, c.keys);
        EXPECT_EQ(edit.text(), c.result);
    }
}

TEST(NumericEdit, BackspaceAndDeleteOnlyWhenTheRestIsANumber) {
    TRealEdit edit;
    edit.setText("1E5");
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_Backspace);  // "E5" is no number
    EXPECT_EQ(edit.text(), "1E5");
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "1E");  // still the beginning of one
    edit.setText("-5");
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), "");
}

TEST(NumericEdit, ClipboardRules) {
    TIntegerEdit edit;
    std::vector<std::string> messages;
    edit.OnMessage = [&](const QString& m) { messages.push_back(m.toStdString()); };
    QClipboard* clipboard = QApplication::clipboard();

    clipboard->setText("12abc");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "0");  // refused: the field keeps its value
    clipboard->setText("42");
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "42");
    EXPECT_TRUE(messages.empty());

    clipboard->clear();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(messages, std::vector<std::string>{"No text on the Clipboard"});
    EXPECT_EQ(edit.text(), "42");

    edit.setText("-42");
    edit.setSelection(0, 1);
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), "-");
    edit.setSelection(1, 2);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);  // "-" alone may still become a number
    EXPECT_EQ(edit.text(), "-");
    EXPECT_EQ(clipboard->text(), "42");
}

struct LeaveCase {
    QString typed;
    QString shown;  // after the field is left
    bool red;
    int underflows, overflows;
};

// A jog velocity: "%.2f", 0.001 to 1000, limited. The field is left by moving the focus to a button, as a
// click does.
TEST(NumericEdit, LeavingTheFieldLimitsAndShowsTheValueAgain) {
    const std::vector<LeaveCase> cases = {
        {"0", "0.001", true, 1, 0},     {"", "0.001", true, 1, 0},       {"2000", "1000.00", true, 0, 1},
        {"12.5", "12.50", false, 0, 0}, {"-", "0.001", false, 0, 0},  // unreadable text is the lower limit
        {"1E2", "100.00", false, 0, 0}, {"0.125", "0.125", false, 0, 0},  // no digit of the value is hidden
    };
    QDialog dialog;
    auto* edit = new TRealEdit(&dialog);
    auto* button = new QPushButton("Other", &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(button);
    edit->MinValue = 0.001;
    edit->MaxValue = 1000;
    edit->SetFormatString("%.2f");
    edit->SetValidate(true);
    int underflows = 0, overflows = 0, exits = 0;
    edit->OnUnderflow = [&] { ++underflows; };
    edit->OnOverflow = [&] { ++overflows; };
    edit->OnExit = [&] { ++exits; };
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    for (const LeaveCase& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        underflows = overflows = 0;
        edit->setFocus();
        EXPECT_FALSE(IsRed(*edit));  // entering shows the normal colour
        EXPECT_EQ(edit->selectedText(), edit->text());
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        button->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(edit->text(), c.shown);
        EXPECT_EQ(IsRed(*edit), c.red);
        EXPECT_EQ(underflows, c.underflows);
        EXPECT_EQ(overflows, c.overflows);
    }
    EXPECT_EQ(exits, static_cast<int>(cases.size()));
}

struct ReadCase {
    QString text;
    int value;        // as read
    QString limited;  // after Reformat with the limits 5..50
    bool red;
};

TEST(NumericEdit, ReadingNeverFailsAndTheLimitsApplyOnlyWhenShownAgain) {
    const std::vector<ReadCase> cases = {
        {"", 0, "5", true},       {"abc", 5, "5", false}, {"20", 20, "20", false},
        {"+20", 20, "20", false}, {"-3", -3, "5", true},  {"500", 500, "50", true},
        {"1.5", 5, "5", false},   {" 7", 5, "5", false},  {"99999999999", 5, "5", false},
        {"50", 50, "50", false},  {"5", 5, "5", false},   {"51", 51, "50", true},
    };
    TIntegerEdit edit;
    edit.MinValue = 5;
    edit.MaxValue = 50;
    edit.SetValidate(true);
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        edit.setText(c.text);
        EXPECT_EQ(edit.Value(), c.value);
        edit.Reformat();
        EXPECT_EQ(edit.text(), c.limited);
        EXPECT_EQ(IsRed(edit), c.red);
    }
    // Without Validate, only the format applies.
    edit.SetValidate(false);
    edit.SetValue(500);
    EXPECT_EQ(edit.text(), "500");
    EXPECT_FALSE(IsRed(edit));
}

struct FormatCase {
    const char* format;
    double value;
    char separator;
    const char* text;
};

TEST(NumericEdit, FormatsShowEveryDigitOfTheValue) {
    const std::vector<FormatCase> cases = {
        {"%.1f", 12.0, '.', "12.0"},       {"%.1f", 12.25, '.', "12.25"},
        {"%.1f", 12.25, ',', "12,25"},     {"%.3f", 0.0625, '.', "0.0625"},
        {"%.7f", 400, '.', "400.0000000"}, {"%d", 42, '.', "42"},
        {"%g", 0.001, '.', "0.001"},       {"%.2f", 1.0 / 3, '.', "0.3333333333333333"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatValue(c.format, c.value, c.separator), c.text);
    }
    TRealEdit edit;
    edit.SetFormatString("%.3f");
    edit.SetValue(0.0625);
    EXPECT_DOUBLE_EQ(edit.Value(), 0.0625);
    edit.SetDecimalSeparator(',');
    EXPECT_EQ(edit.text(), "0,0625");
    EXPECT_DOUBLE_EQ(edit.Value(), 0.0625);
}

// Enter belongs to the field's owner and still reaches the dialog's default button.
TEST(NumericEdit, EnterFiresTheEventAndReachesTheDefaultButton) {
    QDialog dialog;
    auto* edit = new TIntegerEdit(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(ok);
    int entered = 0;
    edit->OnEnterKey = [&] { ++entered; };
    dialog.show();
    edit->clear();
    QTest::keyClicks(edit, "17");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(edit->text(), "17");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace zorvan::ui
