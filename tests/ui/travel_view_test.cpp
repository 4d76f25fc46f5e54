// The window's previews mark and name the moves that leave the machine's table, and GO asks before it
// sends a program that does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <string>

#include "ui/main_window_fixture.h"

namespace zorvan::ui {
namespace {

// X 0..200, Y 0..150, Z -50..100 mm.
const std::string kTable = "[MACHINE]\nMINX=0\nMAXX=200\nMINY=0\nMAXY=150\nMINZ=-50\nMAXZ=100\n";
// A small one for the runs: the board's moves take their time even on its virtual clock.
const std::string kSmallTable = "[MACHINE]\nMINX=0\nMAXX=20\nMINY=0\nMAXY=15\nMINZ=-5\nMAXZ=10\n";
const std::string kLeavesAtLine2 = "G0 X1\nG0 X25\nG0 X2 Y0.5\nM2\n";

// Pixels of a colour (24 bits, red in the low byte) in the square of the given half side around `at`;
// the whole picture when the half side is negative.
int CountColour(const QImage& shot, int colour, QPoint at = {}, int half = -1) {
    const QColor wanted(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    const QRect area =
        half < 0 ? shot.rect() : QRect(at.x() - half, at.y() - half, 2 * half + 1, 2 * half + 1);
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (shot.valid(x, y) && shot.pixelColor(x, y) == wanted) ++count;
        }
    }
    return count;
}

TEST_F(MainWindow, AllDrawsTheMovesThatLeaveTheTableInTheWarningColourAndNamesTheFirst) {
    const struct {
        const char* name;
        const char* program;
        const char* status;
        bool marked;
    } cases[] = {
        {"inside", "G0 X20 Y20\nG1 X180 F600\nG1 X192 Y130\nG1 X180 Y140\nM2\n", "Program Completed.", false},
        {"leaving on lines 3 and 5", "G0 X20 Y20\nG1 X180 F600\nG1 X205 Y130\nG1 X180 Y140\nG1 Y-5\nM2\n",
         "The program leaves the table at line 3: X 205.0000 beyond the table's 200.0000 (1 more)", true},
    };
    WriteIni("[SCREEN]\nAutoRedraw=1\nLinear=0\nBackground=16777215\n" + kTable);
    Start(false);
    window->mnuEditModeClick();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoadProgram(c.program);
        window->btnAllClick();
        QApplication::processEvents();
        EXPECT_EQ(window->StatusPanelText(1), c.status);
        const QImage shot = window->Child("Draw3D")->grab().toImage();
        const int warning = window->View().ExcursionColour();
        const auto pixel = [this](double x, double y) {
            const auto p = window->View().Projector().ProjectToPixel(x, y, 0);
            return QPoint(static_cast<int>(p.x), static_cast<int>(p.y));
        };
        if (c.marked) {
            EXPECT_GT(CountColour(shot, warning), 100);
            EXPECT_GT(CountColour(shot, warning, pixel(192.5, 75), 1), 0);  // line 3's middle
        } else {
            EXPECT_EQ(CountColour(shot, warning), 0);
        }
        // The feed along the table's front edge stays in its own colour.
        EXPECT_EQ(CountColour(shot, warning, pixel(100, 20), 1), 0);
        EXPECT_GT(CountColour(shot, window->View().ColorLinear, pixel(100, 20), 1), 0);
    }
}

// A later preview on the table takes the excursion's text away again, unless something else has been
// shown over it since.
TEST_F(MainWindow, APreviewOnTheTableGivesBackWhatTheExcursionTextCovered) {
    WriteIni(kTable);
    Start(false);
    window->mnuEditModeClick();
    LoadProgram("G0 X20 Y20\nG1 X30 F600\nG1 X40\nG1 X250\nM2\n");
    window->btnAllClick();
    EXPECT_EQ(window->StatusPanelText(1),
              "The program leaves the table at line 4: X 250.0000 beyond the table's 200.0000");
    window->Editor()->setCursorPosition(0, 0);
    window->SpeedButton3Click();  // To Cursor: lines 1 and 2
    EXPECT_EQ(window->StatusPanelText(1), "Program Completed.");

    window->btnAllClick();
    window->mnuEditModeClick();
    window->Editor()->setCursorPosition(0, 0);
    window->SpeedButton3Click();
    EXPECT_EQ(window->StatusPanelText(1), "Edit Mode");
}

// GO asks in a message box whose Enter answers No: nothing is sent, the line stays marked and the
// controls come back. Yes runs the program; a program on the table runs without a question.
TEST_F(MainWindow, GoAsksBeforeItSendsAProgramThatLeavesTheTable) {
    const QString question = "The program leaves the table at line 2. Run it anyway?";
    const struct {
        const char* name;
        std::string program;
        QMessageBox::StandardButton answer;  // NoButton: press Enter
        QString asked;
        std::array<std::int32_t, 4> position;
    } cases[] = {
        {"Enter", kLeavesAtLine2, QMessageBox::NoButton, question, {0, 0, 0, 0}},
        {"Yes", kLeavesAtLine2, QMessageBox::Yes, question, {200, 50, 0, 0}},
        {"on the table", "G0 X1\nG0 X19\nG0 X2 Y0.5\nM2\n", QMessageBox::NoButton, "", {200, 50, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni("[TRAJ]\nAXES=3\n" + kSmallTable);
        Start(true);
        window->AnswerRunAnyway = nullptr;
        window->btnStopClick();
        LoadProgram(c.program);
        QString asked;
        QTimer finder;
        QObject::connect(&finder, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            finder.stop();
            asked = box->text();
            if (c.answer == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Return);
            else
                box->button(c.answer)->click();
        });
        finder.start(5);
        window->btnGoClick();
        finder.stop();
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(BoardPosition(*board), c.position);
        EXPECT_TRUE(Button("btnGo")->isEnabled());
        EXPECT_EQ(window->StatusPanelText(4), "0");
        if (c.position[0] == 0) {
            EXPECT_EQ(Marked(), "G0 X25\n");
            EXPECT_EQ(window->StatusPanelText(1),
                      "The program leaves the table at line 2: X 25.0000 beyond the table's 20.0000");
        }
    }
}

}  // namespace
}  // namespace zorvan::ui
