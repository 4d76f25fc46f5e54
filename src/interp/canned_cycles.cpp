// Canned cycles G81 to G89: one line expands into traverses, feeds, dwells and spindle commands at one
// or more holes, always drilling along Z. The R, Z, P, Q, I, J, K and L values of the last cycle are
// kept, so that later lines of the same cycle may leave them out.
#include "interp/interpreter.h"

namespace zorvan::interp {
namespace {

constexpr double PECK_DWELL_S = 0.25;  // seconds at the bottom of each G83 peck
constexpr double PECK_CLEARANCE_MM = 0.254;
constexpr double PECK_CLEARANCE_INCH = 0.01;
// Beyond these counts a line is a mistake, not a program: refusing keeps a preview from hanging.
constexpr int MAX_REPEATS = 100000;
constexpr long MAX_PECKS = 100000;

}  // namespace

struct Interpreter::CycleGeometry {
    double r_level;  // R plane
    double bottom;   // final depth
    double clear_z;  // where the tool returns between holes
    double dwell_s;  // P
    double peck;     // Q
    double i, j, k_level;
};

// Brings the spindle back in the direction it turned before the body stopped it.
void Interpreter::restart_spindle() {
    if (settings_.spindle_turning == 2) {
        canon_.start_spindle_clockwise();
    } else {
        canon_.start_spindle_counterclockwise();
    }
}

int Interpreter::convert_cycle(int motion, const Block& block) {
    auto& s = settings_;
    const bool continuing = s.motion_mode == motion;
    if (!continuing) {
        if (!block.r_flag) return fail("R clearance plane unspecified in canned cycle");
        if (!block.z_flag) return fail("Z value unspecified in canned cycle");
    }
    const double r = block.r_flag ? block.r_number : s.cycle_r;
    const double z = block.z_flag ? block.z_number : s.cycle_z;
    double old_z = s.current_z;
    double increment_x = 0.0, increment_y = 0.0;
    double hole_x, hole_y;
    CycleGeometry g{};
    if (s.distance_mode == 0) {
        g.r_level = r;
        g.bottom = z;
        hole_x = block.x_flag ? block.x_number : s.current_x;
        hole_y = block.y_flag ? block.y_number : s.current_y;
    } else {
        increment_x = block.x_flag ? block.x_number : 0.0;
        increment_y = block.y_flag ? block.y_number : 0.0;
        g.r_level = old_z + r;
        g.bottom = g.r_level + z;
        hole_x = s.current_x;
        hole_y = s.current_y;
    }
    if (g.r_level < g.bottom) return fail("R value less than Z value in canned cycle");
    int repeats = 1;
    if (block.l_number != -1) {
        if (block.l_number == 0) return fail("Cannot do zero repeats of cycle");
        if (block.l_number > MAX_REPEATS) return fail("Too many repeats of cycle");
        repeats = block.l_number;
    }
    if (old_z < g.r_level) {
        canon_.straight_traverse(s.current_x, s.current_y, g.r_level);
        old_z = g.r_level;
    }
    g.clear_z = s.retract_mode == 1 ? old_z : g.r_level;
    const int previous_mode = canon_.get_motion_control_mode();
    const bool mode_changed = previous_mode != 2;
    if (mode_changed) canon_.set_motion_control_mode(2);

    if (check_cycle_parameters(motion, block, continuing, g) != 0) return -1;
    for (int repeat = 0; repeat < repeats; ++repeat) {
        hole_x += increment_x;
        hole_y += increment_y;
        canon_.straight_traverse(hole_x, hole_y, old_z);
        if (old_z != g.r_level) canon_.straight_traverse(hole_x, hole_y, g.r_level);
        if (cycle_body(motion, hole_x, hole_y, g) != 0) return -1;
        old_z = g.clear_z;
    }

    s.current_x = hole_x;
    s.current_y = hole_y;
    s.current_z = g.clear_z;
    s.cycle_l = repeats;
    s.cycle_r = r;
    s.cycle_z = z;
    switch (motion) {
        case 820:
        case 860:
        case 880:
        case 890:
            s.cycle_p = g.dwell_s;
            break;
        case 830:
            s.cycle_q = g.peck;
            break;
        case 870:
            s.cycle_i = g.i;
            s.cycle_j = g.j;
            s.cycle_k = block.k_flag ? block.k_number : s.cycle_k;
            break;
        default:
            break;
    }
    s.motion_mode = motion;
    if (mode_changed) canon_.set_motion_control_mode(previous_mode);
    return 0;
}

int Interpreter::check_cycle_parameters(int motion, const Block& block, bool continuing, CycleGeometry& g) {
    auto& s = settings_;
    switch (motion) {
        case 810:
        case 840:
        case 850:
            return 0;
        case 820:
        case 860:
        case 880:
        case 890: {
            if (block.p_number == -1.0 && !continuing) {
                switch (motion) {
                    case 820:
                        return fail("P word (dwell time) missing with G82");
                    case 860:
                        return fail("P word (dwell time) missing with G86");
                    case 880:
                        return fail("P word (dwell time) missing with G88");
                    default:
                        return fail("P word (dwell time) missing with G89");
                }
            }
            g.dwell_s = block.p_number != -1.0 ? block.p_number : s.cycle_p;
            return 0;
        }
        case 830: {
            if (block.q_number == -1.0 && !continuing)
                return fail("Q word (depth increment) missing with G83");
            g.peck = block.q_number != -1.0 ? block.q_number : s.cycle_q;
            // Each peck must go deeper, and their number stay within reason, or the cycle never ends.
            if (g.peck <= 0.0) return fail("Q value (depth increment) must be greater than zero with G83");
            if ((g.r_level - g.bottom) / g.peck > MAX_PECKS)
                return fail("Too many pecks in G83 canned cycle");
            return 0;
        }
        case 870: {
            if (!continuing) {
                if (!block.i_flag) return fail("I word missing with G87");
                if (!block.j_flag) return fail("J word missing with G87");
                if (!block.k_flag) return fail("K word missing with G87");
            }
            g.i = block.i_flag ? block.i_number : s.cycle_i;
            g.j = block.j_flag ? block.j_number : s.cycle_j;
            const double k = block.k_flag ? block.k_number : s.cycle_k;
            g.k_level = s.distance_mode == 1 ? g.bottom + k : k;
            return 0;
        }
        default:
            return fail("Convert_cycle should not have been called");
    }
}

int Interpreter::cycle_body(int motion, double x, double y, const CycleGeometry& g) {
    auto& s = settings_;
    switch (motion) {
        case 810:
            canon_.straight_feed(x, y, g.bottom);
            canon_.straight_traverse(x, y, g.clear_z);
            return 0;
        case 820:
            canon_.straight_feed(x, y, g.bottom);
            canon_.dwell(g.dwell_s);
            canon_.straight_traverse(x, y, g.clear_z);
            return 0;
        case 830: {
            const double clearance = s.length_units == 2 ? PECK_CLEARANCE_MM : PECK_CLEARANCE_INCH;
            for (double depth = g.r_level - g.peck; depth > g.bottom; depth -= g.peck) {
                canon_.straight_feed(x, y, depth);
                canon_.dwell(PECK_DWELL_S);
                canon_.straight_traverse(x, y, g.clear_z);
                canon_.straight_traverse(x, y, depth + clearance);
            }
            canon_.straight_feed(x, y, g.bottom);
            canon_.dwell(PECK_DWELL_S);
            canon_.straight_traverse(x, y, g.clear_z);
            return 0;
        }
        case 840:
            if (s.spindle_turning != 2) return fail("Spindle not turning clockwise in G84 canned cycle");
            canon_.start_speed_feed_synch();
            canon_.straight_feed(x, y, g.bottom);
            canon_.stop_spindle_turning();
            canon_.start_spindle_counterclockwise();
            canon_.straight_feed(x, y, g.clear_z);
            if (s.speed_feed_mode != 1) canon_.stop_speed_feed_synch();
            canon_.stop_spindle_turning();
            canon_.start_spindle_clockwise();
            return 0;
        case 850:
            canon_.straight_feed(x, y, g.bottom);
            canon_.straight_feed(x, y, g.clear_z);
            return 0;
        case 860:
            if (s.spindle_turning != 2 && s.spindle_turning != 3) {
                return fail("Spindle not turning in G86 canned cycle");
            }
            canon_.straight_feed(x, y, g.bottom);
            canon_.dwell(g.dwell_s);
            canon_.stop_spindle_turning();
            canon_.straight_traverse(x, y, g.clear_z);
            restart_spindle();
            return 0;
        case 870: {
            if (s.spindle_turning != 2 && s.spindle_turning != 3) {
                return fail("Spindle not turning in G87 canned cycle");
            }
            // Back boring: in beside the hole with the spindle oriented, then cut upward from below.
            const double offset_x = x + g.i;
            const double offset_y = y + g.j;
            canon_.straight_traverse(offset_x, offset_y, g.r_level);
            canon_.stop_spindle_turning();
            canon_.orient_spindle(0.0);
            canon_.straight_traverse(offset_x, offset_y, g.bottom);
            canon_.straight_traverse(x, y, g.bottom);
            restart_spindle();
            canon_.straight_feed(x, y, g.k_level);
            canon_.straight_feed(x, y, g.bottom);
            canon_.stop_spindle_turning();
            canon_.orient_spindle(0.0);
            canon_.straight_traverse(offset_x, offset_y, g.bottom);
            canon_.straight_traverse(offset_x, offset_y, g.clear_z);
            canon_.straight_traverse(x, y, g.clear_z);
            restart_spindle();
            return 0;
        }
        case 880:
            if (s.spindle_turning != 2 && s.spindle_turning != 3) {
                return fail("Spindle not turning in G88 canned cycle");
            }
            canon_.straight_feed(x, y, g.bottom);
            canon_.dwell(g.dwell_s);
            canon_.stop_spindle_turning();
            canon_.program_stop();
            restart_spindle();
            return 0;
        case 890:
            canon_.straight_feed(x, y, g.bottom);
            canon_.dwell(g.dwell_s);
            canon_.straight_feed(x, y, g.clear_z);
            return 0;
        default:
            return fail("Convert_cycle should not have been called");
    }
}

}  // namespace zorvan::interp
