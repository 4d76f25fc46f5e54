// Modal settings: units, plane, coordinate systems, axis offsets, tool length offset, modes, tools, stops.
#include <cmath>

#include "interp/interpreter.h"
#include "interp/parameter_file.h"

namespace zorvan::interp {

void Interpreter::send_origin_offsets() {
    canon_.set_origin_offsets(settings_.origin_offset_x + settings_.axis_offset_x,
                              settings_.origin_offset_y + settings_.axis_offset_y,
                              settings_.origin_offset_z + settings_.axis_offset_z);
}

int Interpreter::convert_feed_mode(int code) {
    if (code == 930) {
        settings_.feed_mode = 1;
    } else if (code == 940) {
        settings_.feed_mode = 0;
    } else {
        return fail("Code is not G93 or G94 in convert_feed_mode");
    }
    return 0;
}

int Interpreter::convert_set_plane(int code) {
    if (code == 170) {
        canon_.select_plane(1);
        settings_.plane = 1;
    } else if (code == 180) {
        if (settings_.cutter_comp_side != 0) return fail("Cannot use XZ plane with cutter radius comp");
        canon_.select_plane(3);
        settings_.plane = 3;
    } else if (code == 190) {
        if (settings_.cutter_comp_side != 0) return fail("Cannot use YZ plane with cutter radius comp");
        canon_.select_plane(2);
        settings_.plane = 2;
    } else {
        return fail("Code is not G17, G18, or G19 in convert_set_plane");
    }
    return 0;
}

// Only the current point and the offsets change their numbers; parameters, the tool table, the tool
// length offset, the feed rate and the stored cycle values keep theirs.
int Interpreter::convert_length_units(int code) {
    if (settings_.cutter_comp_side != 0) return fail("Cannot change units with cutter radius comp");
    int units;
    double factor;
    if (code == 200) {
        units = 1;
        factor = 0.039370078740157477;
    } else if (code == 210) {
        units = 2;
        factor = 25.4;
    } else {
        return fail("Code is not G20 or G21 in  convert_length_units");
    }
    canon_.use_length_units(units);
    if (settings_.length_units != units) {
        settings_.length_units = units;
        settings_.current_x *= factor;
        settings_.current_y *= factor;
        settings_.current_z *= factor;
        settings_.axis_offset_x *= factor;
        settings_.axis_offset_y *= factor;
        settings_.axis_offset_z *= factor;
        settings_.origin_offset_x *= factor;
        settings_.origin_offset_y *= factor;
        settings_.origin_offset_z *= factor;
    }
    return 0;
}

int Interpreter::convert_tool_length_offset(int code, const Block& block) {
    if (code == 490) {
        canon_.use_tool_length_offset(0.0);
        settings_.current_z += settings_.tool_length_offset;
        settings_.tool_length_offset = 0.0;
        settings_.length_offset_index = 0;
        return 0;
    }
    if (code != 430) return fail("Code is not G43 or G49 in convert_tool_length_offset");
    if (block.h_number == -1) return fail("Offset index missing");
    if (block.h_number > canon_.get_tool_max() || block.h_number > TOOL_MAX) {
        return fail("Tool index out of bounds");
    }
    const double length = settings_.tool_table[block.h_number].length;
    canon_.use_tool_length_offset(length);
    settings_.current_z = settings_.current_z + settings_.tool_length_offset - length;
    settings_.tool_length_offset = length;
    settings_.length_offset_index = block.h_number;
    return 0;
}

int Interpreter::convert_coordinate_system(int code) {
    int system;
    switch (code) {
        case 540:
            system = 1;
            break;
        case 550:
            system = 2;
            break;
        case 560:
            system = 3;
            break;
        case 570:
            system = 4;
            break;
        case 580:
            system = 5;
            break;
        case 590:
            system = 6;
            break;
        case 591:
            system = 7;
            break;
        case 592:
            system = 8;
            break;
        case 593:
            system = 9;
            break;
        default:
            return fail("Code is not G54 to G59.3 in convert_coordinate_system");
    }
    if (system == settings_.origin_index) return 0;
    auto& s = settings_;
    s.current_x += s.origin_offset_x;
    s.current_y += s.origin_offset_y;
    s.current_z += s.origin_offset_z;
    s.origin_offset_x = s.parameters[origin_parameter(system, 0)];
    s.origin_offset_y = s.parameters[origin_parameter(system, 1)];
    s.origin_offset_z = s.parameters[origin_parameter(system, 2)];
    s.current_x -= s.origin_offset_x;
    s.current_y -= s.origin_offset_y;
    s.current_z -= s.origin_offset_z;
    s.origin_index = system;
    send_origin_offsets();
    return 0;
}

int Interpreter::convert_control_mode(int code) {
    if (code == 610) {
        canon_.set_motion_control_mode(2);
        settings_.control_mode = 2;
    } else if (code == 640) {
        canon_.set_motion_control_mode(3);
        settings_.control_mode = 3;
    } else {
        return fail("Code is not G61 or G64 in convert_control_mode");
    }
    return 0;
}

int Interpreter::convert_distance_mode(int code) {
    if (code == 900) {
        settings_.distance_mode = 0;
    } else if (code == 910) {
        settings_.distance_mode = 1;
    } else {
        return fail("Code is not G90 or G91 in convert_distance_mode");
    }
    return 0;
}

int Interpreter::convert_retract_mode(int code) {
    if (code == 980) {
        settings_.retract_mode = 1;
    } else if (code == 990) {
        settings_.retract_mode = 0;
    } else {
        return fail("Code is not G98 or G99 in convert_retract_mode");
    }
    return 0;
}

int Interpreter::convert_modal_0(int code, const Block& block) {
    if (code == 100) return convert_setup(block);
    if (code == 920 || code == 922) return convert_axis_offsets(code, block);
    if (code == 280 || code == 300) return convert_home(code, block);
    if (code == 281 || code == 301) return convert_home_set(code);
    return fail("Code is not G10, G92, or G92.2 in convert_modal_0");
}

// G28, G30: to the stored machine position, through the point of the line's axis words when it has any.
// Only the axes given go home in that case; the others stay where the first move left them.
int Interpreter::convert_home(int code, const Block& block) {
    auto& s = settings_;
    if (s.cutter_comp_side != 0) return fail("Cannot use G28 or G30 with cutter radius comp");
    const int first = code == 280 ? G28_PARAMETER : G30_PARAMETER;
    // Machine to program coordinates, as G53 converts its words.
    const double home_x = s.parameters[first] - (s.origin_offset_x + s.axis_offset_x);
    const double home_y = s.parameters[first + 1] - (s.origin_offset_y + s.axis_offset_y);
    const double home_z =
        s.parameters[first + 2] - (s.tool_length_offset + s.origin_offset_z + s.axis_offset_z);
    double x = home_x, y = home_y, z = home_z;
    if (block.has_axis_word()) {
        find_end_point(block, x, y, z);
        canon_.straight_traverse(x, y, z);
        if (block.x_flag) x = home_x;
        if (block.y_flag) y = home_y;
        if (block.z_flag) z = home_z;
    }
    canon_.straight_traverse(x, y, z);
    s.current_x = x;
    s.current_y = y;
    s.current_z = z;
    return 0;
}

// G28.1, G30.1: the current point becomes the stored machine position, kept in the parameter file so that
// it outlives the program and a restart.
int Interpreter::convert_home_set(int code) {
    auto& s = settings_;
    const int first = code == 281 ? G28_PARAMETER : G30_PARAMETER;
    s.parameters[first] = s.current_x + (s.origin_offset_x + s.axis_offset_x);
    s.parameters[first + 1] = s.current_y + (s.origin_offset_y + s.axis_offset_y);
    s.parameters[first + 2] = s.current_z + (s.tool_length_offset + s.origin_offset_z + s.axis_offset_z);
    // A folder that cannot be written keeps the position for this session only: the program goes on.
    if (!parameter_file_path_.empty()) {
        store_parameters_in_file(parameter_file_path_, first, 3, s.parameters, decimal_separator_);
    }
    return 0;
}

// G10 L2: the values are stored as written; neither G91 nor the units change them.
int Interpreter::convert_setup(const Block& block) {
    auto& s = settings_;
    const int system = static_cast<int>(std::trunc(block.p_number + 0.0001));
    double& x = s.parameters[origin_parameter(system, 0)];
    double& y = s.parameters[origin_parameter(system, 1)];
    double& z = s.parameters[origin_parameter(system, 2)];
    if (block.x_flag) x = block.x_number;
    if (block.y_flag) y = block.y_number;
    if (block.z_flag) z = block.z_number;
    if (system == s.origin_index) {
        s.current_x += s.origin_offset_x;
        s.current_y += s.origin_offset_y;
        s.current_z += s.origin_offset_z;
        s.origin_offset_x = x;
        s.origin_offset_y = y;
        s.origin_offset_z = z;
        send_origin_offsets();
        s.current_x -= s.origin_offset_x;
        s.current_y -= s.origin_offset_y;
        s.current_z -= s.origin_offset_z;
    }
    return 0;
}

int Interpreter::convert_axis_offsets(int code, const Block& block) {
    auto& s = settings_;
    if (s.cutter_comp_side != 0) return fail("Cannot change axis offsets with cutter radius comp");
    if (code == 920) {
        // The current point takes the programmed coordinate; the difference goes into the offset.
        if (block.x_flag) {
            s.axis_offset_x = s.current_x + s.axis_offset_x - block.x_number;
            s.current_x = block.x_number;
        }
        if (block.y_flag) {
            s.axis_offset_y = s.current_y + s.axis_offset_y - block.y_number;
            s.current_y = block.y_number;
        }
        if (block.z_flag) {
            s.axis_offset_z = s.current_z + s.axis_offset_z - block.z_number;
            s.current_z = block.z_number;
        }
        send_origin_offsets();
    } else if (code == 922) {
        s.current_x += s.axis_offset_x;
        s.current_y += s.axis_offset_y;
        s.current_z += s.axis_offset_z;
        canon_.set_origin_offsets(s.origin_offset_x, s.origin_offset_y, s.origin_offset_z);
        s.axis_offset_x = s.axis_offset_y = s.axis_offset_z = 0.0;
    } else {
        return fail("Code is not G92 or G92.2 in convert_axis_offsets");
    }
    s.parameters[AXIS_OFFSET_PARAMETER] = s.axis_offset_x;
    s.parameters[AXIS_OFFSET_PARAMETER + 1] = s.axis_offset_y;
    s.parameters[AXIS_OFFSET_PARAMETER + 2] = s.axis_offset_z;
    return 0;
}

int Interpreter::convert_tool_select(const Block& block) {
    if (block.t_number > canon_.get_tool_max()) return fail("Selected tool slot number too large");
    canon_.select_tool(block.t_number);
    settings_.selected_tool_slot = block.t_number;
    return 0;
}

int Interpreter::convert_tool_change() {
    canon_.change_tool(settings_.selected_tool_slot);
    settings_.current_slot = settings_.selected_tool_slot;
    settings_.spindle_turning = 1;
    return 0;
}

int Interpreter::convert_stop(Block& block) {
    auto& s = settings_;
    switch (block.m_modes[4]) {
        case 0:
            canon_.program_stop();
            return 0;
        case 60:
            canon_.pallet_shuttle();
            canon_.program_stop();
            return 0;
        case 1:
            canon_.optional_program_stop();
            return 0;
        case 2:
        case 30:
            break;
        default:
            return fail("Code is not M0, M1, M2, M30 or M60 in convert_stop");
    }
    // Program end: back to G54, XY plane, absolute, units per minute, overrides on, compensation off,
    // spindle and coolant off, G1. Units, tool length offset and spindle speed stay.
    s.current_x += s.origin_offset_x;
    s.current_y += s.origin_offset_y;
    s.current_z += s.origin_offset_z;
    s.origin_offset_x = s.parameters[origin_parameter(1, 0)];
    s.origin_offset_y = s.parameters[origin_parameter(1, 1)];
    s.origin_offset_z = s.parameters[origin_parameter(1, 2)];
    s.origin_index = 1;
    s.current_x -= s.origin_offset_x;
    s.current_y -= s.origin_offset_y;
    s.current_z -= s.origin_offset_z;
    send_origin_offsets();
    if (s.plane != 1) {
        canon_.select_plane(1);
        s.plane = 1;
    }
    s.distance_mode = 0;
    s.feed_mode = 0;
    if (s.feed_override != 1) {
        canon_.enable_feed_override();
        s.feed_override = 1;
    }
    if (s.speed_override != 1) {
        canon_.enable_speed_override();
        s.speed_override = 1;
    }
    s.cutter_comp_side = 0;
    s.program_x = UNKNOWN;
    s.arc_distance_mode = 1;
    canon_.stop_spindle_turning();
    s.spindle_turning = 1;
    s.motion_mode = 10;
    if (s.mist == 1) {
        canon_.mist_off();
        s.mist = 0;
    }
    if (s.flood == 1) {
        canon_.flood_off();
        s.flood = 0;
    }
    if (block.m_modes[4] == 30) canon_.pallet_shuttle();
    block.m_modes[4] = 1;
    canon_.program_end();
    return RESULT_PROGRAM_END;
}

}  // namespace zorvan::interp
