// Units, axis offsets, tool length offsets, tools, the refused codes and program end.
#include <gtest/gtest.h>

#include "config/text_file.h"
#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

using Calls = std::vector<std::string>;

class Modal : public InterpreterTest {
  protected:
    Modal() {
        dir.write("ZorvanNC.Var", "5221 1\n5222 2\n5223 3\n5241 10\n5242 20\n5243 0\n");
        canon.feed_rate = 100.0;
        canon.tools = {{0, 0.0, 0.0}, {1, 2.0, 6.0}, {2, 1.5, 3.0}};
        restart();
    }
};

TEST_F(Modal, UnitsConvertTheCurrentPointAndTheOffsetsOnlyOnAChange) {
    ASSERT_EQ(lines({"G0 X25.4 Z3", "G92 Z0"}), RESULT_OK);
    take_calls();
    ASSERT_EQ(line("G20"), RESULT_OK);
    EXPECT_NEAR(settings().current_x, 1.0, 1e-12);
    EXPECT_NEAR(settings().origin_offset_y, 2.0 / 25.4, 1e-12);
    EXPECT_NEAR(settings().axis_offset_z, 3.0 / 25.4, 1e-12);
    ASSERT_EQ(line("G20"), RESULT_OK);
    EXPECT_NEAR(settings().current_x, 1.0, 1e-12);
    EXPECT_EQ(take_calls(), (Calls{"use_length_units(1)", "use_length_units(1)"}));
    // The parameters keep their numbers: G55 still reads 10 as inches.
    ASSERT_EQ(line("G55"), RESULT_OK);
    EXPECT_EQ(settings().origin_offset_x, 10.0);
}

TEST_F(Modal, G92ShiftsTheOriginAndG92Point2TakesItBack) {
    ASSERT_EQ(line("G0 X3"), RESULT_OK);
    ASSERT_EQ(line("G92 X0"), RESULT_OK);
    EXPECT_EQ(settings().axis_offset_x, 3.0);
    EXPECT_EQ(settings().current_x, 0.0);
    EXPECT_EQ(settings().parameters[5211], 3.0);
    ASSERT_EQ(line("G92.2"), RESULT_OK);
    EXPECT_EQ(settings().current_x, 3.0);
    EXPECT_EQ(settings().parameters[5211], 0.0);
    EXPECT_EQ(take_calls(), (Calls{"straight_traverse(3.0000, 0.0000, 0.0000)",
                                   "set_origin_offsets(4.0000, 2.0000, 3.0000)",
                                   "set_origin_offsets(1.0000, 2.0000, 3.0000)"}));
}

TEST_F(Modal, ToolLengthOffsetsComeFromTheToolTable) {
    const double z = settings().current_z;
    ASSERT_EQ(line("G43 H1"), RESULT_OK);
    EXPECT_EQ(settings().current_z, z - 2.0);
    ASSERT_EQ(line("G43 H2"), RESULT_OK);
    EXPECT_EQ(settings().current_z, z - 1.5);
    EXPECT_EQ(settings().length_offset_index, 2);
    ASSERT_EQ(line("G49"), RESULT_OK);
    EXPECT_EQ(settings().current_z, z);
    EXPECT_EQ(settings().length_offset_index, 0);
}

TEST_F(Modal, ToolsAndSelectionsChangeTheSlots) {
    ASSERT_EQ(lines({"M3", "T2", "M6"}), RESULT_OK);
    EXPECT_EQ(take_calls(), (Calls{"start_spindle_clockwise()", "select_tool(2)", "change_tool(2)"}));
    EXPECT_EQ(settings().current_slot, 2);
    EXPECT_EQ(settings().spindle_turning, 1);
}

TEST_F(Modal, RefusesModalChangesWithTheirMessage) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"G43 H33", "Tool index out of bounds"},
        {"G43", "Offset index missing"},
        {"T33", "Selected tool slot number too large"},
        {"G41", "D word missing with cutter radius comp on"},
        {"G42 D33", "Tool index out of bounds"},
        {"G81 X1 Y1 Z-1", "R clearance plane unspecified in canned cycle"},
        {"G81 X1 Y1 R2", "Z value unspecified in canned cycle"},
        {"G81 X1 Z1 R0", "R value less than Z value in canned cycle"},
        {"G81 X1 Z-1 R1 L0", "Cannot do zero repeats of cycle"},
        {"G81 X1 Z-1 R1 L100001", "Too many repeats of cycle"},
        {"G82 X1 Y1 Z-1 R2", "P word (dwell time) missing with G82"},
        {"G83 X1 Y1 Z-1 R2", "Q word (depth increment) missing with G83"},
        {"G87 X1 Y1 Z-1 R2 I1 K1", "J word missing with G87"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        reporter.reports.clear();
        EXPECT_EQ(line(c.line), RESULT_ERROR);
        EXPECT_EQ(error(), c.message);
    }
    EXPECT_EQ(settings().selected_tool_slot, 0);
    EXPECT_EQ(settings().cutter_comp_side, 0);
}

TEST_F(Modal, ProgramEndRestoresTheDefaultModes) {
    ASSERT_EQ(lines({"G55 G19 G91 G93 M49 M4 M7", "M8 G0 X1", "G20 G43 H1 S300"}), RESULT_OK);
    take_calls();
    // G54's origin comes from the parameters as written, whatever the units.
    EXPECT_EQ(line("M30"), RESULT_PROGRAM_END);
    EXPECT_EQ(take_calls(),
              (Calls{"set_origin_offsets(1.0000, 2.0000, 3.0000)", "select_plane(1)",
                     "enable_feed_override()", "enable_speed_override()", "stop_spindle_turning()",
                     "mist_off()", "flood_off()", "pallet_shuttle()", "program_end()"}));
    const auto& s = settings();
    EXPECT_EQ(s.origin_index, 1);
    EXPECT_EQ(s.plane, 1);
    EXPECT_EQ(s.distance_mode, 0);
    EXPECT_EQ(s.feed_mode, 0);
    EXPECT_EQ(s.motion_mode, 10);
    EXPECT_EQ(s.spindle_turning, 1);
    // Units, tool length offset and spindle speed stay.
    EXPECT_EQ(s.length_units, 1);
    EXPECT_EQ(s.tool_length_offset, 2.0);
    EXPECT_EQ(s.speed, 300.0);
    EXPECT_EQ(interp.block().m_modes[4], 1);
    // The next G55 switches again.
    ASSERT_EQ(line("G55"), RESULT_OK);
    EXPECT_EQ(take_calls(), Calls{"set_origin_offsets(10.0000, 20.0000, 0.0000)"});
}

class CamHome : public CamInterpreterTest {
  protected:
    CamHome() {
        dir.write("ZorvanNC.Var", "5161 100\n5162 50\n5163 20\n5221 5\n5222 6\n5223 7\n");
        canon.tools = {{0, 0.0, 0.0}, {1, 2.0, 2.0}};
        restart();
    }
};

// G28.1 and G30.1 store machine coordinates in the parameter file; the next start reads them back.
TEST_F(CamHome, StoredPositionsOutliveARestart) {
    ASSERT_EQ(lines({"G0 X1 Y2 Z3", "G43 H1", "G92 X0", "G28.1 X9", "G30.1"}), RESULT_OK);
    const auto& p = settings().parameters;
    EXPECT_EQ(p[5161], 6.0);  // 0 + origin 5 + G92 offset 1
    EXPECT_EQ(p[5162], 8.0);
    EXPECT_EQ(p[5163], 10.0);  // 1 + tool length 2 + origin 7
    EXPECT_EQ(p[5183], 10.0);
    EXPECT_EQ(config::read_text_file(dir.path() / "ZorvanNC.Var"),
              "5161 6\n5162 8\n5163 10\n5221 5\n5222 6\n5223 7\n5181 6\n5182 8\n5183 10\n");
    restart();
    take_calls();
    ASSERT_EQ(line("G28"), RESULT_OK);
    ASSERT_EQ(line("G30 Z0"), RESULT_OK);
    EXPECT_EQ(take_calls(),
              (Calls{"straight_traverse(1.0000, 2.0000, 3.0000)", "straight_traverse(1.0000, 2.0000, 0.0000)",
                     "straight_traverse(1.0000, 2.0000, 3.0000)"}));
}

}  // namespace
}  // namespace zorvan::interp::testing
