// The travel check between the interpreter and the canon, as the window composes them: previews mark the
// moves that leave the table, and GO asks before it sends a program that does.
#include <gtest/gtest.h>

#include <functional>

#include "machine/fake_board.h"
#include "machine/program_runner.h"
#include "machine/runner_setup.h"
#include "machine/travel_check.h"
#include "support/quiet_reporter.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using Calls = std::vector<std::string>;

// X 0..200, Y 0..150, Z -50..100 mm.
const TableLimits kTable{{0, 0, -50}, {200, 150, 100}};

// The move kinds drawn, each run of one kind once.
class KindSink final : public ToolPathSink {
  public:
    void SetMoveKind(int kind) override {
        if (kinds.empty() || kinds.back() != kind) kinds.push_back(kind);
    }
    void MoveTo3D(double, double, double) override {}
    void LineTo3D(double, double, double) override {}
    double PixelsPerUnit() const override { return 1.0; }
    std::vector<int> kinds;
};

// Answers GO's question and records the lines it was asked about and the locks.
class AnsweringView final : public RunView {
  public:
    bool RunAnyway(const TravelExcursion& first) override {
        asked.push_back(first.line);
        if (while_asked) while_asked();
        return answer;
    }
    void LockMachineControls(bool locked) override { locked_last = locked; }
    bool answer = false;
    std::function<void()> while_asked;
    std::vector<long> asked;
    bool locked_last = false;
};

class RunTravel : public ::testing::Test {
  protected:
    RunTravel()
        : controller(panel, testing::fake_board_table()),
          canon(panel, sink, &controller),
          check(kTable),
          checking(canon, check),
          interpreter(checking, reporter, temp.path()),
          runner(interpreter, canon, controller, panel) {
        testing::ReadyForGo(panel, controller, canon, interpreter, runner, view);
        runner.SetTravelCheck(&check);
    }
    Calls moves() const {
        Calls calls;
        for (const std::string& call : fake_board().calls) {
            if (call.rfind("LinearMove", 0) == 0 || call.rfind("RapidMove", 0) == 0) calls.push_back(call);
        }
        return calls;
    }
    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    KindSink sink;
    zorvan::testing::QuietReporter reporter;
    Controller controller;
    Canon canon;
    TravelCheck check;
    TravelCheckingCanon checking;
    interp::Interpreter interpreter;
    ProgramRunner runner;
    AnsweringView view;
};

TEST_F(RunTravel, GoAsksOnlyAboutExcursionsOnTheLinesItSends) {
    const std::vector<std::string> leaves_at_3 = {"G92 X-10", "G0 X10", "G0 X250", "G0 X20", "G0 X30", "M2"};
    const struct {
        const char* name;
        std::vector<std::string> program;
        int start_line;
        bool answer;
        std::vector<long> asked;
        bool sent;
    } cases[] = {
        {"inside the table", {"G0 X10", "G1 X190 Y140 F600", "M2"}, 0, false, {}, true},
        {"declined", leaves_at_3, 0, false, {3}, false},
        {"run anyway", leaves_at_3, 0, true, {3}, true},
        // The lines before the start line are previewed, not sent.
        {"from the line after the excursion", leaves_at_3, 4, false, {}, true},
        {"from the excursion's own line", leaves_at_3, 3, false, {3}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake_board(true);
        view.asked.clear();
        view.answer = c.answer;
        runner.lines = c.program;
        runner.StartLine = c.start_line;
        EXPECT_EQ(runner.Go(), c.sent);
        EXPECT_EQ(view.asked, c.asked);
        EXPECT_EQ(!moves().empty(), c.sent);
        EXPECT_FALSE(runner.Running);
        EXPECT_FALSE(view.locked_last);
        if (!c.sent) {
            // As if GO had not been pressed: the start line and the preview's G92 are undone.
            EXPECT_EQ(runner.StartLine, c.start_line);
            EXPECT_EQ(interpreter.settings().axis_offset_x, 0.0);
            EXPECT_EQ(canon.OriginOffset[0], 0.0);
        }
        runner.StartLine = 0;
        ASSERT_EQ(interpreter.execute_direct("G92.2"), interp::RESULT_OK);
    }
}

// The machine stopped while the question waited: Yes no longer starts the run, the controls stay locked
// and the status bar keeps saying why.
TEST_F(RunTravel, AnEmergencyStopWhileAskedSendsNothing) {
    runner.lines = {"G0 X250", "M2"};
    view.answer = true;
    view.while_asked = [this] { runner.EmergencyStop(true); };
    EXPECT_FALSE(runner.Go());
    EXPECT_EQ(view.asked, std::vector<long>{1});
    EXPECT_TRUE(moves().empty());
    EXPECT_TRUE(view.locked_last);
    EXPECT_EQ(panel.status, "Controller in EmStop.");
}

// Blank lines count: the excursions carry the editor's line numbers, not the interpreter's count.
TEST_F(RunTravel, APreviewMarksOnlyTheMovesThatLeaveTheTable) {
    runner.ControlCenter = false;
    runner.lines = {"",
                    "G0 X100 Y75",
                    "G1 X250 F600",         // out along X
                    "G1 X190",              // back in: not marked
                    "G2 X190 Y25 I0 J-25",  // ends on the table, bulges to X 215
                    "G2 X190 Y75 I0 J25",   // back round the inner side
                    "G1 Z-60",              // below the table
                    "M2"};
    runner.All();
    EXPECT_EQ(sink.kinds, (std::vector<int>{MoveRapid, MoveExcursion, MoveFeed, MoveExcursion,
                                            MoveArcClockwise, MoveExcursion}));
    std::vector<long> lines;
    for (const TravelExcursion& e : check.Kept())
        lines.push_back(e.line);
    EXPECT_EQ(lines, (std::vector<long>{3, 5, 7}));
    EXPECT_FALSE(canon.DrawAsExcursion);

    // A preview starts the check afresh.
    runner.lines = {"G0 X10 Y10 Z10", "M2"};
    runner.All();
    EXPECT_EQ(check.Count(), 0);
}

// The moves sent to the machine pass through unchecked.
TEST_F(RunTravel, ControlModeChecksNothing) {
    interpreter.interpret_line("G0 X250");
    EXPECT_EQ(check.Count(), 0);
    EXPECT_EQ(moves().size(), 1u);
}

}  // namespace
}  // namespace zorvan::machine
