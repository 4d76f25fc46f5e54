// Cutter radius compensation: the tool centre runs at the tool radius beside the programmed XY path.
//
// What stays true: current_x/current_y hold the tool centre, program_x/program_y the programmed
// (uncompensated) end of the last compensated move, or UNKNOWN before the first one. The path may only
// turn away from the tool (convex corners); such a corner is joined by an arc about the programmed
// corner point, and a turn toward the tool (concave) is refused, since the tool would cut into the part.
#include <cmath>

#include "config/number_text.h"
#include "interp/interpreter.h"

namespace zorvan::interp {
namespace {

constexpr double PI = 3.1415926535897932;
constexpr double TWO_PI = 2.0 * PI;
constexpr double HALF_PI = PI / 2.0;
constexpr double CORNER_TOLERANCE = 0.01;  // radians: smaller turns need no corner arc

constexpr int RIGHT = 1;
constexpr int LEFT = 2;

double direction(double from_x, double from_y, double to_x, double to_y) {
    return std::atan2(to_y - from_y, to_x - from_x);
}

}  // namespace

int Interpreter::convert_cutter_compensation(int code, const Block& block) {
    auto& s = settings_;
    if (code == 400) {
        s.cutter_comp_side = 0;
        s.program_x = UNKNOWN;
        return 0;
    }
    if (code != 410 && code != 420)
        return fail("Code is not G40, G41, or G42 in  convert_cutter_compensation");
    if (s.plane != 1) return fail("Cannot turn cutter radius comp on out of XY-plane");
    if (block.d_number == -1) return fail("D word missing with cutter radius comp on");
    // The tool table has entries 0..32; a larger D would name a tool that cannot exist.
    if (block.d_number > TOOL_MAX) return fail("Tool index out of bounds");
    if (s.cutter_comp_side != 0) return fail("Cannot turn cutter radius comp on when already on");
    s.tool_table_index = block.d_number;
    s.cutter_comp_side = code == 410 ? LEFT : RIGHT;
    return 0;
}

// After a compensated move: the tool centre and the programmed point it stands beside.
int Interpreter::record_comp_end(double tool_x, double tool_y, double z, double px, double py) {
    auto& s = settings_;
    s.current_x = tool_x;
    s.current_y = tool_y;
    s.current_z = z;
    s.program_x = px;
    s.program_y = py;
    return 0;
}

double Interpreter::tool_radius() const {
    return settings_.tool_table[static_cast<std::size_t>(settings_.tool_table_index)].diameter / 2.0;
}

// First compensated move: from the tool centre to a point beside the programmed end, arriving tangent
// to the programmed path's start.
int Interpreter::convert_straight_comp1(double px, double py, double pz) {
    auto& s = settings_;
    const double radius = tool_radius();
    if (radius <= 0.0) return fail("Bad tool radius value with cutter radius comp");
    const double distance = std::hypot(px - s.current_x, py - s.current_y);
    if (distance <= radius) return fail("Cutter gouging with cutter radius comp");
    const double alpha = std::acos(radius / distance);
    const double theta = direction(px, py, s.current_x, s.current_y);
    double angle;
    if (s.cutter_comp_side == LEFT) {
        angle = theta - alpha;
    } else if (s.cutter_comp_side == RIGHT) {
        angle = theta + alpha;
    } else {
        return fail("Side fails to be right or left in convert_straight_comp1");
    }
    const double end_x = px + radius * std::cos(angle);
    const double end_y = py + radius * std::sin(angle);
    canon_.straight_feed(end_x, end_y, pz);
    return record_comp_end(end_x, end_y, pz, px, py);
}

int Interpreter::convert_straight_comp2(double px, double py, double pz) {
    auto& s = settings_;
    const double radius = tool_radius();
    if (radius <= 0.0) return fail("Bad tool radius value with cutter radius comp");
    const double start_x = s.program_x;
    const double start_y = s.program_y;
    if (px == start_x && py == start_y) {
        // A move along Z alone: the tool stays beside the programmed point.
        canon_.straight_feed(s.current_x, s.current_y, pz);
        s.current_z = pz;
        return 0;
    }
    double theta = direction(start_x, start_y, s.current_x, s.current_y);
    double path = direction(start_x, start_y, px, py);
    double turn, offset_angle;
    if (s.cutter_comp_side == LEFT) {
        if (path > theta) theta += TWO_PI;
        turn = theta - path - HALF_PI;
        offset_angle = path + HALF_PI;
    } else if (s.cutter_comp_side == RIGHT) {
        if (path < theta) path += TWO_PI;
        turn = path - theta - HALF_PI;
        offset_angle = path - HALF_PI;
    } else {
        return fail("Side fails to be right or left in convert_straight_comp2");
    }
    if (turn < -CORNER_TOLERANCE || turn > PI + CORNER_TOLERANCE) {
        return fail("Cannot have concave corner with cutter radius comp");
    }
    const double end_x = px + radius * std::cos(offset_angle);
    const double end_y = py + radius * std::sin(offset_angle);
    if (turn > CORNER_TOLERANCE) {
        const double corner_x = start_x + radius * std::cos(offset_angle);
        const double corner_y = start_y + radius * std::sin(offset_angle);
        canon_.arc_feed(corner_x, corner_y, start_x, start_y, s.cutter_comp_side == LEFT ? -1 : 1, pz);
    }
    canon_.straight_feed(end_x, end_y, pz);
    return record_comp_end(end_x, end_y, pz, px, py);
}

// "Inside": the tool lies between the programmed arc and its centre.
bool Interpreter::comp_arc_inside(int move) const {
    const int side = settings_.cutter_comp_side;
    return (side == LEFT && move == 30) || (side == RIGHT && move == 20);
}

double Interpreter::comp_arc_tolerance() const {
    return settings_.length_units == 1 ? 0.0002 : 0.002;
}

// First compensated arc: the tool enters on the arc offset by the tool radius.
int Interpreter::convert_arc_comp1(int move, const Block& block, double px, double py, double pz) {
    auto& s = settings_;
    const double radius = tool_radius();
    if (radius <= 0.0) return fail("Bad tool radius value with cutter radius comp");
    const bool inside = comp_arc_inside(move);
    const double cx0 = s.current_x;
    const double cy0 = s.current_y;
    double centre_x, centre_y;
    if (block.r_flag) {
        if (cx0 == px && cy0 == py) return fail("Current point same as end point of arc");
        const double arc_radius = std::fabs(block.r_number);
        if (inside && arc_radius <= radius) {
            return fail("Tool radius not less than arc radius with cutter radius comp");
        }
        const double distance = std::hypot(px - cx0, py - cy0);
        const double chord = direction(cx0, cy0, px, py);
        const bool left_of_chord = (move == 30 && block.r_number > 0) || (move == 20 && block.r_number < 0);
        const double perpendicular = left_of_chord ? chord + HALF_PI : chord - HALF_PI;
        const double start_radius = inside ? arc_radius - radius : arc_radius + radius;
        if (start_radius + arc_radius < distance) return fail("Radius too small to reach end point");
        const double along =
            (start_radius * start_radius + distance * distance - arc_radius * arc_radius) / (2.0 * distance);
        const double across_squared = start_radius * start_radius - along * along;
        // An end point within the tool radius of the start leaves no centre that both circles share.
        if (across_squared < 0.0) return fail("Cutter gouging with cutter radius comp");
        const double across = std::sqrt(across_squared);
        centre_x = cx0 + along * std::cos(chord) + across * std::cos(perpendicular);
        centre_y = cy0 + along * std::sin(chord) + across * std::sin(perpendicular);
    } else {
        centre_x = arc_centre(block.i_flag, block.i_number, cx0);
        centre_y = arc_centre(block.j_flag, block.j_number, cy0);
        const double start_radius = std::hypot(centre_x - cx0, centre_y - cy0);
        const double programmed_radius = std::hypot(centre_x - px, centre_y - py);
        const double end_radius = inside ? programmed_radius - radius : programmed_radius + radius;
        if (std::fabs(start_radius - end_radius) > comp_arc_tolerance()) {
            return fail("Radius to end of arc differs from radius to start of arc (" +
                        config::format_real(start_radius, decimal_separator_) + "," +
                        config::format_real(end_radius, decimal_separator_) + ")");
        }
    }
    const int turn = move == 20 ? -1 : 1;
    const double theta =
        inside ? direction(px, py, centre_x, centre_y) : direction(centre_x, centre_y, px, py);
    const double end_x = px + radius * std::cos(theta);
    const double end_y = py + radius * std::sin(theta);
    canon_.arc_feed(end_x, end_y, centre_x, centre_y, turn, pz);
    return record_comp_end(end_x, end_y, pz, px, py);
}

int Interpreter::convert_arc_comp2(int move, const Block& block, double px, double py, double pz) {
    auto& s = settings_;
    const double start_x = s.program_x;
    const double start_y = s.program_y;
    double centre_x = arc_centre(block.i_flag, block.i_number, start_x);
    double centre_y = arc_centre(block.j_flag, block.j_number, start_y);
    int turn;
    const int status =
        block.r_flag
            ? arc_data_r(move, start_x, start_y, px, py, block.r_number, centre_x, centre_y, turn)
            : arc_data_ijk(move, start_x, start_y, px, py, centre_x, centre_y, comp_arc_tolerance(), turn);
    if (status != 0) return -1;
    const double radius = tool_radius();
    if (radius <= 0.0) return fail("Bad tool radius value with cutter radius comp");
    const double arc_radius = std::hypot(centre_x - px, centre_y - py);
    const int side = s.cutter_comp_side;

    // The turn from the direction of travel at the start to the arc's own direction there.
    const double travel =
        direction(start_x, start_y, s.current_x, s.current_y) + (side == LEFT ? -HALF_PI : HALF_PI);
    const double to_centre = direction(start_x, start_y, centre_x, centre_y);
    const double arc_direction = move == 30 ? to_centre - HALF_PI : to_centre + HALF_PI;
    double corner = side == LEFT ? travel - arc_direction : arc_direction - travel;
    if (corner > 4.71238898038469) {
        corner -= TWO_PI;
    } else if (corner < -HALF_PI) {
        corner += TWO_PI;
    }

    double end_x, end_y, corner_x, corner_y;
    if (comp_arc_inside(move)) {
        if (arc_radius <= radius) return fail("Tool radius not less than arc radius with cutter radius comp");
        const double end_angle = direction(px, py, centre_x, centre_y);
        const double start_angle = direction(start_x, start_y, centre_x, centre_y);
        end_x = px + radius * std::cos(end_angle);
        end_y = py + radius * std::sin(end_angle);
        corner_x = start_x + radius * std::cos(start_angle);
        corner_y = start_y + radius * std::sin(start_angle);
    } else {
        const double end_angle = direction(centre_x, centre_y, px, py);
        const double start_angle = direction(centre_x, centre_y, start_x, start_y);
        end_x = px + radius * std::cos(end_angle);
        end_y = py + radius * std::sin(end_angle);
        corner_x = start_x + radius * std::cos(start_angle);
        corner_y = start_y + radius * std::sin(start_angle);
    }
    // Recorded before the corner test: a refused corner still leaves the programmed point moved on.
    s.program_x = px;
    s.program_y = py;
    if (corner < -CORNER_TOLERANCE || corner > PI + CORNER_TOLERANCE) {
        return fail("Concave corner with cutter radius comp");
    }
    if (corner > CORNER_TOLERANCE) {
        canon_.arc_feed(corner_x, corner_y, start_x, start_y, side == LEFT ? -1 : 1, s.current_z);
    }
    canon_.arc_feed(end_x, end_y, centre_x, centre_y, turn, pz);
    s.current_x = end_x;
    s.current_y = end_y;
    s.current_z = pz;
    return 0;
}

}  // namespace zorvan::interp
