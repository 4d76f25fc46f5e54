// GO, Next and the emergency stop as the program runner carries them out, against a board that records.
#include "machine/program_runner.h"

#include <gtest/gtest.h>

#include "machine/fake_board.h"
#include "machine/runner_setup.h"
#include "support/quiet_reporter.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using Calls = std::vector<std::string>;

using testing::QuietReporter;

// What the runs asked of the window, in order: marks, gauge values and locks.
class RecordingView final : public RunView {
  public:
    void HighlightLine(int n) override { calls.push_back("mark " + std::to_string(n)); }
    void SetGauge(int percent) override {
        if (percent != 0) gauge.push_back(percent);
    }
    void LockMachineControls(bool locked) override { calls.push_back(locked ? "lock" : "unlock"); }
    void SetGreyColours(bool on) override { calls.push_back(on ? "grey" : "colours"); }
    void SetStopButton(bool down) override { calls.push_back(down ? "stop down" : "stop up"); }
    Calls calls;
    std::vector<int> gauge;
};

class Runner : public ::testing::Test {
  protected:
    Runner()
        : controller(panel, testing::fake_board_table()),
          canon(panel, sink, &controller),
          interpreter(canon, reporter, temp.path()),
          runner(interpreter, canon, controller, panel) {
        testing::ReadyForGo(panel, controller, canon, interpreter, runner, view);
    }
    // A program of n feed moves along X, one unit further each line, ending with M2 when ends.
    static std::vector<std::string> steps_program(int n, bool ends) {
        std::vector<std::string> program;
        for (int i = 1; i <= n; ++i)
            program.push_back("G1 X" + std::to_string(i) + " F100");
        if (ends) program.push_back("M2");
        return program;
    }
    Calls marks() const {
        Calls m;
        for (const std::string& call : view.calls) {
            if (call.rfind("mark", 0) == 0) m.push_back(call);
        }
        return m;
    }
    // Moves the board was sent, in order.
    Calls moves() const {
        Calls calls;
        for (const std::string& call : fake_board().calls) {
            if (call.rfind("LinearMove", 0) == 0 || call.rfind("RapidMove", 0) == 0) calls.push_back(call);
        }
        return calls;
    }
    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    QuietReporter reporter;
    Controller controller;
    Canon canon;
    interp::Interpreter interpreter;
    ProgramRunner runner;
    RecordingView view;
};

// The grey preview runs the program's G92 once already; the run must not start from what it left.
TEST_F(Runner, GoFromTheFirstLineStartsFromTheStateBeforeItsPreview) {
    runner.lines = {"G92 X-10", "G0 X0", "M2"};
    runner.Go();
    EXPECT_EQ(moves(), Calls{"RapidMove(1000, 0, 0, 0, 1000, 100)"});
    EXPECT_EQ(interpreter.settings().axis_offset_x, 10.0);
}

TEST_F(Runner, GoSendsWhatIsStillQueuedWhenALineFails) {
    canon.Queue()->SetContouring(1);
    runner.lines = {"G1 X1 F600", "G1 X2", "G1 X3 X4"};
    runner.Go();
    const Calls sent = moves();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].rfind("LinearMove(100, 0, 0, 0, 1000, ", 0), 0u);
    EXPECT_EQ(sent[1], "LinearMove(200, 0, 0, 0, 1000, 0)");  // the last one sent ends at rest
    EXPECT_EQ(canon.Queue()->size(), 0u);
    EXPECT_FALSE(runner.Running);
}

TEST_F(Runner, NextRunsOneLineAtATimeFromTheStateBeforeItsPreview) {
    runner.lines = {"G92 X-10", "G0 X0", "M2"};
    runner.Next();
    runner.Next();
    EXPECT_EQ(runner.StartLine, 2);
    EXPECT_EQ(moves(), Calls{"RapidMove(1000, 0, 0, 0, 1000, 100)"});
}

TEST_F(Runner, GoRefusesInTheEmergencyStopAndWithoutAProgram) {
    runner.lines = {"G0 X1", "M2"};
    runner.EmergencyStop(true);
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_EQ(panel.status, "Controller in EmStop.");
    runner.Go();
    EXPECT_EQ(panel.modal_messages.back(), "Controller in EmStop.");
    EXPECT_TRUE(moves().empty());
    runner.EmergencyStop(false);
    EXPECT_FALSE(controller.EStopActive);
    interpreter.set_program_name("");
    runner.Go();
    EXPECT_EQ(panel.modal_messages.back(), "No file loaded.");
}

TEST_F(Runner, TheEmergencyStopSwitchesTheOutputsOffOnTheBoard) {
    canon.start_spindle_clockwise();
    canon.mist_on();
    fake_board().calls.clear();
    runner.EmergencyStop(true);
    Calls sent;
    for (const std::string& call : fake_board().calls) {
        if (call != "GetPosition()") sent.push_back(call);
    }
    EXPECT_EQ(sent, (Calls{"EmStop()", "SetOutput(4, 0)", "SetOutput(8, 0)", "SetOutput(2, 0)",
                           "SetOutput(1, 0)"}));
}

TEST_F(Runner, ToCursorInterpretsThroughTheLineBelowTheCaretAndFromCursorTheRest) {
    runner.ControlCenter = false;
    runner.lines = steps_program(8, true);
    runner.ToCursor(3);
    EXPECT_EQ(interpreter.line_counter(), 4);
    EXPECT_DOUBLE_EQ(canon.get_position().x, 4.0);
    EXPECT_EQ(panel.display_steps[0], 400);  // shown at once
    runner.FromCursor(3);
    EXPECT_EQ(interpreter.line_counter(), 0);  // reset at its end
    EXPECT_EQ(marks(), Calls{"mark 4"});       // the M2 that ends From Cursor is not 0, so nothing is marked
    EXPECT_TRUE(reporter.messages.empty());
}

TEST_F(Runner, NextInterpretsTheLineAtTheLineCounterAndStepLinesStopsAtAnError) {
    runner.ControlCenter = false;
    runner.lines = {"G1 X1 F100", "G1 X2", "G1 X3 X4", "G1 X5"};
    runner.PreviewNext();
    runner.PreviewNext();
    EXPECT_DOUBLE_EQ(canon.get_position().x, 2.0);
    runner.StepLines(10);
    EXPECT_EQ(reporter.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(canon.get_position().x, 2.0);
    EXPECT_EQ(marks(), (Calls{"mark 1", "mark 2", "mark 2"}));
}

// The preview lets the window's messages run (and so be cancelled) only on programs above 100 lines.
TEST_F(Runner, AllIsCancellableAndShowsProgressOnlyPastAHundredLines) {
    struct Case {
        int lines;
        bool estop_on_first_pump;
        std::size_t pumps;
        Calls messages;
    };
    const Case cases[] = {
        {80, true, 0, {}},
        {1000, false, 90, {}},  // at lines 111, 121, ... 1001
        {1000, true, 1, {"Preview Cancelled."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        panel.modal_messages.clear();
        reporter.messages.clear();
        view.gauge.clear();
        panel.messages_processed = 0;
        panel.on_process_messages = [&] {
            if (c.estop_on_first_pump) controller.EStopActive = true;
        };
        runner.lines = steps_program(c.lines, !c.estop_on_first_pump);
        runner.All();
        EXPECT_EQ(static_cast<std::size_t>(panel.messages_processed), c.pumps);
        EXPECT_EQ(panel.modal_messages, c.messages);
        EXPECT_EQ(view.gauge.size(), c.estop_on_first_pump ? 0u : c.pumps);
        // Only a program that ran to its M2 ends without the complaint.
        EXPECT_EQ(reporter.messages.size(), c.estop_on_first_pump ? 1u : 0u);
        EXPECT_FALSE(controller.EStopActive);  // the preview gives the flag back
        controller.EStopActive = false;
    }
}

TEST_F(Runner, GoMarksTheLineAboveTheOneInterpretedAndLocksTheControlsWhileItRuns) {
    runner.HighLight = true;
    runner.lines = {"G0 X1", "G0 X2", "M2"};
    runner.Go();
    EXPECT_EQ(view.calls.front(), "lock");
    EXPECT_EQ(view.calls.back(), "unlock");
    EXPECT_EQ(marks(), (Calls{"mark 0", "mark 1", "mark 2"}));
    EXPECT_NE(std::find(view.calls.begin(), view.calls.end(), "grey"), view.calls.end());
}

TEST_F(Runner, GoFromLineFiveDrawsFiveLinesAndRunsFromTheFifthOn) {
    runner.lines = steps_program(8, true);
    runner.StartLine = 5;
    runner.Go();
    EXPECT_EQ(runner.StartLine, 4);
    const Calls sent = moves();
    // Line 5 runs again from where the preview left the tool, so it moves nothing.
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent.front().rfind("LinearMove(600,", 0), 0u);
}

TEST_F(Runner, TheEmergencyStopLocksTheControlsUntilTheBoardAnswers) {
    runner.EmergencyStop(true);
    EXPECT_EQ(view.calls, (Calls{"stop down", "lock"}));
    fake_board().statuses.push_back(testing::status_code(-1));
    runner.EmergencyStop(false);
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_EQ(view.calls.size(), 2u);
    runner.EmergencyStop(false);
    EXPECT_FALSE(controller.EStopActive);
    EXPECT_EQ(view.calls, (Calls{"stop down", "lock", "stop up", "unlock"}));
}

// The preview clears the flag for its own use and gives it back; an emergency stop pressed while the
// grey preview lets messages run is the machine's, and nothing of the program may be sent after it.
TEST_F(Runner, AnEmergencyStopDuringTheGreyPreviewStopsTheRun) {
    runner.lines = steps_program(300, true);
    bool pressed = false;
    panel.on_process_messages = [&] {
        if (!pressed) {
            pressed = true;
            runner.EmergencyStop(true);
        }
    };
    runner.Go();
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_FALSE(runner.Running);
    EXPECT_TRUE(moves().empty());
    // The controls stay locked in the emergency stop.
    EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "unlock"), 0);
}

// An emergency stop pressed while GO waits for a busy board ends the run, and the machine cannot be
// made ready again until GO has unwound: nothing queued before the stop, nor the rest of the line being
// run, reaches the board after it (with contouring the queue is emptied under the wait).
TEST_F(Runner, AnEmergencyStopInsideGoIsLeftOnlyAfterGoEnded) {
    for (const int contouring : {0, 1}) {
        SCOPED_TRACE(contouring);
        fake_board(true);
        controller.EStopActive = false;
        runner.lines = {"G1 X1 F600", "G1 X2", "G1 X3", "G0 X4", "M2"};
        // Pressed and pressed again while the board keeps the first move waiting.
        panel.on_process_messages = [&] {
            const Calls& calls = fake_board().calls;
            if (!controller.EStopActive && !calls.empty() && calls.back().rfind("LinearMove", 0) == 0) {
                runner.EmergencyStop(true);
                runner.EmergencyStop(false);
            }
        };
        canon.Queue()->SetContouring(contouring);
        fake_board().busy_moves = 1;
        runner.Go();
        EXPECT_TRUE(controller.EStopActive);
        EXPECT_EQ(canon.Queue()->size(), 0u);
        EXPECT_EQ(moves().size(), 1u);  // the move answered busy, and nothing after it
        panel.on_process_messages = nullptr;
        runner.EmergencyStop(false);
        EXPECT_FALSE(controller.EStopActive);
    }
}

// Without a board every output command fails, and a failed command enters the emergency stop: entering
// it must not start over from inside itself.
TEST_F(Runner, TheEmergencyStopWithoutABoardEndsOnce) {
    controller.ControllerPresent = false;
    Controller no_board(panel, std::nullopt);
    Canon canon_without_board(panel, sink, &no_board);
    ProgramRunner alone(interpreter, canon_without_board, no_board, panel);
    canon_without_board.PreviewMode = false;
    panel.on_emergency_stop = [&alone](bool on) { alone.EmergencyStop(on); };
    alone.EmergencyStop(true);
    EXPECT_TRUE(no_board.EStopActive);
    EXPECT_EQ(panel.status, "Controller in EmStop.");
}

// An unplugged board answers every call with a time-out. Entering the emergency stop must still end,
// at start-up (GO never ran) and mid-run alike, and the machine stays stopped until the board answers.
TEST_F(Runner, TheEmergencyStopEndsWhenTheBoardStopsAnswering) {
    for (const bool mid_run : {false, true}) {
        SCOPED_TRACE(mid_run);
        fake_board(true);
        controller.EStopActive = false;
        canon.Queue()->SetContouring(1);
        long polls = 0;
        panel.on_process_messages = [&] { ASSERT_LT(++polls, 1000) << "a wait does not end"; };
        if (mid_run) {
            runner.lines = steps_program(20, true);
            // The board dies while GO feeds the program: the first move it is sent fails.
            panel.on_sleep = nullptr;
            fake_board().statuses = {'[', '[', '['};
            fake_board().dead = false;
            controller.Responding = true;
            bool killed = false;
            panel.on_status = [&](std::string_view text) {
                if (!killed && text == "Processing file...") {
                    killed = true;
                    fake_board().dead = true;
                }
            };
            runner.Go();
            panel.on_status = nullptr;
        } else {
            fake_board().dead = true;
            runner.EmergencyStop(true);
        }
        EXPECT_TRUE(controller.EStopActive);
        EXPECT_FALSE(controller.EStopEntering);
        EXPECT_FALSE(runner.Running);
        EXPECT_EQ(panel.status, "Controller not responding.");
        // Reset (ESTP) is refused while the board is silent, and accepted once it answers again.
        runner.EmergencyStop(false);
        EXPECT_TRUE(controller.EStopActive);
        EXPECT_EQ(panel.status, "Controller not responding.");
        fake_board().dead = false;
        runner.EmergencyStop(false);
        EXPECT_FALSE(controller.EStopActive);
        EXPECT_EQ(panel.status, "Controller is Ready...");
    }
}

// The operator's second press while the machine is being switched off cuts every wait of it short.
TEST_F(Runner, AStopPressedWhileStoppingEndsTheStop) {
    // A board that never reports idle: the waits of the switch-off would poll for ever.
    fake_board().statuses.assign(100000, 'Z');
    long polls = 0;
    panel.on_process_messages = [&] {
        if (++polls == 50) runner.EmergencyStop(true);
        ASSERT_LT(polls, 1000) << "a wait does not end";
    };
    runner.EmergencyStop(true);
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_FALSE(controller.EStopEntering);
    EXPECT_EQ(panel.status, "Controller in EmStop.");
}

}  // namespace
}  // namespace zorvan::machine
