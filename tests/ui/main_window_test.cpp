// The operator program's window driven as the operator drives it, on the simulated board's virtual clock
// or without a board.
#include "ui/main_window.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <Qsci/qsciscintilla.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <fstream>

#include "ui/main_window_fixture.h"
#include "ui/start_dialog.h"

namespace zorvan::ui {
namespace {

TEST_F(MainWindow, StartsWithoutAConfigurationFileOnDefaults) {
    Start(false);
    EXPECT_EQ(messages,
              (Messages{"ZorvanNC.Ini file not found.  Loading defaults...", "Controller not detected..."}));
    EXPECT_TRUE(window->Child("lblA")->isHidden());
    auto* jog = qobject_cast<QComboBox*>(window->Child("cmbJog"));
    EXPECT_EQ(jog->currentText(), "Slow");
    EXPECT_EQ(jog->count(), 0);
    EXPECT_EQ(qobject_cast<QGroupBox*>(window->Child("gbControlCenter"))->title(), "Edit Mode");
    // No mode is chosen yet: the Edit Center's panel shows, and no Mode item is checked.
    EXPECT_FALSE(window->Child("pnlEdit")->isHidden());
    EXPECT_TRUE(window->Child("pnlControl")->isHidden());
    EXPECT_TRUE(window->Settings().SAFETY);
    EXPECT_FALSE(window->ControllerPresent());
    EXPECT_EQ(window->windowTitle(), "ZorvanNC");
    // The top bar: the command box takes half the bar, the four output buttons share the rest.
    const int w = window->Child("pnlAux")->width();
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(window->Child("txtHotStat")->width(), w / 2);
    const int q = (w - w / 2 - 50) / 4;
    EXPECT_EQ(window->Child("btnAux1")->x(), w / 2 + 50);
    EXPECT_EQ(window->Child("btnAux4")->x(), w / 2 + 50 + 3 * q);
}

// Four axes show the six A-axis controls and space the coordinate rows by a fifth of the panel.
TEST_F(MainWindow, TheAxisCountShowsTheAAxisControlsAndSpacesTheRows) {
    struct Case {
        const char* axes;
        bool a_shown;
        int divisor;
    };
    for (const Case& c : {Case{"3", false, 4}, Case{"4", true, 5}, Case{"5", false, 5}}) {
        SCOPED_TRACE(c.axes);
        WriteIni(std::string("[TRAJ]\nAXES=") + c.axes + "\n[JOGDIST]\n1=0.1\n2=1\n");
        messages.clear();
        Start(false);
        EXPECT_EQ(messages, Messages{"Controller not detected..."});
        for (const char* name : {"lblA", "lblACoord", "btnClearA", "btnCCW", "btnCW"})
            EXPECT_EQ(!window->Child(name)->isHidden(), c.a_shown) << name;
        const int a = window->Child("pnlCoords")->height() / c.divisor;
        EXPECT_EQ(window->Child("lblYCoord")->y(), a + 10);
        EXPECT_EQ(window->Child("lblZCoord")->y(), 2 * a + 10);
        auto* jog = qobject_cast<QComboBox*>(window->Child("cmbJog"));
        EXPECT_EQ(jog->count(), 2);
        EXPECT_EQ(jog->currentText(), "Slow");
    }
}

TEST_F(MainWindow, WithTheBoardItStartsInTheControlCenterInTheEmergencyStop) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(true);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(window->ControllerPresent());
    EXPECT_EQ(qobject_cast<QGroupBox*>(window->Child("gbControlCenter"))->title(), "Control Mode");
    EXPECT_TRUE(Button("btnStop")->isChecked());
    EXPECT_FALSE(Button("btnGo")->isEnabled());
    EXPECT_FALSE(Button("btnHome")->isEnabled());
    EXPECT_EQ(window->StatusPanelText(1), "Controller in EmStop.");

    // Reset (ESTP) leaves the emergency stop when the board answers, and enters it again.
    window->btnStopClick();
    EXPECT_FALSE(window->Controller().EStopActive);
    EXPECT_FALSE(Button("btnStop")->isChecked());
    EXPECT_TRUE(Button("btnGo")->isEnabled());
    EXPECT_EQ(window->StatusPanelText(1), "Controller is Ready...");
    window->btnStopClick();
    EXPECT_TRUE(window->Controller().EStopActive);
    EXPECT_EQ(window->StatusPanelText(1), "Controller in EmStop.");
    EXPECT_EQ(Button("btnGo")->text(), "&GO [0]");
}

TEST_F(MainWindow, RunsRefuseWithoutAProgramAndInTheEmergencyStop) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(true);
    TypeProgram("G0 X1\nM2\n");
    window->btnGoClick();
    EXPECT_EQ(messages, Messages{"Controller in EmStop."});
    window->btnStopClick();
    messages.clear();
    window->btnGoClick();
    window->btnAllClick();
    window->SpeedButton1Click();
    EXPECT_EQ(messages, (Messages{"No file loaded.", "No file loaded.", "No file loaded."}));
    // The texts are the message table's, which a language file may replace.
    window->Msg[2] = "Keine Datei geladen.";
    messages.clear();
    window->btnAllClick();
    EXPECT_EQ(messages, Messages{"Keine Datei geladen."});
}

TEST_F(MainWindow, OpeningWithAutoRedrawPreviewsTheProgramAndFitsTheViewToIt) {
    WriteIni("[SCREEN]\nAutoRedraw=1\nLinear=255\n[MACHINE]\nMINX=0\nMAXX=200\nMINY=0\nMAXY=150\n");
    Start(false);
    messages.clear();
    LoadProgram("G0 X10 Y10\nG1 X60 F500\nG1 Y40\nM2\n");
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(window->StatusPanelText(2), "4");  // a final line feed ends the last line
    EXPECT_EQ(window->Interpreter().program_name(), (temp.path() / "p.ngc").string());
    const auto box = window->ViewBoxValue();
    EXPECT_DOUBLE_EQ(box[0], 0.0);
    EXPECT_DOUBLE_EQ(box[1], 60.0);
    EXPECT_DOUBLE_EQ(box[3], 40.0);
    EXPECT_DOUBLE_EQ(box[8], 30.0);
    EXPECT_EQ(window->Interpreter().line_counter(), 0);
}

TEST_F(MainWindow, EditCenterPreviewsCountLinesAndMarkThem) {
    WriteIni("[MACHINE]\nMAXX=100\n");
    Start(false);
    messages.clear();
    window->mnuEditModeClick();
    LoadProgram("G1 X1 F100\nG1 X2\nG1 X3\nG1 X4\nG1 X5\nG1 X6\nM2\n");
    window->Editor()->setCursorPosition(0, 0);  // Next does not follow the caret
    window->SpeedButton1Click();
    window->SpeedButton1Click();
    EXPECT_EQ(window->Interpreter().line_counter(), 2);
    EXPECT_EQ(Marked(), "G1 X2\n");
    window->Editor()->setCursorPosition(2, 0);  // caret on line 3: To Cursor runs lines 1 to 4
    window->SpeedButton3Click();
    EXPECT_EQ(window->Interpreter().line_counter(), 4);
    EXPECT_EQ(Marked(), "G1 X4\n");
    EXPECT_EQ(Text("lblXCoord"), "4.000");  // shown at once, also without a board
    window->SpeedButton4Click();
    EXPECT_EQ(window->Interpreter().line_counter(), 0);
    window->btnAllClick();
    EXPECT_EQ(window->Interpreter().line_counter(), 0);
    EXPECT_TRUE(messages.empty()) << messages.front();
    window->SpeedButton2Click();  // Next 10 stops at the program end
    EXPECT_DOUBLE_EQ(window->Canon().get_position().x, 6.0);

    TypeProgram("G1 X1 F100\n");  // no stopping command
    window->btnAllClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("File ended with no stopping command given"), std::string::npos);
}

TEST_F(MainWindow, GoRunsTheEditorsTextOnTheBoard) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(true);
    window->btnStopClick();
    LoadProgram("G0 X1\nM2\n");
    TypeProgram("G0 X10 Y5\nG1 Z-2 F300\nM2\n");  // unsaved: the run takes the editor's text
    window->btnGoClick();
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(BoardPosition(*board), (std::array<std::int32_t, 4>{1000, 500, -200, 0}));
    EXPECT_EQ(Text("lblXCoord"), "10.000");
    EXPECT_FALSE(window->Runner().Running);
    EXPECT_TRUE(Button("btnGo")->isEnabled());
    EXPECT_EQ(window->StatusPanelText(4), "0");
    // The grey preview leaves the background as it was, so its grey moves can be seen.
    EXPECT_EQ(window->View().ColorBackground, 16777215);
    EXPECT_EQ(window->View().Projector().Picture().Image().pixelColor(2, 2), QColor(Qt::white));
}

// The board drives the A axis only when the configuration has four: the start-up hands the count to the
// controller, which leaves out A moves on three.
TEST_F(MainWindow, GoMovesTheAAxisOnlyOnAMachineOfFourAxes) {
    struct Case {
        const char* axes;
        std::int32_t a_steps;
    };
    for (const Case& c : {Case{"4", 9000}, Case{"3", 0}}) {
        SCOPED_TRACE(c.axes);
        WriteIni(std::string("[TRAJ]\nAXES=") + c.axes + "\n");
        Start(true);
        EXPECT_EQ(window->Controller().AxisCount, std::stoi(c.axes));
        window->btnStopClick();
        LoadProgram("G21\n@A 90\nM2\n");
        window->btnGoClick();
        EXPECT_TRUE(messages.empty()) << messages.front();
        EXPECT_EQ(BoardPosition(*board), (std::array<std::int32_t, 4>{0, 0, 0, c.a_steps}));
    }
}

// An unplugged board answers nothing. The emergency stop must still come back to the operator, at
// start-up and in the middle of a run, and Reset (ESTP) must not make a silent machine ready.
TEST_F(MainWindow, AnUnpluggedBoardLeavesTheMachineStoppedAndSaysSo) {
    WriteIni("[TRAJ]\nAXES=3\n[CONTROLLER]\nCONTOURING=1\n");
    std::string program = "G21 F600\n";
    for (int i = 0; i < 100; ++i)
        program += i % 2 == 0 ? "G1 X2\n" : "G1 X0\n";
    program += "M2\n";
    // 7: the board dies at the start-up's emergency stop; 300: while GO feeds the program.
    for (const int dead_after : {7, 300}) {
        SCOPED_TRACE(dead_after);
        const std::string settings =
            WriteProgram("ZorvanSim.Ini", "[FAULTS]\nDEAD_AFTER=" + std::to_string(dead_after) + "\n");
        Start(true, settings);
        if (dead_after > 7) {
            window->btnStopClick();
            ASSERT_FALSE(window->Controller().EStopActive);
            LoadProgram(program);
            window->btnGoClick();
        }
        EXPECT_TRUE(window->Controller().EStopActive);
        EXPECT_FALSE(window->Controller().EStopEntering);
        EXPECT_TRUE(Button("btnStop")->isChecked());
        EXPECT_FALSE(Button("btnGo")->isEnabled());
        EXPECT_EQ(window->StatusPanelText(1), "Controller not responding.");
        window->btnStopClick();  // refused: the board does not answer
        EXPECT_TRUE(window->Controller().EStopActive);
        EXPECT_TRUE(Button("btnStop")->isChecked());
        EXPECT_EQ(window->StatusPanelText(1), "Controller not responding.");
    }
}

TEST_F(MainWindow, PauseHoldHoldsTheRunUntilPressedAgain) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(true);
    window->btnStopClick();
    LoadProgram("G1 X50 F600\nG1 X0\nM2\n");
    std::array<std::int32_t, 4> at_hold{}, after_wait{};
    bool held = false;
    QTimer::singleShot(0, [&] {
        window->btnPauseClick();
        held = window->Controller().Paused && Button("btnPause")->isChecked();
        window->mnuEditModeClick();  // a run keeps its mode
        held = held && !window->Canon().PreviewMode;
        window->btnGoClick();  // and no run or preview starts inside it
        window->btnAllClick();
        at_hold = BoardPosition(*board);
        // Polls move the virtual clock; a held board does not move however long it is asked.
        for (int i = 0; i < 200; ++i)
            after_wait = BoardPosition(*board);
        window->btnPauseClick();
    });
    window->btnGoClick();
    EXPECT_TRUE(held);
    EXPECT_EQ(at_hold, after_wait);
    EXPECT_FALSE(Button("btnPause")->isChecked());
    EXPECT_EQ(BoardPosition(*board)[0], 0);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(MainWindow, StartFromLineFiveRunsFromTheFifthLine) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(true);
    window->btnStopClick();
    std::string program;
    for (int i = 1; i <= 8; ++i)
        program += "G1 X" + std::to_string(i) + " F600\n";
    LoadProgram(program + "M2\n");
    QTimer::singleShot(0, [&] {
        window->StartDialog()->txtStart->setText("5");
        window->StartDialog()->accept();
    });
    window->StartfromLine1Click();
    EXPECT_EQ(window->Runner().StartLine, 5);
    EXPECT_EQ(Button("btnGo")->text(), "GO [5]");
    window->btnGoClick();
    EXPECT_EQ(window->Runner().StartLine, 4);
    EXPECT_EQ(Button("btnGo")->text(), "GO [5]");
    EXPECT_EQ(BoardPosition(*board)[0], 800);
}

TEST_F(MainWindow, WithoutABoardTheControlCenterDoesNothingButEnterTheEmergencyStop) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(false);
    messages.clear();
    window->mnuControlModeClick();
    window->btnGoClick();  // not even "No file loaded."
    window->btnPauseClick();
    EXPECT_EQ(window->StatusPanelText(1), "");
    EXPECT_FALSE(Button("btnPause")->isChecked());
    window->btnStopClick();
    EXPECT_EQ(window->StatusPanelText(1), "Controller in EmStop.");
    EXPECT_FALSE(Button("btnGo")->isEnabled());
    window->btnStopClick();  // the position query fails: the emergency stop stays
    EXPECT_TRUE(window->Controller().EStopActive);
    EXPECT_TRUE(Button("btnStop")->isChecked());
    EXPECT_TRUE(messages.empty());
}

// Machine Coordinates show the position less the program origin; Absolute shows it whole.
TEST_F(MainWindow, CoordinateModesShowThePositionWithAndWithoutTheOrigin) {
    WriteIni("[TRAJ]\nAXES=4\n");
    Start(true);
    window->btnStopClick();
    LoadProgram("G0 X20\nG92 X10\n");
    window->btnGoClick();
    ASSERT_EQ(messages.size(), 1u);  // the grey preview: the file ends without M2
    window->MachineCoordinates1Click();
    EXPECT_EQ(Text("lblXCoord"), "10.000");
    const QString a = Text("lblACoord");
    window->AbsoluteCoordinates1Click();
    EXPECT_EQ(Text("lblXCoord"), "20.000");
    EXPECT_EQ(Text("lblACoord"), a);
}

TEST_F(MainWindow, ControlModeNextRunsOneLineAndPastTheEndMarksNothing) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(true);
    window->btnStopClick();
    LoadProgram("G0 X5\nG0 Y5");
    window->btnExecuteNextClick();
    EXPECT_EQ(BoardPosition(*board)[0], 500);
    EXPECT_EQ(Marked(), "G0 X5\n");
    window->btnExecuteNextClick();
    window->btnExecuteNextClick();  // past the last line: an empty text
    EXPECT_EQ(window->Runner().StartLine, 3);
    EXPECT_EQ(BoardPosition(*board)[1], 500);
    EXPECT_EQ(Button("btnGo")->text(), "&GO [0]");
}

// The mouse reaches the view through the widget: the cursor's coordinates go to the status bar, and a
// drag with Zoom Window armed fits the view to the dragged rectangle.
TEST_F(MainWindow, TheViewTakesTheMouseForCoordinatesAndZoomWindow) {
    WriteIni("[MACHINE]\nMINX=0\nMAXX=100\nMINY=0\nMAXY=100\n");
    Start(false);
    QWidget* view = window->Child("Draw3D");
    SendMouse(view, QEvent::MouseMove, view->rect().center(), Qt::NoButton, Qt::NoButton);
    const QString cursor = window->StatusPanelText(5);
    EXPECT_EQ(cursor, QString::asprintf("%5.3f", window->View().CursorX) + ", " +
                          QString::asprintf("%5.3f", window->View().CursorY));
    EXPECT_NE(window->View().CursorX, 0.0);

    window->ZoomWindow1Click();
    const double width_before = window->View().GetWindow().xmax - window->View().GetWindow().xmin;
    SendMouse(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
    SendMouse(view, QEvent::MouseMove, QPoint(200, 180), Qt::NoButton, Qt::LeftButton);
    SendMouse(view, QEvent::MouseButtonRelease, QPoint(200, 180), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(window->View().ZoomArmed);
    EXPECT_LT(window->View().GetWindow().xmax - window->View().GetWindow().xmin, width_before / 2);
}

// With AutoRedraw, releasing the mouse over the view previews the program again; with a run going, or
// when the window is closed under a preview's wait, nothing is broken.
TEST_F(MainWindow, AMouseReleaseRedrawsAndAClosePendsUntilTheRunEnds) {
    WriteIni("[SCREEN]\nAutoRedraw=1\n[TRAJ]\nAXES=3\n");
    Start(true);
    window->btnStopClick();
    LoadProgram("G0 X30\nG0 X0\nM2\n");
    window->Canon().ResetPathExtents();
    QWidget* view = window->Child("Draw3D");
    SendMouse(view, QEvent::MouseButtonRelease, QPoint(50, 50), Qt::LeftButton, Qt::NoButton);
    EXPECT_DOUBLE_EQ(window->Canon().PathExtentsInProgramUnits()[1], 30.0);  // All drew the program
    EXPECT_FALSE(window->Canon().PreviewMode);                               // and the Control Center is back

    bool closed_during_run = true;
    QTimer::singleShot(0, [&] { closed_during_run = window->close(); });
    window->btnGoClick();
    EXPECT_FALSE(closed_during_run);
    EXPECT_TRUE(window->Controller().EStopActive);  // the run was stopped rather than left going
    EXPECT_TRUE(window->close());
}

// The window after All, checked by what it shows: the path in its colour, the status texts.
TEST_F(MainWindow, AfterAllTheViewShowsThePathAndTheStatusBarTheFile) {
    WriteIni("[SCREEN]\nAutoRedraw=1\nLinear=65280\nBackground=16777215\n[MACHINE]\nMAXX=100\nMAXY=100\n");
    Start(false);
    window->mnuEditModeClick();
    LoadProgram("G1 X80 Y0 F500\nG1 Y60\nG1 X0\nM2\n");
    window->btnAllClick();
    QApplication::processEvents();
    const QImage shot = window->grab().toImage();
    const QRect view(window->Child("Draw3D")->mapTo(window.get(), QPoint(0, 0)),
                     window->Child("Draw3D")->size());
    // The feed moves in green; the table's grid must not have covered those that lie on its lines.
    const auto green = [&](QRect area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (c.green() > 200 && c.red() < 60 && c.blue() < 60) ++count;
            }
        }
        return count;
    };
    EXPECT_GT(green(view), 600);
    EXPECT_GT(green(QRect(view.left(), view.top(), view.width(), view.height() / 6)), 300);  // Y 60 on top
    EXPECT_EQ(window->StatusPanelText(1), "Program Completed.");
    EXPECT_EQ(window->StatusPanelText(2), "4");
    EXPECT_NE(window->StatusPanelText(3).indexOf("p.ngc"), -1);
}

}  // namespace
}  // namespace zorvan::ui
