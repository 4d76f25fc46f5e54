// The About box and the "Run from line..." dialog, driven with synthesized mouse and key events.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "ui/about_dialog.h"
#include "ui/start_dialog.h"

namespace zorvan::ui {
namespace {

struct FirmwareCase {
    bool present;
    double version;
    std::string text;
};

TEST(TfrmAbout, FirmwareLabel) {
    const std::vector<FirmwareCase> cases = {
        {false, 1.5, "Controller not detected."},
        {true, 1.5, "Firmware Version: V1.5"},
        {true, 2, "Firmware Version: V2"},
        {true, 1.25, "Firmware Version: V1.25"},
        {true, 0.1, "Firmware Version: V0.1"},
        {true, 12.0625, "Firmware Version: V12.0625"},
        {true, 1e20, "Firmware Version: V100000000000000000000"},
    };
    TfrmAbout about;
    EXPECT_EQ(about.lblDemo->text(), "Firmware Version:");
    for (const FirmwareCase& c : cases) {
        about.FormShow(c.present, c.version);
        EXPECT_EQ(about.lblDemo->text().toStdString(), c.text);
    }
}

TEST(TfrmAbout, TextsAndWindow) {
    TfrmAbout about;
    EXPECT_EQ(about.windowTitle(), "About Quelmar");
    EXPECT_EQ(about.lblTitle->text(), "Quelmar  Ver 2.2.0.12");
    EXPECT_EQ(about.lblPlatform->text(), "For Windows");
    EXPECT_EQ(about.cmdOk->text(), "Ok");
    EXPECT_TRUE(about.cmdOk->isDefault());
    const Qt::WindowFlags flags = about.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

// Ok and Escape only hide the box, so it can be shown again.
TEST(TfrmAbout, ClosesAndIsReused) {
    QPointer<TfrmAbout> about = new TfrmAbout;
    about->show();
    QTest::mouseClick(about->cmdOk, Qt::LeftButton);
    ASSERT_FALSE(about.isNull());
    EXPECT_FALSE(about->isVisible());
    about->show();
    QTest::keyClick(about, Qt::Key_Escape);
    ASSERT_FALSE(about.isNull());
    EXPECT_FALSE(about->isVisible());
    delete about;
}

bool IsRed(const TIntegerEdit& edit) {
    return edit.palette().color(QPalette::Text) == QColor(Qt::red);
}

class StartDialogTest : public ::testing::Test {
  protected:
    // What the owner does before exec(), then the typing into the field.
    void Open(int line_count, const QString& typed) {
        dialog.setResult(0);
        dialog.FormShow(line_count);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        ASSERT_TRUE(dialog.txtStart->hasFocus());
        dialog.txtStart->clear();
        QTest::keyClicks(dialog.txtStart, typed);
    }
    TfrmStart dialog;
};

// The press on OK takes the focus from the field, which limits the value before OK's click is handled.
TEST_F(StartDialogTest, MouseClickOnOkLimitsFirst) {
    Open(120, "500");
    int read_on_click = -1;
    QObject::connect(dialog.Button1, &QPushButton::clicked, &dialog,
                     [&] { read_on_click = dialog.txtStart->Value(); });
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(read_on_click, 120);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.txtStart->text(), "120");
    EXPECT_TRUE(IsRed(*dialog.txtStart));
}

// Enter reaches OK without a focus change, and the dialog hiding afterwards does not limit either.
TEST_F(StartDialogTest, EnterTakesTheValueAsTyped) {
    Open(120, "500");
    QTest::keyClick(dialog.txtStart, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.txtStart->Value(), 500);
    EXPECT_EQ(dialog.txtStart->text(), "500");
    EXPECT_FALSE(IsRed(*dialog.txtStart));
}

TEST_F(StartDialogTest, ClickOnTheFreeSurfaceAccepts) {
    Open(120, "500");
    // A label passes its presses on to the dialog; that is not the dialog's own surface.
    QTest::mouseClick(dialog.Label1, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    const QPoint corner(1, 1);
    ASSERT_EQ(dialog.childAt(corner), nullptr);
    QTest::mouseClick(&dialog, Qt::LeftButton, {}, corner);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.txtStart->Value(), 500);
}

TEST_F(StartDialogTest, CancelRejects) {
    Open(120, "7");
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

// The field keeps its value from one use to the next; the upper limit follows the program shown.
TEST_F(StartDialogTest, ValueAndLimitBetweenUses) {
    Open(120, "150");
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(dialog.txtStart->Value(), 120);
    dialog.setResult(0);
    dialog.FormShow(300);
    dialog.show();
    EXPECT_EQ(dialog.txtStart->text(), "120");
    Open(300, "150");
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(dialog.txtStart->Value(), 150);
    EXPECT_FALSE(IsRed(*dialog.txtStart));
}

}  // namespace
}  // namespace zorvan::ui
