// Carrying out a block in its fixed order: the order of words on the line does not matter.
#include "interp/interpreter.h"

namespace zorvan::interp {

int Interpreter::execute_block(Block& block) {
    // The comment is accepted and nothing is done with it.
    if (block.g_modes[5] != -1 && convert_feed_mode(block.g_modes[5]) != 0) return -1;
    // In inverse-time mode F belongs to the move itself.
    if (block.f_number > -1.0 && settings_.feed_mode != 1) {
        canon_.set_feed_rate(block.f_number);
        settings_.feed_rate = block.f_number;
    }
    if (block.s_number > -1.0) {
        canon_.set_spindle_speed(block.s_number);
        settings_.speed = block.s_number;
    }
    if (block.t_number != -1 && convert_tool_select(block) != 0) return -1;
    if (block.m_modes[6] != -1 && convert_tool_change() != 0) return -1;
    switch (block.m_modes[7]) {
        case 3:
            canon_.start_spindle_clockwise();
            settings_.spindle_turning = 2;
            break;
        case 4:
            canon_.start_spindle_counterclockwise();
            settings_.spindle_turning = 3;
            break;
        case 5:
            canon_.stop_spindle_turning();
            settings_.spindle_turning = 1;
            break;
        default:
            break;
    }
    switch (block.m_modes[8]) {
        case 7:
            canon_.mist_on();
            settings_.mist = 1;
            break;
        case 8:
            canon_.flood_on();
            settings_.flood = 1;
            break;
        case 9:
            canon_.mist_off();
            settings_.mist = 0;
            canon_.flood_off();
            settings_.flood = 0;
            break;
        default:
            break;
    }
    if (block.m_modes[9] == 48) {
        canon_.enable_feed_override();
        canon_.enable_speed_override();
        settings_.feed_override = 1;
        settings_.speed_override = 1;
    } else if (block.m_modes[9] == 49) {
        canon_.disable_feed_override();
        canon_.disable_speed_override();
        settings_.feed_override = 0;
        settings_.speed_override = 0;
    }
    if (block.g_modes[4] == 40) canon_.dwell(block.p_number);
    if (block.g_modes[2] != -1 && convert_set_plane(block.g_modes[2]) != 0) return -1;
    if (block.g_modes[6] != -1 && convert_length_units(block.g_modes[6]) != 0) return -1;
    if (block.g_modes[7] != -1 && convert_cutter_compensation(block.g_modes[7], block) != 0) return -1;
    if (block.g_modes[8] != -1 && convert_tool_length_offset(block.g_modes[8], block) != 0) return -1;
    if (block.g_modes[12] != -1 && convert_coordinate_system(block.g_modes[12]) != 0) return -1;
    if (block.g_modes[13] != -1 && convert_control_mode(block.g_modes[13]) != 0) return -1;
    if (block.g_modes[3] != -1 && convert_distance_mode(block.g_modes[3]) != 0) return -1;
    if (block.g_modes[ARC_DISTANCE_SLOT] != -1)
        settings_.arc_distance_mode = block.g_modes[ARC_DISTANCE_SLOT] == 901 ? 0 : 1;
    if (block.g_modes[10] != -1 && convert_retract_mode(block.g_modes[10]) != 0) return -1;
    if (block.g_modes[0] != -1 && convert_modal_0(block.g_modes[0], block) != 0) return -1;
    if (block.motion_to_be != -1 && convert_motion(block.motion_to_be, block) != 0) return -1;
    if (block.m_modes[4] != -1) {
        const int status = convert_stop(block);
        if (status != 0) return status;
    }
    return settings_.probe_flag == 1 ? RESULT_PROBE : RESULT_OK;
}

int Interpreter::convert_motion(int motion, const Block& block) {
    switch (motion) {
        case 0:
        case 10:
            return convert_straight(motion, block);
        case 20:
        case 30:
            if (settings_.feed_mode == 1 && block.f_number == -1.0) {
                return fail("F word missing with inverse time arc move");
            }
            return convert_arc(motion, block);
        case 382:
            if (settings_.feed_mode == 1) return fail("Cannot probe in inverse time feed mode");
            if (settings_.cutter_comp_side != 0) return fail("Cannot probe with cutter radius comp on");
            if (settings_.feed_rate == 0.0) return fail("Cannot probe with zero feed rate");
            return convert_probe(block);
        case 800:
            if (block.has_axis_word()) return fail("Coordinate setting given with G80");
            settings_.motion_mode = 800;
            return 0;
        default:
            if (motion >= 810 && motion <= 890) return convert_cycle(motion, block);
            return fail("Code is not G0 to G3 or G80 to G89 in convert_motion");
    }
}

}  // namespace zorvan::interp
