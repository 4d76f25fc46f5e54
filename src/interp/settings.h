// The interpreter's whole modal state and one parsed line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zorvan::interp {

// Marks a programmed (uncompensated) XY position that is not known yet.
inline constexpr double UNKNOWN = 1e-20;

inline constexpr int PARAMETER_COUNT = 5400;
inline constexpr int TOOL_MAX = 32;           // highest slot of the interpreter's tool table
inline constexpr int LINE_BUFFER_SIZE = 256;  // buffer size of a program line, terminator included

// Coordinate system origins live in parameters 5201 + 20k .. 5203 + 20k, k = 1..9.
inline constexpr int origin_parameter(int system, int axis) {
    return 5201 + 20 * system + axis;
}
inline constexpr int AXIS_OFFSET_PARAMETER = 5211;  // 5211..5213: the G92 offsets
// Stored positions of G28 and G30, X Y Z in machine coordinates (current units, never converted).
inline constexpr int G28_PARAMETER = 5161;  // 5161..5163
inline constexpr int G30_PARAMETER = 5181;  // 5181..5183

struct CanonToolTableEntry {
    int id = 0;
    double length = 0.0;    // length offset, program units as written in the tool table
    double diameter = 0.0;  // cutter diameter, program units as written in the tool table
    bool operator==(const CanonToolTableEntry&) const = default;
};

using CanonToolTable = std::array<CanonToolTableEntry, TOOL_MAX + 1>;

enum class Plane : int { XY = 1, YZ = 2, XZ = 3 };

// STRICT follows RS274NGC as this interpreter always did; CAM also accepts what today's CAM tools write.
enum class Dialect : std::uint8_t { STRICT, CAM };

struct InterpreterSettings {
    double axis_offset_x = 0, axis_offset_y = 0, axis_offset_z = 0;
    int block_delete = 0;
    Dialect dialect = Dialect::STRICT;  // chosen at interpreter_init, never changed by a program
    int control_mode = 3;               // 2 exact path (G61), 3 continuous (G64)
    int current_slot = 0;
    double current_x = 0, current_y = 0, current_z = 0;
    int cutter_comp_side = 0;  // 0 off, 1 right (G42), 2 left (G41)
    double cycle_i = 0, cycle_j = 0, cycle_k = 0;
    int cycle_l = 0;
    double cycle_p = 0, cycle_q = 0, cycle_r = 0, cycle_z = 0;
    std::uint8_t distance_mode = 0;      // 0 absolute (G90), 1 incremental (G91)
    std::uint8_t arc_distance_mode = 1;  // arc centre words: 0 absolute (G90.1), 1 offsets (G91.1)
    std::uint8_t retract_mode = 0;       // 1 old Z (G98), 0 R plane (G99)
    int feed_mode = 0;                   // 0 units per minute (G94), 1 inverse time (G93)
    int feed_override = 1;
    double feed_rate = 0;  // program units per minute
    int flood = 0;
    int length_offset_index = 1;
    int length_units = 2;  // 1 inch (G20), 2 mm (G21)
    int mist = 0;
    int motion_mode = 10;  // the active motion G code, times ten
    int origin_index = 1;  // 1..9 for G54..G59.3
    double origin_offset_x = 0, origin_offset_y = 0, origin_offset_z = 0;
    std::array<double, PARAMETER_COUNT> parameters{};
    int plane = 1;  // 1 XY (G17), 2 YZ (G19), 3 XZ (G18)
    int probe_flag = 0;
    double program_x = UNKNOWN, program_y = UNKNOWN;
    int selected_tool_slot = 0;
    double speed = 0;  // spindle speed, rpm
    int speed_feed_mode = 2;
    int speed_override = 1;
    int spindle_turning = 1;  // 1 stopped, 2 clockwise, 3 counterclockwise
    double tool_length_offset = 0;
    CanonToolTable tool_table{};
    int tool_table_index = 1;
    double traverse_rate = 0;  // program units per minute
    // Field by field: a preview drawn from equal settings draws the same.
    bool operator==(const InterpreterSettings&) const = default;
};

inline constexpr int G_SLOTS = 14;
inline constexpr int ARC_DISTANCE_SLOT = 11;  // G90.1, G91.1: a slot that STRICT never fills
inline constexpr int M_SLOTS = 10;

struct Block {
    char comment[LINE_BUFFER_SIZE] = {};
    int d_number = -1;
    double f_number = -1.0;
    int g_count = 0;
    std::array<int, G_SLOTS> g_modes{};
    int h_number = -1;
    int i_flag = 0;
    double i_number = 0;
    int j_flag = 0;
    double j_number = 0;
    int k_flag = 0;
    double k_number = 0;
    int l_number = -1;
    int line_number = -1;
    int motion_to_be = -1;
    int m_count = 0;
    std::array<int, M_SLOTS> m_modes{};
    double p_number = -1.0;
    double q_number = -1.0;
    int r_flag = 0;
    double r_number = 0;
    double s_number = -1.0;
    int t_number = -1;
    int x_flag = 0;
    double x_number = 0;
    int y_flag = 0;
    double y_number = 0;
    int z_flag = 0;
    double z_number = 0;

    Block() { init(); }
    void init();
    bool has_axis_word() const { return x_flag || y_flag || z_flag; }
};

}  // namespace zorvan::interp
