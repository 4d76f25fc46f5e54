// Tool changes: the macro lines that run, in order, for which tool, and what the measurement stores.
#include <gtest/gtest.h>

#include "machine/canon.h"
#include "machine/fake_board.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using Lines = std::vector<std::string>;

class ToolChange : public ::testing::Test {
  protected:
    ToolChange() : canon(panel, sink) {
        temp.write("ToolChange.Cfg",
                   "[SENSOR]\r\nSensorHeight=0\r\n"
                   "[Tool1]\r\nPLACE0=G0 X1\r\nPICKUP0=G0 X10\r\nPICKUP1=G0 Y10\r\n"
                   "[Tool2]\r\nPLACE0=G0 X2\r\nPLACE3=G0 Z2\r\nPICKUP0=G0 X20\r\nPICKUP1=*!*\r\n");
        canon.SetConfigurationFile(temp.path() / "ZorvanNC.Ini", '.');
        canon.SetDirectExecutor([this](std::string_view line) {
            executed.emplace_back(line);
            // A macro that selects a tool of its own must not start another change.
            if (line == "T1") canon.select_tool(1);
            return 0;
        });
        canon.init_canon((temp.path() / "ZorvanNC.Var").string());
    }
    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    Canon canon;
    Lines executed;
};

TEST_F(ToolChange, PutsTheOldToolAwayAndPicksTheNewOneUp) {
    canon.select_tool(1);
    EXPECT_EQ(executed, (Lines{"G0 X10", "G0 Y10"}));
    EXPECT_EQ(canon.CurrentTool, 1);
    executed.clear();
    canon.select_tool(2);
    // The measuring request is not G-code; in preview it measures nothing.
    EXPECT_EQ(executed, (Lines{"G0 X1", "G0 X20"}));
    EXPECT_EQ(canon.CurrentTool, 2);
    EXPECT_EQ(panel.tool_label, "2");
}

TEST_F(ToolChange, ATToolBeyondTheMacroTableChangesAsTheHighestOne) {
    canon.select_tool(5);  // sections Tool1 and Tool2 only: tool 2 is the highest
    EXPECT_EQ(executed, (Lines{"G0 X20"}));
    EXPECT_EQ(canon.CurrentTool, 2);
    EXPECT_EQ(canon.get_selected_tool_slot(), 2);
}

TEST_F(ToolChange, ProgramEndPutsTheToolAwayAndLeavesNone) {
    canon.select_tool(2);
    executed.clear();
    canon.program_end();
    EXPECT_EQ(executed, (Lines{"G0 X2", "G0 Z2"}));
    EXPECT_EQ(canon.CurrentTool, -1);
    EXPECT_EQ(panel.status, "Program Completed.");
}

TEST_F(ToolChange, AMacroThatSelectsAToolDoesNotStartAnotherChange) {
    temp.write("ToolChange.Cfg", "[Tool1]\r\nPICKUP0=T1\r\nPICKUP1=G0 X5\r\n");
    canon.init_canon((temp.path() / "ZorvanNC.Var").string());
    canon.select_tool(1);
    EXPECT_EQ(executed, (Lines{"T1", "G0 X5"}));
    EXPECT_EQ(canon.CurrentTool, 1);
}

TEST_F(ToolChange, WithoutTheFileTwentyEmptyEntriesChangeNothingButTheTool) {
    std::filesystem::remove(temp.path() / "ToolChange.Cfg");
    canon.init_canon((temp.path() / "ZorvanNC.Var").string());
    canon.select_tool(7);
    EXPECT_TRUE(executed.empty());
    EXPECT_EQ(canon.CurrentTool, 7);
    canon.select_tool(25);
    EXPECT_EQ(canon.CurrentTool, 19);
}

}  // namespace
}  // namespace zorvan::machine
