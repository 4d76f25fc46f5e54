// Straight moves, arcs and the probe move. Coordinates handed to the machine are program coordinates.
#include <algorithm>
#include <cmath>

#include "interp/interpreter.h"

namespace zorvan::interp {
namespace {

constexpr double TWO_PI = 6.2831853071795864;

// Length of an arc (for inverse-time feed), in the plane coordinates plus the axial change.
double arc_length(double start_first, double start_second, double centre_first, double centre_second,
                  int turn, double end_first, double end_second, double axial_change) {
    const double radius = std::hypot(start_first - centre_first, start_second - centre_second);
    const double theta1 = std::atan2(start_second - centre_second, start_first - centre_first);
    double theta2 = std::atan2(end_second - centre_second, end_first - centre_first);
    if (turn > 0) {
        if (theta2 <= theta1) theta2 += TWO_PI;
    } else {
        if (theta2 >= theta1) theta2 -= TWO_PI;
    }
    const double swept = theta2 - theta1;
    if (axial_change == 0.0) return radius * std::fabs(swept);
    return std::sqrt(axial_change * axial_change + (radius * swept) * (radius * swept));
}

}  // namespace

void Interpreter::find_end_point(const Block& block, double& x, double& y, double& z) const {
    const auto& s = settings_;
    if (block.g_modes[4] == 530) {
        x = block.x_flag ? block.x_number - (s.origin_offset_x + s.axis_offset_x) : s.current_x;
        y = block.y_flag ? block.y_number - (s.origin_offset_y + s.axis_offset_y) : s.current_y;
        z = block.z_flag ? block.z_number - (s.tool_length_offset + s.origin_offset_z + s.axis_offset_z)
                         : s.current_z;
        return;
    }
    // Under compensation the path continues from the programmed point, not from the tool centre.
    const bool programmed = s.cutter_comp_side != 0 && s.program_x != UNKNOWN;
    const double base_x = programmed ? s.program_x : s.current_x;
    const double base_y = programmed ? s.program_y : s.current_y;
    if (s.distance_mode == 0) {
        x = block.x_flag ? block.x_number : base_x;
        y = block.y_flag ? block.y_number : base_y;
        z = block.z_flag ? block.z_number : s.current_z;
    } else {
        x = block.x_flag ? base_x + block.x_number : base_x;
        y = block.y_flag ? base_y + block.y_number : base_y;
        z = block.z_flag ? s.current_z + block.z_number : s.current_z;
    }
}

int Interpreter::convert_straight(int move, const Block& block) {
    auto& s = settings_;
    if (move != 0 && move != 10) return fail("Code is not G0 or G1 in convert_straight");
    if (!block.has_axis_word()) {
        // CAM tools set the motion mode on a line of its own ("G0 S10000", "G1 F300"): nothing moves.
        if (s.dialect == Dialect::STRICT) return fail("X, Y, and Z words all missing with G0 or G1");
        s.motion_mode = move;
        return 0;
    }
    s.motion_mode = move;
    double x, y, z;
    find_end_point(block, x, y, z);
    if (move == 0) {
        if (s.cutter_comp_side != 0) return fail("Cannot use G0 with cutter radius comp");
        canon_.straight_traverse(x, y, z);
    } else if (s.cutter_comp_side != 0) {
        if (s.feed_mode == 1) return fail("Cannot use inverse time feed with cutter radius comp");
        if (block.g_modes[4] == 530) return fail("Cannot use G53 with cutter radius comp");
        if (s.feed_rate == 0.0) return fail("Cannot do G1 with zero feed rate");
        // The compensated forms set the current and programmed points themselves.
        return s.program_x == UNKNOWN ? convert_straight_comp1(x, y, z) : convert_straight_comp2(x, y, z);
    } else {
        if (s.feed_mode == 1) {
            if (block.f_number == -1.0) return fail("F word missing with inverse time G1 move");
            const double length =
                std::sqrt((x - s.current_x) * (x - s.current_x) + (y - s.current_y) * (y - s.current_y) +
                          (z - s.current_z) * (z - s.current_z));
            const double rate = std::max(length * block.f_number, 0.1);
            canon_.set_feed_rate(rate);
            s.feed_rate = rate;
        } else if (s.feed_rate == 0.0) {
            return fail("Cannot do G1 with zero feed rate");
        }
        canon_.straight_feed(x, y, z);
    }
    s.current_x = x;
    s.current_y = y;
    s.current_z = z;
    return 0;
}

int Interpreter::convert_arc(int move, const Block& block) {
    auto& s = settings_;
    if (s.dialect == Dialect::CAM) {
        // CAM tools write the offset out of the plane as 0 (K0 in G17): taken as absent.
        int Block::*flag = s.plane == 1 ? &Block::k_flag : s.plane == 2 ? &Block::i_flag : &Block::j_flag;
        double Block::*number = s.plane == 1   ? &Block::k_number
                                : s.plane == 2 ? &Block::i_number
                                               : &Block::j_number;
        if (block.*flag && std::fabs(block.*number) <= 0.0001) {
            Block in_plane = block;
            in_plane.*flag = 0;
            return convert_arc(move, in_plane);
        }
    }
    const bool ijk = block.i_flag || block.j_flag || block.k_flag;
    if (!block.r_flag && !ijk) return fail("R, I, J, and K words all missing for arc");
    if (block.r_flag && ijk) return fail("Mixed radius-ijk format for arc");
    if (s.feed_rate == 0.0) return fail("Cannot make arc with zero feed rate");
    switch (s.plane) {
        case 1:
            if (block.k_flag) return fail("K word given for arc in XY-plane");
            if (!block.x_flag && !block.y_flag) return fail("X and Y words missing for arc in XY-plane");
            break;
        case 2:
            if (block.i_flag) return fail("I word given for arc in YZ-plane");
            if (!block.y_flag && !block.z_flag) return fail("Y and Z words missing for arc in YZ-plane");
            break;
        case 3:
            if (block.j_flag) return fail("J word given for arc in XZ-plane");
            if (!block.x_flag && !block.z_flag) return fail("X and Z words missing for arc in XZ-plane");
            break;
        default:
            return fail("Plane is not XY, YZ, or XZ in convert_arc");
    }
    double x, y, z;
    find_end_point(block, x, y, z);
    s.motion_mode = move;
    if (s.plane == 1 && s.cutter_comp_side != 0) {
        if (s.feed_mode == 1) return fail("Cannot use inverse time feed with cutter radius comp");
        return s.program_x == UNKNOWN ? convert_arc_comp1(move, block, x, y, z)
                                      : convert_arc_comp2(move, block, x, y, z);
    }
    // Rotate the axes so that the arc lies in its plane's first and second coordinates.
    switch (s.plane) {
        case 1:
            return convert_arc_plain(move, block, x, y, z);
        case 2:
            return convert_arc_plain(move, block, y, z, x);
        default:
            return convert_arc_plain(move, block, z, x, y);
    }
}

int Interpreter::convert_arc_plain(int move, const Block& block, double end_first, double end_second,
                                   double end_axial) {
    auto& s = settings_;
    const bool inch = s.length_units == 1;
    double current_first, current_second, current_axial, centre_first, centre_second, tolerance;
    switch (s.plane) {
        case 1:
            current_first = s.current_x, current_second = s.current_y, current_axial = s.current_z;
            centre_first = arc_centre(block.i_flag, block.i_number, current_first);
            centre_second = arc_centre(block.j_flag, block.j_number, current_second);
            tolerance = inch ? 0.001 : 0.01;
            break;
        case 2:
            current_first = s.current_y, current_second = s.current_z, current_axial = s.current_x;
            centre_first = arc_centre(block.j_flag, block.j_number, current_first);
            centre_second = arc_centre(block.k_flag, block.k_number, current_second);
            tolerance = inch ? 0.0002 : 0.002;
            break;
        default:
            current_first = s.current_z, current_second = s.current_x, current_axial = s.current_y;
            centre_first = arc_centre(block.k_flag, block.k_number, current_first);
            centre_second = arc_centre(block.i_flag, block.i_number, current_second);
            tolerance = inch ? 0.0002 : 0.002;
            break;
    }
    int turn;
    const int status = block.r_flag ? arc_data_r(move, current_first, current_second, end_first, end_second,
                                                 block.r_number, centre_first, centre_second, turn)
                                    : arc_data_ijk(move, current_first, current_second, end_first, end_second,
                                                   centre_first, centre_second, tolerance, turn);
    if (status != 0) return -1;
    if (s.feed_mode == 1) {
        const double length = arc_length(current_first, current_second, centre_first, centre_second, turn,
                                         end_first, end_second, end_axial - current_axial);
        const double rate = std::max(length * block.f_number, 0.1);
        canon_.set_feed_rate(rate);
        s.feed_rate = rate;
    }
    canon_.arc_feed(end_first, end_second, centre_first, centre_second, turn, end_axial);
    switch (s.plane) {
        case 1:
            s.current_x = end_first, s.current_y = end_second, s.current_z = end_axial;
            break;
        case 2:
            s.current_y = end_first, s.current_z = end_second, s.current_x = end_axial;
            break;
        default:
            s.current_z = end_first, s.current_x = end_second, s.current_y = end_axial;
            break;
    }
    return 0;
}

// One centre coordinate of a centre-format arc from its word: an offset from the point the arc starts
// from (G91.1, a missing word is 0), or with G90.1 the coordinate itself (a missing word is that point's).
double Interpreter::arc_centre(int flag, double number, double start) const {
    if (settings_.arc_distance_mode == 0) return flag ? number : start;
    return start + (flag ? number : 0.0);
}

int Interpreter::arc_data_ijk(int move, double current_first, double current_second, double end_first,
                              double end_second, double centre_first, double centre_second, double tolerance,
                              int& turn) {
    const double start_radius = std::hypot(centre_first - current_first, centre_second - current_second);
    const double end_radius = std::hypot(centre_first - end_first, centre_second - end_second);
    if (std::fabs(start_radius - end_radius) > tolerance) {
        return fail("Radius to end of arc differs from radius to start of arc");
    }
    if (move == 20) {
        turn = -1;
    } else if (move == 30) {
        turn = 1;
    } else {
        return fail("Code is not G2 or G3 in arc_data_ijk");
    }
    return 0;
}

// A positive radius gives the short arc (up to half a circle), a negative one the long arc. A radius of
// zero cannot reach any end point and is refused by the same test.
int Interpreter::arc_data_r(int move, double current_first, double current_second, double end_first,
                            double end_second, double radius, double& centre_first, double& centre_second,
                            int& turn) {
    if (end_first == current_first && end_second == current_second) {
        return fail("Current point same as end point of arc");
    }
    const double abs_radius = std::fabs(radius);
    const double mid_first = (end_first + current_first) / 2.0;
    const double mid_second = (end_second + current_second) / 2.0;
    double half_length = std::hypot(mid_first - end_first, mid_second - end_second);
    if (half_length / abs_radius > 1.000000000001) {
        // A CAM tool's radius rounded short of the half chord: the half circle about the chord's midpoint,
        // which is both the short and the long arc.
        if (settings_.dialect == Dialect::STRICT || half_length - abs_radius > 0.001) {
            return fail("Arc radius too small to reach end point");
        }
        centre_first = mid_first;
        centre_second = mid_second;
    } else {
        if (half_length / abs_radius > 0.999999999999) half_length = abs_radius;
        const double chord_angle = std::atan2(end_second - current_second, end_first - current_first);
        const double quarter = TWO_PI / 4.0;
        const double centre_angle = ((move == 20 && radius > 0) || (move == 30 && radius < 0))
                                        ? chord_angle - quarter
                                        : chord_angle + quarter;
        const double distance = abs_radius * std::cos(std::asin(half_length / abs_radius));
        centre_first = mid_first + distance * std::cos(centre_angle);
        centre_second = mid_second + distance * std::sin(centre_angle);
    }
    if (move == 20) {
        turn = -1;
    } else if (move == 30) {
        turn = 1;
    } else {
        return fail("Code is not G2 or G3 in arc_data_r");
    }
    return 0;
}

int Interpreter::convert_probe(const Block& block) {
    auto& s = settings_;
    if (!block.has_axis_word()) return fail("X, Y, and Z words all missing with G38.2");
    double x, y, z;
    find_end_point(block, x, y, z);
    canon_.turn_probe_on();
    canon_.straight_probe(x, y, z);
    canon_.turn_probe_off();
    s.motion_mode = 382;
    // The point the probe reached is read back, with the probe result, by the next line.
    s.probe_flag = 1;
    return 0;
}

}  // namespace zorvan::interp
