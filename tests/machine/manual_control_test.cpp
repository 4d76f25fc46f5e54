// Jogs, homing, zeroing, typed commands, the sliders and the keyboard as the manual operations carry
// them out, against a board that records.
#include "machine/manual_control.h"

#include <gtest/gtest.h>

#include "machine/fake_board.h"
#include "support/quiet_reporter.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using testing::status_code;
using Calls = std::vector<std::string>;

using testing::QuietReporter;

class TestView final : public ManualView {
  public:
    std::string JogText() const override { return jog_text; }
    void SetJogText(std::string_view text) override { jog_text = text; }
    bool Confirm(std::string_view question) override {
        questions.emplace_back(question);
        return answer;
    }
    void ClickGo() override { clicks.push_back("go"); }
    void ClickStop() override { clicks.push_back("stop"); }
    std::string jog_text = "Slow";
    bool answer = false;
    Calls questions, clicks;
};

// A board whose home switch closes on every straight or index move: its next answer is the switch.
controller::ZorvanApiTable HomeSwitchBoard() {
    controller::ZorvanApiTable table = testing::fake_board_table();
    static decltype(table.LinearMove) linear = table.LinearMove;
    static decltype(table.IndexMove) index = table.IndexMove;
    table.LinearMove = [](std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a, std::int32_t speed,
                          std::int32_t end, std::int32_t* px, std::int32_t* py, std::int32_t* pz,
                          std::int32_t* pa) {
        const std::uint8_t status = linear(x, y, z, a, speed, end, px, py, pz, pa);
        fake_board().statuses.push_back(status_code(-43));
        return status;
    };
    table.IndexMove = [](std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a, std::int32_t speed,
                         std::uint8_t mask, std::int32_t* px, std::int32_t* py, std::int32_t* pz,
                         std::int32_t* pa) {
        const std::uint8_t status = index(x, y, z, a, speed, mask, px, py, pz, pa);
        fake_board().statuses.push_back(status_code(-43));
        return status;
    };
    return table;
}

class Manual : public ::testing::Test {
  protected:
    explicit Manual(controller::ZorvanApiTable board = testing::fake_board_table())
        : controller(panel, board),
          canon(panel, sink, &controller),
          interpreter(canon, reporter, temp.path()),
          runner(interpreter, canon, controller, panel),
          manual(interpreter, canon, controller, panel, runner) {
        fake_board(true);
        controller.ControllerPresent = true;
        panel.on_emergency_stop = [this](bool on) { runner.EmergencyStop(on); };
        panel.backlash_offsets = &canon.BacklashDisplayOffset;
        interpreter.interpreter_init();
        interpreter.execute_direct("G21");
        canon.PreviewMode = false;
        runner.SetView(&view);
        manual.SetView(&view);
        manual.settings.SlowJog = 60;  // 1 mm/s: 100 steps/s
        fake_board().calls.clear();
    }
    // The board's calls since the last look, without the position polls.
    Calls sent() {
        Calls calls;
        for (const std::string& call : fake_board().calls) {
            if (call != "GetPosition()") calls.push_back(call);
        }
        fake_board().calls.clear();
        return calls;
    }
    long count(const std::string& prefix) const {
        return std::count_if(fake_board().calls.begin(), fake_board().calls.end(),
                             [&prefix](const std::string& call) { return call.rfind(prefix, 0) == 0; });
    }

    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    QuietReporter reporter;
    Controller controller;
    Canon canon;
    interp::Interpreter interpreter;
    ProgramRunner runner;
    ManualControl manual;
    TestView view;
};

TEST(JogBox, ReadsTheDistanceFromWhatANumberMayHold) {
    const struct {
        const char* text;
        char separator;
        std::optional<double> distance;
    } cases[] = {
        {"1a2", '.', 12.0},       {"-", '.', 0.0},
        {"", '.', 0.0},           {"mm", '.', 0.0},
        {"0.5", '.', 0.5},        {"-2.5 mm", '.', -2.5},
        {"1e2", '.', 100.0},      {"0,5", ',', 0.5},
        {"1,5", '.', 15.0},       {"1.2.3", '.', std::nullopt},
        {"+", '.', std::nullopt}, {"1e", '.', std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadJogDistance(c.text, c.separator), c.distance) << c.text;
    }
    EXPECT_EQ(OverrideStepFor(16000), 29);
    EXPECT_EQ(OverrideStepFor(1000), 53);
}

// A continuous jog is a rapid nudge, then a feed of 99 units that the release ends. Let go while a busy
// board was still being handed the nudge or the feed, the feed is not sent, or it is ended as soon as
// the board has it.
TEST_F(Manual, AContinuousJogDoesNotRunOnAfterItIsLetGo) {
    const struct {
        std::deque<std::uint8_t> statuses;  // the position query, the nudge, the feed
        const char* release_during;
        Calls calls;
    } cases[] = {
        {{},
         "GetPosition",
         {"RapidMove(0, 0, 0, 0, 1000, 100)", "LinearMove(9900, 0, 0, 0, 100, 100)", "EndCurrentMove()",
          "EndCurrentMove()"}},
        {{'[', '\\'}, "RapidMove", {"RapidMove(0, 0, 0, 0, 1000, 100)", "RapidMove(0, 0, 0, 0, 1000, 100)"}},
        {{'[', 'Z', '\\'},
         "LinearMove",
         {"RapidMove(0, 0, 0, 0, 1000, 100)", "LinearMove(9900, 0, 0, 0, 100, 100)", "EndCurrentMove()",
          "EndCurrentMove()", "LinearMove(9900, 0, 0, 0, 100, 100)", "EndCurrentMove()", "EndCurrentMove()"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.release_during);
        fake_board(true);
        fake_board().statuses = c.statuses;
        bool released = false;
        panel.on_process_messages = [&] {
            if (!released && count("LinearMove") + count("RapidMove") > 0 &&
                fake_board().calls.back().rfind(c.release_during, 0) == 0) {
                released = true;
                manual.FormKeyUp(KeyRight);
            }
        };
        EXPECT_TRUE(manual.FormKeyDown(KeyRight));  // swallowed: the editor's caret does not move
        EXPECT_EQ(sent(), c.calls);
        EXPECT_FALSE(runner.ManualBusy);
    }
}

TEST_F(Manual, ABoardThatWillNotEndTheJogIsStopped) {
    panel.on_process_messages = [&] {
        if (manual.ContinuousJog) {
            fake_board().statuses = {status_code(-39), status_code(-39)};
            manual.EndJog();
        }
    };
    manual.Jog(AxisY, -1);
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_EQ(panel.emergency_stops, 1);
}

TEST_F(Manual, AJogBoxWithoutANumberShowsTheErrorAndJogsNothing) {
    view.jog_text = "1.2.3";
    manual.Jog(AxisX, 1);
    EXPECT_EQ(panel.modal_messages, Calls{"'1.2.3' is not a valid floating point value"});
    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(runner.ManualBusy);
    EXPECT_FALSE(manual.ContinuousJog);
}

TEST_F(Manual, ManualOperationsWaitForTheRunAndForEachOther) {
    for (const bool running : {true, false}) {
        runner.Running = running;
        runner.ManualBusy = !running;
        view.answer = true;
        manual.Jog(AxisX, 1);
        manual.ExecuteCommand("G0 X5");
        manual.HomeAll();
        manual.ZeroAll();
        EXPECT_FALSE(manual.SetCoordinates(1, 2, 3, 0));
        EXPECT_TRUE(sent().empty());
        EXPECT_TRUE(view.questions.empty());
    }
}

// A home command the board refuses, the emergency stop and the Edit Center leave the counters alone.
TEST_F(Manual, HomingSetsNoHomePositionWhereTheAxisNeverWent) {
    fake_board().statuses = {'[', status_code(-39)};
    manual.HomeAll();
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_EQ(count("SetPosition"), 0);
    sent();
    manual.HomeAxis(AxisZ);  // in the emergency stop
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(panel.status, "Controller in E-STOP...");
    runner.EmergencyStop(false);
    canon.PreviewMode = true;
    EXPECT_FALSE(manual.HomeAxis(AxisZ));
    EXPECT_TRUE(sent().empty());
}

// One axis homed under a program origin: the moves to the offset keep the other axes where they are.
TEST_F(Manual, HomingOneAxisKeepsTheOthersWhereTheBoardHasThem) {
    fake_board().position[0] = 500;
    canon.set_origin_offsets(10, 0, 0);
    manual.settings.HomePosition = {0, 0, 300, 0};
    manual.settings.HomeOffset = {0, 0, 4, 0};
    EXPECT_TRUE(manual.HomeAxis(AxisZ));
    const Calls calls = sent();
    ASSERT_EQ(calls.size(), 53u);
    EXPECT_EQ(calls[1], "SetPosition(0, 0, 300, 0, 4)");
    EXPECT_EQ(calls[2], "RapidMove(500, 0, 400, 0, 1000, 100)");
    EXPECT_EQ(calls[52], "RapidMove(500, 0, 400, 0, 1000, 100)");
}

class HomeSwitch : public Manual {
  protected:
    HomeSwitch() : Manual(HomeSwitchBoard()) {}
};

TEST_F(HomeSwitch, HomeAgainstTheSwitchHomesZThenYThenXEachWithFiftyOneMovesToItsOffset) {
    manual.settings.HOMELIM = true;
    manual.settings.HomeDirections = 4;  // Z homes upwards
    manual.settings.HomePosition = {-10, -20, 300, 0};
    manual.HomeAll();
    Calls searches, sets;
    long rapids = 0;
    for (const std::string& call : sent()) {
        if (call.rfind("LinearMove", 0) == 0) searches.push_back(call);
        if (call.rfind("SetPosition", 0) == 0) sets.push_back(call);
        rapids += call.rfind("RapidMove", 0) == 0;
    }
    // At the homing speed, 100 steps/s; the recording board's counters stay at 0.
    EXPECT_EQ(searches,
              (Calls{"LinearMove(0, 0, 99900, 0, 100, 100)", "LinearMove(0, -99900, 0, 0, 100, 100)",
                     "LinearMove(-99900, 0, 0, 0, 100, 100)"}));
    EXPECT_EQ(sets, (Calls{"SetPosition(-10, -20, 300, 0, 4)", "SetPosition(-10, -20, 300, 0, 2)",
                           "SetPosition(-10, -20, 300, 0, 1)"}));
    EXPECT_EQ(rapids, 3 * 51);
    EXPECT_FALSE(controller.ProbeExpected);
}

TEST_F(Manual, AHomingMoveThatEndsWithoutTheSwitchHomesNothing) {
    manual.settings.HOMELIM = true;
    manual.HomeAll();
    EXPECT_EQ(count("LinearMove"), 1);  // Z only: the sequence stops
    EXPECT_EQ(count("SetPosition"), 0);
    EXPECT_EQ(panel.status, HOME_NOT_FOUND);
}

// Which keys hold a run or a manual move, by the Keypad and SAFETY settings, and which never reach the
// focused control (a jog key repeated while its jog runs).
TEST_F(Manual, KeysHoldTheRunAsTheSettingsSay) {
    const int letter = 'A', end = 35;
    const struct {
        bool keypad, safety, running, busy;
        int key;
        long pauses;
        bool swallowed;
    } cases[] = {
        {false, true, true, false, letter, 1, false},      {false, true, true, false, KeyShift, 0, false},
        {false, true, true, false, KeyEnter, 0, false},    {false, true, true, false, KeyUp, 1, false},
        {false, true, false, true, KeyUp, 0, true},        {false, true, false, true, end, 0, false},
        {false, true, false, true, KeyF1 + 2, 0, false},   {false, true, false, true, KeyF10, 1, false},
        {false, true, false, true, KeyShift, 1, false},    {false, false, true, false, letter, 0, false},
        {true, false, true, false, letter, 1, false},      {true, false, true, false, KeyDivide, 1, false},
        {true, true, true, false, KeyShift + 1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        controller.Paused = false;
        manual.settings.Keypad = c.keypad;
        manual.settings.SAFETY = c.safety;
        runner.Running = c.running;
        runner.ManualBusy = c.busy;
        EXPECT_EQ(manual.FormKeyDown(c.key), c.swallowed);
        EXPECT_EQ(count("Pause"), c.pauses);
        EXPECT_EQ(count("RapidMove") + count("LinearMove"), 0);
        fake_board().calls.clear();
    }
    // The keypad's hold key resumes a held run, and nothing holds it again.
    manual.settings.Keypad = true;
    runner.Running = true;
    controller.Paused = true;
    manual.FormKeyDown(KeyDivide);
    EXPECT_EQ(sent(), Calls{"Continue()"});
    EXPECT_FALSE(controller.Paused);
}

TEST_F(Manual, TheKeypadJogsSetsTheJogBoxAndClicks) {
    manual.settings.Keypad = true;
    manual.FormKeyDown(KeyNumpad0);
    EXPECT_EQ(view.jog_text, "Fast");
    manual.FormKeyDown(KeyMultiply);
    manual.FormKeyDown(KeyNumpad8);
    EXPECT_EQ(sent(), Calls{"RapidMove(0, 0, 100, 0, 1000, 100)"});
    manual.FormKeyDown(KeyDecimal);
    manual.FormKeyDown(KeyF5);
    manual.FormKeyDown(KeySubtract);
    EXPECT_EQ(view.clicks, (Calls{"go", "stop"}));
    EXPECT_EQ(view.questions, Calls{ZERO_QUESTION});
}

TEST_F(Manual, EscapeStopsTheMachineWithSafetyAndHoldsItWithout) {
    manual.settings.SAFETY = false;
    manual.FormKeyPress(KeyEscape);
    EXPECT_TRUE(controller.Paused);
    EXPECT_FALSE(controller.EStopActive);
    manual.settings.SAFETY = true;
    manual.FormKeyPress(KeyEscape);
    EXPECT_TRUE(controller.EStopActive);
}

TEST_F(Manual, SetCoordinatesTakesProgramUnitsAndKeepsTheCanonInMillimetres) {
    interpreter.execute_direct("G20");
    EXPECT_TRUE(manual.SetCoordinates(1, 0.5, 0, 90));
    EXPECT_EQ(sent(), Calls{"SetPosition(2540, 1270, 0, 9000, 15)"});
    EXPECT_DOUBLE_EQ(canon.CurrentPosition[0], 25.4);
    EXPECT_DOUBLE_EQ(canon.CurrentPosition[3], 90.0);
    fake_board().statuses = {status_code(-39)};
    EXPECT_FALSE(manual.SetCoordinates(2, 0, 0, 0));
    EXPECT_DOUBLE_EQ(canon.CurrentPosition[0], 25.4);
}

// Asked for while GO interprets the program, the reset only stops the machine.
TEST_F(Manual, ControllerResetUnderARunOnlyStopsTheMachine) {
    runner.lines = {"G1 X1 F600", "G1 X2", "M2"};
    interpreter.set_program_name("p.ngc");
    bool reset = true;
    panel.on_process_messages = [&] {
        if (runner.Running && reset) reset = manual.ResetController(temp.path());
    };
    runner.Go();
    EXPECT_FALSE(reset);
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_EQ(count("Reset"), 0);
}

}  // namespace
}  // namespace zorvan::machine
