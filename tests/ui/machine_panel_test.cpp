// The machine panel driven as the operator drives it: jog buttons pressed and let go, the keyboard,
// homing, zeroing, the sliders, the command box, Set Coordinates and Controller > Reset, on the simulated
// board's virtual clock (its step counters are the machine) or without a board.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "ui/coordinates_dialog.h"
#include "ui/main_window_fixture.h"

namespace zorvan::ui {
namespace {

using machine::ControllerCommand;
using Steps = std::array<std::int32_t, 4>;

// The simulated board's own test calls.
template <typename Function>
Function SimCall(const char* name) {
    void* handle = ::dlopen(ZORVAN_API_SO, RTLD_NOW | RTLD_NOLOAD);
    return reinterpret_cast<Function>(::dlsym(handle, name));
}

// Every command the window hands to the board, position queries left out.
class CommandLog final : public machine::DispatchObserver {
  public:
    void Dispatching(const ControllerCommand& c) override {
        if (c.code != machine::cmdGetPosition) commands.push_back(c);
    }
    void Dispatched(const ControllerCommand&, machine::DispatchResult) override {}
    std::vector<ControllerCommand> Of(int code) const {
        std::vector<ControllerCommand> found;
        for (const ControllerCommand& c : commands) {
            if (c.code == code) found.push_back(c);
        }
        return found;
    }
    std::vector<ControllerCommand> commands;
};

const char* const kLockedControls[] = {
    "txtHotStat", "btnHome", "btnUp", "btnDown",        "btnRight", "btnLeft", "btnBack", "btnForward",
    "btnCCW",     "btnCW",   "btnGo", "btnExecuteNext", "btnAux1",  "btnAux2", "btnAux3", "btnAux4"};

// 100 steps per mm; the continuous jogs at 600 mm/min run at the board's 1000 steps/s.
constexpr const char* kMachine = "[TRAJ]\nAXES=3\nSLOWJOG=600\nFASTJOG=600\n";

class MachinePanel : public MainWindow {
  protected:
    // Started with the board and made ready, the jog box set to text.
    void StartReady(const std::string& ini, const std::string& jog, const std::string& board_settings = "") {
        WriteIni(ini);
        Start(true, board_settings);
        window->btnStopClick();
        ASSERT_FALSE(window->Controller().EStopActive);
        SetJogBox(jog);
        log.commands.clear();
        window->Controller().SetObserver(&log);
    }
    void SetJogBox(const std::string& text) {
        qobject_cast<QComboBox*>(window->Child("cmbJog"))->setCurrentText(QString::fromStdString(text));
    }
    // Board time passes: each call of the library is a millisecond on the virtual clock.
    void Advance(int milliseconds) {
        for (int i = 0; i < milliseconds; ++i)
            BoardPosition(*board);
    }
    void Press(const char* button) {
        QPushButton* b = Button(button);
        SendMouse(b, QEvent::MouseButtonPress, b->rect().center(), Qt::LeftButton, Qt::LeftButton);
    }
    void Release(const char* button) {
        QPushButton* b = Button(button);
        SendMouse(b, QEvent::MouseButtonRelease, b->rect().center(), Qt::LeftButton, Qt::NoButton);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window->windowHandle(), key, modifiers);
    }
    // Presses the button and, once its jog is moving, lets time pass and then has `let_go` end it.
    void HoldAndLetGo(const char* button, const std::function<void()>& let_go) {
        QTimer::singleShot(0, [this, let_go] {
            moving = window->Manual().ContinuousJog && window->Runner().ManualBusy;
            Advance(300);
            let_go();
        });
        Press(button);
    }
    // The controls the runs and the emergency stop lock, with their state.
    std::vector<std::pair<std::string, bool>> LockedControls() const {
        std::vector<std::pair<std::string, bool>> states;
        for (const char* name : kLockedControls)
            states.emplace_back(name, window->Child(name)->isEnabled());
        return states;
    }
    static std::vector<std::pair<std::string, bool>> AllEnabled(bool enabled) {
        std::vector<std::pair<std::string, bool>> states;
        for (const char* name : kLockedControls)
            states.emplace_back(name, enabled);
        return states;
    }

    CommandLog log;
    bool moving = false;
};

// A typed distance ("1a2" reads 12) and one step, each a single move that the release does not touch.
TEST_F(MachinePanel, AJogBoxDistanceOrStepMovesThatFarAndNoFurther) {
    StartReady(kMachine, "1a2");
    Press("btnRight");
    Release("btnRight");
    EXPECT_EQ(BoardPosition(*board), (Steps{1200, 0, 0, 0}));
    EXPECT_EQ(Text("lblXCoord"), "12.000");
    SetJogBox("Step");
    Press("btnBack");
    Release("btnBack");
    EXPECT_EQ(BoardPosition(*board), (Steps{1200, -1, 0, 0}));
    EXPECT_TRUE(log.Of(machine::cmdEndCurrentMove).empty());
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// A continuous jog runs while the button is held and stops where it is when let go, or when the window
// loses the keyboard to another window while the button is held; it does not run on afterwards.
TEST_F(MachinePanel, AContinuousJogEndsOnReleaseAndWhenTheWindowLosesFocus) {
    QWidget other;
    const struct {
        const char* how;
        std::function<void()> let_go;
    } cases[] = {
        {"release", [this] { Release("btnRight"); }},
        {"focus loss",
         [&other] {
             other.show();
             other.activateWindow();
             QApplication::processEvents();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        StartReady(kMachine, "Slow");
        moving = false;
        HoldAndLetGo("btnRight", c.let_go);
        EXPECT_TRUE(moving);
        const std::int32_t stopped_at = BoardPosition(*board)[0];
        EXPECT_GT(stopped_at, 50);
        EXPECT_LT(stopped_at, 2000);
        Advance(500);
        EXPECT_EQ(BoardPosition(*board)[0], stopped_at);
        EXPECT_FALSE(window->Runner().ManualBusy);
        EXPECT_FALSE(window->Manual().ContinuousJog);
        EXPECT_EQ(log.Of(machine::cmdEndCurrentMove).size(), 2u);
        other.hide();
    }
}

TEST_F(MachinePanel, ALimitSwitchDuringAJogEntersTheEmergencyStop) {
    const std::string sim = WriteProgram("ZorvanSim.Ini", "[LIMITS]\nX_MAX=500\n");
    StartReady(kMachine, "Fast", sim);
    Press("btnRight");  // held: the switch ends the jog
    EXPECT_EQ(BoardPosition(*board)[0], 500);
    EXPECT_TRUE(window->Controller().EStopActive);
    EXPECT_TRUE(Button("btnStop")->isChecked());
    EXPECT_FALSE(window->Runner().ManualBusy);
    EXPECT_EQ(LockedControls(), AllEnabled(false));
    Release("btnRight");
    EXPECT_EQ(BoardPosition(*board)[0], 500);
}

// Homing by the board's home command: Z, then all axes, the home position (configuration units, set in
// steps) and the move to the home offset.
TEST_F(MachinePanel, HomeEndsAtTheHomeOffsetFromTheHomePosition) {
    const std::string sim = WriteProgram("ZorvanSim.Ini", "[LIMITS]\nX_MIN=-700\nY_MIN=-800\nZ_MAX=900\n");
    StartReady(std::string(kMachine) +
                   "[AXIS_0]\nHOME_POSITION=-2\nHOME_OFFSET=1\n[AXIS_1]\nHOME_POSITION=-3\nHOME_OFFSET=2\n"
                   "[AXIS_2]\nHOME_DIRECTION=1\nHOME_POSITION=4\nHOME_OFFSET=3\n",
               "Slow", sim);
    window->btnHomeClick();
    const auto homes = log.Of(machine::cmdHome);
    ASSERT_EQ(homes.size(), 2u);
    EXPECT_EQ(homes[0].axisMask, 4);
    EXPECT_EQ(homes[1].axisMask, 15);
    EXPECT_EQ(homes[1].option, 4);
    const auto sets = log.Of(machine::cmdSetPosition);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ((Steps{sets[0].x, sets[0].y, sets[0].z, sets[0].a}), (Steps{-200, -300, 400, 0}));
    EXPECT_EQ(BoardPosition(*board), (Steps{100, 200, 300, 0}));
    EXPECT_EQ(Text("lblZCoord"), "3.000");
    EXPECT_FALSE(window->Runner().ManualBusy);
}

// Homing against the switch: Z runs down onto the home (probe) switch, which is its answer, not an
// emergency; the switch's place becomes the home position and Z goes to its offset.
TEST_F(MachinePanel, HomeAgainstTheSwitchEndsAtTheHomeOffset) {
    const std::string sim = WriteProgram("ZorvanSim.Ini", "[PROBE]\nTRIP_Z=-500\n");
    StartReady(std::string(kMachine) +
                   "HOMING_VEL=1000\n[CONTROLLER]\nHOMELIM=1\n[AXIS_2]\nHOME_POSITION=1\nHOME_OFFSET=3\n",
               "Slow", sim);
    window->HomeZAxis1Click();
    EXPECT_FALSE(window->Controller().EStopActive);
    const auto sets = log.Of(machine::cmdSetPosition);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].axisMask, 4);
    EXPECT_EQ(sets[0].z, 100);
    EXPECT_EQ(BoardPosition(*board), (Steps{0, 0, 300, 0}));
    EXPECT_EQ(log.Of(machine::cmdRapidMove).size(), 51u);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(MachinePanel, ZeroingAsksAndNoChangesNothing) {
    StartReady(kMachine, "12");
    Press("btnRight");
    Release("btnRight");
    for (const bool yes : {false, true}) {
        answer_yes = yes;
        questions.clear();
        Button("btnClearX")->click();
        EXPECT_EQ(questions, Messages{"OK to Zero Coordinates?"});
        EXPECT_EQ(BoardPosition(*board)[0], yes ? 0 : 1200);
        EXPECT_EQ(Text("lblXCoord"), yes ? "0.000" : "12.000");
    }
}

TEST_F(MachinePanel, SetCoordinatesLoadsTheCountersAndShowsThem) {
    StartReady(kMachine, "Slow");
    QTimer::singleShot(0, [this] {
        TfrmCoord* dialog = window->CoordinatesDialog();
        EXPECT_TRUE(dialog->txtA->isHidden());  // three axes
        dialog->txtX->setText("1.5");
        dialog->txtY->setText("-2");
        dialog->txtZ->setText("x");
        dialog->Button1->click();  // no number in Z: nothing is set
        dialog->txtZ->setText("0.25");
        dialog->Button1->click();
        dialog->Button2->click();
    });
    window->SetCoordinates1Click();
    EXPECT_EQ(messages, Messages{"'x' is not a valid floating point value"});
    EXPECT_EQ(BoardPosition(*board), (Steps{150, -200, 25, 0}));
    EXPECT_EQ(Text("lblXCoord"), "1.500");
    EXPECT_EQ(Text("lblYCoord"), "-2.000");
    EXPECT_DOUBLE_EQ(window->Canon().CurrentPosition[1], -2.0);
}

// MAXSPS 1000: 53 ticks a position, and the board's timer base 64312 lets no more than 1196 through.
TEST_F(MachinePanel, TheFeedOverrideStopsAtTheBoardsLimit) {
    StartReady(std::string(kMachine) + "MAXSPS=1000\n", "Slow");
    auto* slider = qobject_cast<QSlider*>(window->Child("slOveride"));
    for (const int position : {22, 23, 25, -25})
        slider->setValue(position);
    std::vector<std::int32_t> sent;
    for (const ControllerCommand& c : log.Of(machine::cmdSetFeedOverride))
        sent.push_back(c.speed);
    EXPECT_EQ(sent, (std::vector<std::int32_t>{1166, -1325}));
    window->ZeroFeedOverride1Click();
    EXPECT_EQ(slider->value(), 0);
    EXPECT_EQ(log.Of(machine::cmdSetFeedOverride).back().speed, 0);
}

// An S word moves the spindle slider, whose handler sets the board's PWM; so does the operator's hand.
TEST_F(MachinePanel, AnSWordAndTheSpindleSliderSetThePwm) {
    StartReady(kMachine, "Slow");
    const auto pwm = SimCall<std::uint8_t (*)()>("ZorvanSimPwmPercent");
    LoadProgram("S2500 M3\nG0 X1\nM2\n");
    window->btnGoClick();
    EXPECT_EQ(pwm(), 25);
    qobject_cast<QSlider*>(window->Child("tbSpindle"))->setValue(70);
    EXPECT_EQ(pwm(), 70);
}

// The output buttons latch: down switches the output on, up off, and the caption says which.
TEST_F(MachinePanel, TheOutputButtonsSwitchTheBoardsOutputs) {
    StartReady(kMachine, "Slow");
    const auto outputs = SimCall<std::uint8_t (*)()>("ZorvanSimOutputs");
    const struct {
        const char* button;
        std::uint8_t bits;
        const char* caption;
    } presses[] = {
        {"btnAux1", 1, "Mist On"}, {"btnAux2", 3, "Flood On"},  {"btnAux3", 7, "CW On"},
        {"btnAux4", 11, "CCW On"}, {"btnAux1", 10, "Mist Off"}, {"btnAux4", 2, "CCW Off"},
    };
    for (const auto& press : presses) {
        SCOPED_TRACE(press.caption);
        Button(press.button)->click();
        EXPECT_EQ(outputs(), press.bits);
        EXPECT_EQ(Button(press.button)->text(), press.caption);
    }
    EXPECT_FALSE(Button("btnAux3")->isChecked());  // counter-clockwise stopped the clockwise spindle
}

TEST_F(MachinePanel, TheCommandBoxRunsALineAndReportsABadOne) {
    StartReady(kMachine + std::string("[SPEEDKEYS]\nG0 X3=G0 X3\nG0 X3 X4=G0 X3 X4\n"), "Slow");
    auto* box = qobject_cast<QLineEdit*>(window->Child("txtHotStat"));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_F1);
    EXPECT_EQ(box->text(), "G0 X3");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(BoardPosition(*board)[0], 300);
    EXPECT_TRUE(messages.empty()) << messages.front();
    // The feed label takes the last feed when the window's messages run.
    box->setText("F250");
    QTest::keyClick(box, Qt::Key_Return);
    box->setText("F320");
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(qobject_cast<QLabel*>(window->Child("lblFeed"))->text(), "320.00");
    box->setText("G0 X3");
    QTest::keyClick(box, Qt::Key_F3);  // no third speed key: the text stays
    EXPECT_EQ(box->text(), "G0 X3");
    QTest::keyClick(box, Qt::Key_F2);
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Line "), std::string::npos);
    EXPECT_EQ(BoardPosition(*board)[0], 300);
}

TEST_F(MachinePanel, ControllerResetStartsTheBoardAgainInTheEmergencyStop) {
    StartReady(kMachine, "Slow");
    window->mnuEditModeClick();
    window->Reset1Click();
    EXPECT_TRUE(window->ControllerPresent());
    EXPECT_TRUE(window->Controller().EStopActive);
    EXPECT_FALSE(window->Canon().PreviewMode);  // in the Control Center
    EXPECT_EQ(LockedControls(), AllEnabled(false));
    window->btnStopClick();
    EXPECT_FALSE(window->Controller().EStopActive);
    EXPECT_TRUE(messages.empty()) << messages.front();

    // A board that no longer answers: the program goes on without one.
    const std::string dead = WriteProgram("ZorvanSim.Ini", "[FAULTS]\nDEAD_AFTER=100\n");
    StartReady(kMachine, "Slow", dead);
    Advance(100);
    messages.clear();
    window->Reset1Click();
    EXPECT_FALSE(window->ControllerPresent());
    EXPECT_EQ(messages, Messages{"Could not Reset Controller"});
    EXPECT_EQ(window->StatusPanelText(1), "");
}

// With SAFETY a key pressed during GO holds the run, and Escape stops the machine.
TEST_F(MachinePanel, AKeyHoldsARunAndEscapeStopsIt) {
    StartReady(kMachine, "Slow");
    LoadProgram("G1 X50 F600\nG1 X0\nM2\n");
    bool held = false;
    std::vector<std::pair<std::string, bool>> during_run;
    QTimer::singleShot(0, [&] {
        during_run = LockedControls();
        Key(Qt::Key_A);
        held = window->Controller().Paused && Button("btnPause")->isChecked();
        Key(Qt::Key_Escape);
    });
    window->btnGoClick();
    EXPECT_TRUE(held);
    EXPECT_EQ(during_run, AllEnabled(false));
    EXPECT_TRUE(window->Controller().EStopActive);
    EXPECT_FALSE(Button("btnPause")->isChecked());  // the stop ended the hold
    EXPECT_FALSE(window->Runner().Running);
    EXPECT_LT(BoardPosition(*board)[0], 5000);
    EXPECT_EQ(LockedControls(), AllEnabled(false));
    window->btnStopClick();
    EXPECT_EQ(LockedControls(), AllEnabled(true));
}

// The arrow keys jog even with the editor focused and never reach it; without a board in the Edit
// Center they move only the drawn tool. Other keys reach the editor.
TEST_F(MachinePanel, WithoutABoardTheArrowKeysMoveOnlyTheDrawnTool) {
    WriteIni(kMachine);
    Start(false);
    messages.clear();
    TypeProgram("G0 X1\nG0 X2\n");
    QsciScintilla* editor = window->Editor();
    editor->setFocus();
    editor->setCursorPosition(1, 0);
    SetJogBox("1");
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);  // each jog starts from the position shown, which no board changes
    EXPECT_DOUBLE_EQ(window->Canon().get_position().y, 1.0);
    int line = 0, column = 0;
    editor->getCursorPosition(&line, &column);
    EXPECT_EQ(line, 1);
    Key(Qt::Key_End);
    editor->getCursorPosition(&line, &column);
    EXPECT_EQ(column, 5);
    EXPECT_FALSE(window->Controller().EStopActive);
    EXPECT_TRUE(messages.empty()) << messages.front();
    // In the Control Center the first jog's failed dispatch enters the emergency stop.
    window->mnuControlModeClick();
    Key(Qt::Key_Left);
    EXPECT_TRUE(window->Controller().EStopActive);
}

// The window after a jog, checked by what it shows: the X coordinate as the label draws "12.000".
TEST_F(MachinePanel, AfterAJogTheWindowShowsTheNewCoordinate) {
    StartReady(kMachine, "12");
    Key(Qt::Key_Right);
    QApplication::processEvents();
    const QImage shot = window->grab().toImage();
    auto* shown = qobject_cast<QLabel*>(window->Child("lblXCoord"));
    const QRect area(shown->mapTo(window.get(), QPoint(0, 0)), shown->size());

    QWidget white;
    white.setAutoFillBackground(true);
    QPalette palette = white.palette();
    palette.setColor(QPalette::Window, Qt::white);
    white.setPalette(palette);
    white.resize(shown->size());
    QLabel expected("12.000", &white);
    expected.setFont(shown->font());
    expected.setAlignment(shown->alignment());
    expected.resize(shown->size());
    const QImage reference = white.grab().toImage();
    int differing = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x)
            differing += shot.pixelColor(area.x() + x, area.y() + y) != reference.pixelColor(x, y);
    }
    EXPECT_LT(differing, area.width() * area.height() / 100);
    EXPECT_EQ(BoardPosition(*board)[0], 1200);
}

}  // namespace
}  // namespace zorvan::ui
