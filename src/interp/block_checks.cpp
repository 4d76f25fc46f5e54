// Checks of a block as a whole, after all its words are read. A failing check changes no setting.
#include <cmath>

#include "interp/interpreter.h"

namespace zorvan::interp {

int Interpreter::check_items(Block& block) {
    if (check_g_codes(block) != 0) return -1;
    if (check_m_codes(block) != 0) return -1;
    if (check_other_codes(block) != 0) return -1;
    if (block.m_modes[4] != -1 && block.g_modes[1] == 382) {
        return fail("Cannot put an M code for stopping with G38.2");
    }
    return 0;
}

int Interpreter::check_g_codes(const Block& block) {
    // CAM tools write a whole modal preamble on one line; the modal-group rules still hold.
    if (block.g_count > 4 && settings_.dialect == Dialect::STRICT) return fail("Too many G codes on line");
    const int mode0 = block.g_modes[0];
    const int mode4 = block.g_modes[4];
    const int motion = block.motion_to_be;
    const bool axes = block.has_axis_word();
    if (mode0 == -1) {
        if (mode4 == -1) {
            if (motion == 800 && axes) return fail("Cannot use axis commands with G80");
        } else if (mode4 == 40) {
            if ((motion == -1 || motion == 800) && axes) return fail("Cannot use axis commands with G4");
            if (block.p_number == -1.0) return fail("Dwell time missing with G4");
        } else if (mode4 == 530) {
            if (motion != 0 && motion != 10) return fail("Must use G0 or G1 with G53");
            if (block.g_modes[3] == 910 || (block.g_modes[3] == -1 && settings_.distance_mode == 1)) {
                return fail("Cannot use G53 in incremental distance mode");
            }
        } else {
            return fail("Bad setting of g_mode in check_g_codes");
        }
    } else if (mode4 != -1) {
        return fail("Cannot use two G codes from group 0");
    } else if (mode0 == 100) {
        const double p = std::trunc(block.p_number + 0.0001);
        if (block.g_modes[1] != -1 && block.g_modes[1] != 800)
            return fail("Cannot use a G code for motion with G10");
        if (block.l_number != 2) return fail("Line with G10 does not have L2");
        if (block.p_number + 0.0001 - p > 0.0002) return fail("P value not an integer with G10 L2");
        if (p < 1 || p > 9) return fail("P value out of range with G10 L2");
    } else if (mode0 == 920) {
        if (block.g_modes[1] != -1 && block.g_modes[1] != 800) return fail("Cannot use a G motion with G92");
        if (!axes) return fail("All axes missing with G92");
    } else if (mode0 == 280 || mode0 == 300) {
        if (block.g_modes[1] != -1 && block.g_modes[1] != 800)
            return fail("Cannot use a G motion with G28 or G30");
    } else if (mode0 != 922 && mode0 != 281 && mode0 != 301) {
        return fail("Bad setting of g_mode in check_g_codes");
    }
    return 0;
}

int Interpreter::check_m_codes(const Block& block) {
    if (block.m_count > 4) return fail("Too many M codes on line");
    return 0;
}

int Interpreter::check_other_codes(const Block& block) {
    const int motion = block.motion_to_be;
    const bool cycle = motion >= 810 && motion <= 890;
    if (block.d_number != -1 && block.g_modes[7] != 410 && block.g_modes[7] != 420) {
        return fail("D word on line with no cutter comp on (G41 or G42) command");
    }
    if (block.h_number != -1 && block.g_modes[8] != 430) {
        return fail("H word on line with no tool length comp (G43) command");
    }
    const bool uses_ijk = motion == 20 || motion == 30 || motion == 870;
    if (block.i_flag && !uses_ijk) return fail("I word on line with no G code (G2, G3, G87) that uses it");
    if (block.j_flag && !uses_ijk) return fail("J word on line with no G code (G2, G3, G87) that uses it");
    if (block.k_flag && !uses_ijk) return fail("K word on line with no G code (G2, G3, G87) that uses it");
    if (block.l_number != -1 && !cycle && block.g_modes[0] != 100) {
        return fail("L word on line with no canned cycle or G10 to use it");
    }
    // CAM tools give G64 a blending tolerance in P or Q; it is let through and has no effect.
    const bool g64_tolerance = block.g_modes[13] == 640 && settings_.dialect == Dialect::CAM;
    if (block.p_number != -1.0 && block.g_modes[0] != 100 && block.g_modes[4] != 40 && motion != 820 &&
        motion != 860 && motion != 880 && motion != 890 && !g64_tolerance) {
        return fail("P word on line with no G code (G4 G10 G82 G86 G88 G89) that uses it");
    }
    if (block.q_number != -1.0 && motion != 830 && !g64_tolerance) {
        return fail("Q word on line with no G83 cycle that uses it");
    }
    if (block.r_flag && motion != 20 && motion != 30 && !cycle) {
        return fail("R word on line with no G code (arc or cycle) that uses it");
    }
    return 0;
}

}  // namespace zorvan::interp
