// The entry operations: start-up, the line counter, program end and direct commands.
#include <gtest/gtest.h>

#include <filesystem>

#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

using Calls = std::vector<std::string>;
using Entry = InterpreterTest;

TEST_F(Entry, StartUpTellsTheMachineTheStartingFrame) {
    dir.write("ZorvanNC.Var", "5211 1\n5221 10\n5222 20\n5223 30\n");
    canon.position = {1.0, 2.0, 3.0, 0.0};
    canon.flood = 5;
    canon.feed_rate = 60.0;
    canon.tools = {{0, 0.0, 0.0}, {7, 2.5, 0.5}};
    ASSERT_EQ(interp.interpreter_init(), 0);
    EXPECT_EQ(take_calls(), (Calls{"use_length_units(2)", "set_origin_offsets(11.0000, 20.0000, 30.0000)",
                                   "set_feed_reference(2)", "select_plane(1)"}));
    const auto& s = settings();
    EXPECT_EQ(s.axis_offset_x, 1.0);
    EXPECT_EQ(s.origin_offset_z, 30.0);
    EXPECT_EQ(s.current_x, 1.0);  // from the machine, after the offsets were set
    EXPECT_EQ(s.flood, 1);
    EXPECT_EQ(s.feed_rate, 60.0);
    EXPECT_EQ(s.tool_table[1].id, 7);
    EXPECT_EQ(s.tool_table[1].length, 2.5);
    EXPECT_EQ(s.tool_table[2].diameter, 0.0);
    EXPECT_EQ(s.motion_mode, 10);
    EXPECT_EQ(s.length_offset_index, 1);
}

TEST_F(Entry, AnEmptyLineCountsOnlyAfterANonEmptyOne) {
    EXPECT_EQ(line(""), RESULT_OK);
    EXPECT_EQ(line("  (  )  "), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 1);  // a comment is not empty
    interp.interpreter_reset();
    EXPECT_EQ(line(""), RESULT_OK);
    EXPECT_EQ(line("/"), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 0);
    ASSERT_EQ(line("G0 X1"), RESULT_OK);
    EXPECT_EQ(line(""), RESULT_OK);
    EXPECT_EQ(line("/"), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 3);
    EXPECT_EQ(take_calls(), Calls{"straight_traverse(1.0000, 0.0000, 0.0000)"});
}

TEST_F(Entry, ProgramEndResetsTheCounterAndMarksTheStopSlot) {
    ASSERT_EQ(line("G0 X1"), RESULT_OK);
    EXPECT_EQ(line("M2"), RESULT_PROGRAM_END);
    EXPECT_EQ(interp.line_counter(), 0);
    EXPECT_EQ(interp.line_text(), "");
    EXPECT_EQ(interp.block().m_modes[4], 1);
}

TEST_F(Entry, AtACommandsMoveTheFourthAxisAlone) {
    EXPECT_EQ(interp.execute_direct("@A 12.5"), RESULT_OK);
    EXPECT_EQ(interp.execute_direct("@B1"), RESULT_OK);
    EXPECT_EQ(line("@a-3"), RESULT_OK);
    EXPECT_EQ(take_calls(), (Calls{"move_single_axis(8, 0.0000, 0.0000, 0.0000, 12.5000)",
                                   "move_single_axis(8, 0.0000, 0.0000, 0.0000, -3.0000)"}));
    EXPECT_EQ(interp.line_counter(), 0);
}

TEST_F(Entry, DirectCommandsLeaveTheProgramLineStateAlone) {
    ASSERT_EQ(line("N7 G0 X1"), RESULT_OK);
    ASSERT_EQ(interp.execute_direct("G91"), RESULT_OK);
    ASSERT_EQ(interp.execute_direct(""), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 1);
    EXPECT_EQ(interp.line_text(), "N7 G0 X1");
    EXPECT_EQ(interp.block().line_number, 7);
    // The settings are shared: the program continues in incremental mode.
    ASSERT_EQ(line("G0 X1"), RESULT_OK);
    EXPECT_EQ(take_calls(), (Calls{"straight_traverse(1.0000, 0.0000, 0.0000)",
                                   "straight_traverse(2.0000, 0.0000, 0.0000)"}));
}

// The message of a failing direct command shows the program's line, not the command.
TEST_F(Entry, DirectCommandFailuresShowTheProgramLine) {
    ASSERT_EQ(line("G0 X1"), RESULT_OK);
    EXPECT_EQ(interp.execute_direct("G1 G2"), RESULT_ERROR);
    EXPECT_EQ(interp.execute_direct(std::string(256, 'x')), RESULT_ERROR);
    ASSERT_EQ(reporter.reports.size(), 2u);
    EXPECT_EQ(reporter.reports[0].line_count, 1);
    EXPECT_EQ(reporter.reports[0].line_text, "G0 X1");
    EXPECT_EQ(reporter.reports[1].message, "Command too long");
}

TEST_F(Entry, ProgramEndAsADirectCommandReturnsZero) {
    EXPECT_EQ(interp.execute_direct("M2"), RESULT_OK);
    EXPECT_EQ(take_calls(), (Calls{"set_origin_offsets(0.0000, 0.0000, 0.0000)", "stop_spindle_turning()",
                                   "program_end()"}));
    EXPECT_EQ(interp.last_status(), RESULT_PROGRAM_END);
    EXPECT_EQ(interp.block().m_modes[4], -1);
}

// Only the word CAM selects the CAM dialect, in any case and with blanks around it, read afresh at each
// start: a configuration that no longer says so, or no longer exists, is STRICT again.
TEST_F(Entry, OnlyTheWordCamSelectsTheCamDialect) {
    const std::pair<const char*, Dialect> cases[] = {
        {"[rs274ngc]\ndialect= Cam\t\n", Dialect::CAM},
        {"[RS274NGC]\nDIALECT=CAM2\n", Dialect::STRICT},
        {"[OTHER]\nDIALECT=CAM\n", Dialect::STRICT},
        {"[RS274NGC]\nDIALECT=CAM\n", Dialect::CAM},
    };
    for (const auto& [ini, dialect] : cases) {
        dir.write("ZorvanNC.Ini", ini);
        restart();
        EXPECT_EQ(settings().dialect, dialect) << ini;
    }
    std::filesystem::remove(dir.path() / "ZorvanNC.Ini");
    restart();
    EXPECT_EQ(settings().dialect, Dialect::STRICT);
}

using CamEntry = CamInterpreterTest;

// A "%" line, and a ";" line, are counted as a comment line is, even right after a reset; the "%" line
// leaves the block with the previous line's words.
TEST_F(CamEntry, PercentAndSemicolonLinesCountAsCommentLines) {
    ASSERT_EQ(line(" ; (not a comment"), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 1);
    interp.interpreter_reset();
    ASSERT_EQ(line("%"), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 1);
    EXPECT_EQ(interp.block_length(), 1);
    ASSERT_EQ(line("M1"), RESULT_OK);
    ASSERT_EQ(line(" % (end (of) program) ; done"), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 3);
    EXPECT_EQ(interp.block_length(), 20);  // "%(end (of) program);"
    EXPECT_EQ(interp.block().m_modes[4], 1);
    EXPECT_EQ(interp.execute_direct("%"), RESULT_OK);
    EXPECT_EQ(interp.line_counter(), 3);
    EXPECT_EQ(take_calls(), Calls{"optional_program_stop()"});
    EXPECT_EQ(line("% (unclosed"), RESULT_ERROR);
    EXPECT_EQ(error(), "Unclosed comment found");
}

TEST_F(CamEntry, StartAndProgramEndSelectCentreOffsetsAndResetKeepsTheMode) {
    ASSERT_EQ(line("G90.1"), RESULT_OK);
    interp.interpreter_reset();
    EXPECT_EQ(settings().arc_distance_mode, 0);
    ASSERT_EQ(line("M30"), RESULT_PROGRAM_END);
    EXPECT_EQ(settings().arc_distance_mode, 1);
    ASSERT_EQ(interp.execute_direct("G90.1"), RESULT_OK);
    EXPECT_EQ(settings().arc_distance_mode, 0);
    restart();
    EXPECT_EQ(settings().arc_distance_mode, 1);
}

}  // namespace
}  // namespace zorvan::interp::testing
