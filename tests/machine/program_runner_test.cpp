// GO, Next and the emergency stop as the program runner carries them out, against a board that records.
#include "machine/program_runner.h"

#include <gtest/gtest.h>

#include "machine/fake_board.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using Calls = std::vector<std::string>;

class QuietReporter final : public interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view message) override {
        messages.emplace_back(message);
    }
    std::vector<std::string> messages;
};

class Runner : public ::testing::Test {
  protected:
    Runner()
        : controller(panel, testing::fake_board_table()),
          canon(panel, sink, &controller),
          interpreter(canon, reporter, temp.path()),
          runner(interpreter, canon, controller, panel) {
        fake_board(true);
        controller.ControllerPresent = true;
        panel.on_emergency_stop = [this](bool on) { runner.EmergencyStop(on); };
        interpreter.interpreter_init();
        interpreter.execute_direct("G21");
        canon.PreviewMode = false;
        interpreter.set_program_name("test.ngc");
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

}  // namespace
}  // namespace zorvan::machine
