// Circular and helical moves. The board cuts circles only as quadrant arcs: X/Y pieces that never leave
// one quadrant around their centre, given in steps relative to that centre, with equal X and Y step
// scales. Every other arc is cut as short straight feeds (chords).
#include "machine/canon.h"
#include "machine/plane.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <optional>

namespace zorvan::machine {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kHalfPi = std::numbers::pi / 2.0;
// Program units: an offset from the centre smaller than this lies on the axis through the centre.
constexpr double kOnAxis = 1e-6;
// Program units: the farthest a chord may stray from its arc.
constexpr double kChordTolerance = 0.0005;
// Past this many chords per turn the radius lies far beyond any machine's travel (a kilometre and more);
// the bound only keeps an absurd radius from stalling the run in endless chords.
constexpr double kMostChordsPerTurn = 100000.0;
// Steps on the longer axis below which a piece goes to the board as a straight feed.
constexpr int kShortestArcSteps = 4;

bool InYzOrXz(int plane) {
    return plane == 2 || plane == 3;
}

// One quadrant piece on the board, in millimetres of the machine frame and radians; a0 and a1 are the
// angles of its start and end, a1 beyond a0 in the arc's direction.
struct PieceGeometry {
    double start_x, start_y;
    double centre_x, centre_y;
    double end_x, end_y;
    double a0, a1;
    bool counter_clockwise;
};

struct ArcSettings {
    double steps_per_mm_x, steps_per_mm_y;  // signed, as configured
    double feed_rate_mm_s;
    int max_sps;  // steps/s, the global maximum
};

// The board's record for one quadrant piece, or nothing when the piece is too short to cut as an arc:
// its longer axis travels fewer than kShortestArcSteps steps.
std::optional<ControllerCommand> QuadrantArcCommand(const PieceGeometry& g, const ArcSettings& s,
                                                    std::uint8_t quadrant) {
    // The board takes offsets from the centre as magnitudes; the quadrant gives their signs.
    const double scale_x = std::fabs(s.steps_per_mm_x), scale_y = std::fabs(s.steps_per_mm_y);
    const double start_x_steps = scale_x * (g.start_x - g.centre_x);
    const double start_y_steps = scale_y * (g.start_y - g.centre_y);
    const std::int32_t end_x_steps = ToCommandInt(std::fabs(scale_x * (g.end_x - g.centre_x)));
    const std::int32_t end_y_steps = ToCommandInt(std::fabs(scale_y * (g.end_y - g.centre_y)));
    const double travel_x = std::fabs(end_x_steps - std::fabs(start_x_steps));
    const double travel_y = std::fabs(end_y_steps - std::fabs(start_y_steps));
    const std::int32_t steps = ToCommandInt(std::max(travel_x, travel_y));
    if (steps < kShortestArcSteps) return std::nullopt;

    // The feed rate holds along the chord of the piece, measured on its longer axis.
    const double chord = std::sqrt(travel_x * travel_x + travel_y * travel_y);
    double speed = travel_x >= travel_y ? std::fabs(travel_x / chord * s.feed_rate_mm_s * s.steps_per_mm_x)
                                        : std::fabs(travel_y / chord * s.feed_rate_mm_s * s.steps_per_mm_y);
    speed = std::min(speed, static_cast<double>(s.max_sps));

    ControllerCommand c;
    c.code = g.counter_clockwise ? cmdArcCCW : cmdArcCW;
    c.x = ToCommandInt(std::fabs(start_x_steps));
    c.y = ToCommandInt(std::fabs(start_y_steps));
    c.arcEndX = end_x_steps;
    c.arcEndY = end_y_steps;
    c.arcRadius = ToCommandInt(std::sqrt(start_x_steps * start_x_steps + start_y_steps * start_y_steps));
    c.speed = MoveSpeed(speed);
    c.endSpeed = 0;
    c.quadrant = quadrant;
    c.steps = steps;
    // Velocities along the tangent at both ends, for the look-ahead's junction test; the board moves no Z.
    const double turn = g.counter_clockwise ? 1.0 : -1.0;
    c.vInX = ToCommandInt(-turn * std::sin(g.a0) * speed);
    c.vInY = ToCommandInt(turn * std::cos(g.a0) * speed);
    c.vOutX = ToCommandInt(-turn * std::sin(g.a1) * speed);
    c.vOutY = ToCommandInt(turn * std::cos(g.a1) * speed);
    return c;
}

}  // namespace

// The board cuts quadrant arcs in X and Y only. An arc in the YZ or XZ plane is still a circle in its
// own plane to the operator, so it is cut there as chords, in preview and on the board alike, rather
// than as an X/Y arc or not at all.
void Canon::arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                     int rotation, double axis_end) {
    // No turn at all is a straight move, whatever the plane and the step scales.
    if (rotation == 0) {
        const auto end = PlaneToXyz(ActivePlane, first_end, second_end, axis_end);
        straight_feed(end[0], end[1], end[2]);
        return;
    }
    // A circle in steps stays a circle only when X and Y step alike; the signs are the board's arc
    // direction setting.
    const bool equal_scales =
        std::fabs(parameters_.StepsPerUnit[0]) == std::fabs(parameters_.StepsPerUnit[1]);
    if (InYzOrXz(ActivePlane) || !equal_scales) {
        ArcChords(first_end, second_end, first_centre, second_centre, rotation, axis_end);
        return;
    }
    // The board's quadrant arc carries no Z: a helix whose Z changes by a step or more is cut as chords
    // that climb along the arc, or the board would never reach the Z the canon takes for its position.
    if (ControlMode()) {
        const double z_steps = (axis_end - get_position().z) * LengthUnitScale * parameters_.StepsPerUnit[2];
        if (std::fabs(z_steps) >= 1.0) {
            ArcChords(first_end, second_end, first_centre, second_centre, rotation, axis_end);
            return;
        }
    }
    if (!ControlMode()) {
        ExecuteArcPiece({first_end, second_end, first_centre, second_centre, rotation, axis_end, 0});
        return;
    }
    std::array<ArcPiece, 9> pieces;
    SplitQuadrants(first_end, second_end, first_centre, second_centre, rotation, axis_end, pieces);
    for (const ArcPiece& piece : pieces) {
        if (piece.quadrant != 0) ExecuteArcPiece(piece);
    }
}

// Radians in [0, 2π) from the +first axis towards the +second axis.
double Canon::PointAngle(double centre_first, double centre_second, double first, double second) {
    const double dx = first - centre_first, dy = second - centre_second;
    if (dx == 0) return dy >= 0 ? kHalfPi : 3.0 * kHalfPi;
    if (dy == 0) return dx >= 0 ? 0.0 : std::numbers::pi;
    double angle = std::atan(dy / dx);
    if (dx < 0) angle += std::numbers::pi;
    if (angle < 0) angle += kTwoPi;
    return angle;
}

// Cuts the arc from the current position to the end into quadrant pieces for the board.
//
// What holds afterwards: pieces[0..count) follow one another in the arc's direction; each lies inside
// the one quadrant around the centre that its number names (1: +x +y, 2: -x +y, 3: -x -y, 4: +x -y);
// every piece but the last ends on an axis through the centre, at the start's radius; the last ends at
// the arc's end. Together they sweep the partial arc once, never more than a turn, so there are at most
// five pieces (start and end in one quadrant with the end behind the start). The number of turns is
// used only for its sign. A start or end on the centre gives no pieces. Offsets below kOnAxis count as
// lying on the axis, so a point on an axis belongs to the quadrant the arc enters from it (start) or
// arrives from (end).
int Canon::SplitQuadrants(double first_end, double second_end, double first_centre, double second_centre,
                          int rotation, double axis_end, std::array<ArcPiece, 9>& pieces) {
    for (ArcPiece& piece : pieces)
        piece = {first_end, second_end, first_centre, second_centre, rotation, axis_end, 0};
    const auto on_axis = [](double v) { return std::fabs(v) < kOnAxis ? 0.0 : v; };
    const auto here = XyzToPlane(ActivePlane, get_position());
    const double sx = on_axis(here[0] - first_centre), sy = on_axis(here[1] - second_centre);
    const double ex = on_axis(first_end - first_centre), ey = on_axis(second_end - second_centre);
    const double radius = std::sqrt(sx * sx + sy * sy);

    int count = 0;
    const auto add = [&](double first, double second, int quadrant) {
        ArcPiece& piece = pieces[static_cast<std::size_t>(count++)];
        piece.end_first = first;
        piece.end_second = second;
        piece.quadrant = static_cast<std::uint8_t>(quadrant > 4 ? quadrant - 4 : quadrant);
    };
    // A piece that ends where the arc crosses the axis at `quarter` × π/2.
    const auto add_to_axis = [&](int quarter, int quadrant) {
        const double angle = quarter * kHalfPi;
        add(first_centre + radius * std::cos(angle), second_centre + radius * std::sin(angle), quadrant);
    };

    if (rotation <= 0) {
        int qs = 0, qe = 0;
        if (sx >= 0 && sy > 0)
            qs = 1;
        else if (sx < 0 && sy >= 0)
            qs = 2;
        else if (sx <= 0 && sy < 0)
            qs = 3;
        else if (sx > 0 && sy <= 0)
            qs = 4;
        if (ex > 0 && ey >= 0)
            qe = 1;
        else if (ex <= 0 && ey > 0)
            qe = 2;
        else if (ex < 0 && ey <= 0)
            qe = 3;
        else if (ex >= 0 && ey < 0)
            qe = 4;
        if (qs == 0 || qe == 0) return 0;
        if (qs == qe) {
            // Clockwise, the end lies behind the start in the same quadrant: almost a full turn.
            const bool behind = (qs == 1 && ex <= sx && ey >= sy) || (qs == 2 && ex <= sx && ey <= sy) ||
                                (qs == 3 && ex >= sx && ey <= sy) || (qs == 4 && ex >= sx && ey >= sy);
            if (behind) qs += 4;
        } else if (qs < qe) {
            qs += 4;
        }
        for (int quadrant = qs; quadrant > qe; --quadrant)
            add_to_axis(quadrant - 1, quadrant);
        add(first_end, second_end, qe);
    } else {
        int qs = 0, qe = 0;
        if (sx >= 0 && sy < 0)
            qs = 4;
        else if (sx < 0 && sy <= 0)
            qs = 3;
        else if (sx <= 0 && sy > 0)
            qs = 2;
        else if (sx > 0 && sy >= 0)
            qs = 1;
        if (ex > 0 && ey <= 0)
            qe = 4;
        else if (ex <= 0 && ey < 0)
            qe = 3;
        else if (ex < 0 && ey >= 0)
            qe = 2;
        else if (ex >= 0 && ey > 0)
            qe = 1;
        if (qs == 0 || qe == 0) return 0;
        if (qs == qe) {
            // Counter-clockwise, the end lies behind the start in the same quadrant: almost a full turn.
            const bool behind = (qs == 1 && ex >= sx && ey <= sy) || (qs == 2 && ex >= sx && ey >= sy) ||
                                (qs == 3 && ex <= sx && ey >= sy) || (qs == 4 && ex <= sx && ey <= sy);
            if (behind) qe += 4;
        } else if (qe < qs) {
            qe += 4;
        }
        for (int quadrant = qs; quadrant < qe; ++quadrant)
            add_to_axis(quadrant, quadrant);
        add(first_end, second_end, qe);
    }
    return count;
}

// Draws one piece in preview, or sends it to the board in control mode, then moves the canon's position
// to the piece's end. The board's quadrant arc moves X and Y only: the Z of a helical arc is taken into
// the canon's position but not travelled by the board.
void Canon::ExecuteArcPiece(const ArcPiece& piece) {
    const std::array<double, 3> end = ToMachine(piece.end_first, piece.end_second, piece.axis_end);
    const std::array<double, 3> centre = ToMachine(piece.centre_first, piece.centre_second, piece.axis_end);
    const bool counter_clockwise = piece.rotation > 0;
    double a0 = PointAngle(centre[0], centre[1], CurrentPosition[0], CurrentPosition[1]);
    double a1 = PointAngle(centre[0], centre[1], end[0], end[1]);
    // Start and end on the same angle sweep a full turn.
    if (counter_clockwise && a1 <= a0) a1 += kTwoPi;
    if (!counter_clockwise && a1 >= a0) a0 += kTwoPi;

    if (!ControlMode()) {
        const double radius = std::hypot(end[0] - centre[0], end[1] - centre[1]);
        if (RenderedView && stock_ != nullptr) {
            const auto from = ToProgram(CurrentPosition[0], CurrentPosition[1], CurrentPosition[2]);
            const auto at = ToProgram(centre[0], centre[1], centre[2]);
            if (counter_clockwise)
                stock_->CutArcCCW(from[2], radius / LengthUnitScale, a1, a0, at[1], at[0]);
            else
                stock_->CutArcCW(from[2], radius / LengthUnitScale, a1, a0, at[1], at[0]);
        } else {
            sink_.SetMoveKind(DrawAsExcursion     ? MoveExcursion
                              : counter_clockwise ? MoveArcCounterClockwise
                                                  : MoveArcClockwise);
            double centre_x = centre[0], centre_y = centre[1], z = end[2];
            if (panel_.AbsoluteCoordinates()) {
                centre_x -= OriginOffset[0];
                centre_y -= OriginOffset[1];
                z -= OriginOffset[2];
            }
            const long long turns = std::llabs(static_cast<long long>(piece.rotation));
            for (long long turn = 0; turn < turns; ++turn)
                sink_.DrawArc({centre_x, centre_y, z, radius, a0, a1, LengthUnitScale});
        }
    } else {
        const PieceGeometry geometry{
            CurrentPosition[0], CurrentPosition[1], centre[0], centre[1], end[0], end[1], a0, a1,
            counter_clockwise};
        const ArcSettings settings{parameters_.StepsPerUnit[0], parameters_.StepsPerUnit[1], FeedRate,
                                   parameters_.MaxSps};
        const auto command = QuadrantArcCommand(geometry, settings, piece.quadrant);
        if (!command) {
            // straight_feed moves the canon's position itself.
            straight_feed(piece.end_first, piece.end_second, piece.axis_end);
            return;
        }
        // Not flushed: consecutive feeds and arcs are contoured.
        SendMove(*command);
    }
    MoveTo(end);
}

// The arc as straight feeds, each chord straying at most kChordTolerance from the circle through the
// end. The axial coordinate is spread evenly along the arc, so a helix stays a helix.
void Canon::ArcChords(double first_end, double second_end, double first_centre, double second_centre,
                      int rotation, double axis_end) {
    const int plane = ActivePlane;
    const auto feed = [&](double first, double second, double axis) {
        const auto target = PlaneToXyz(plane, first, second, axis);
        straight_feed(target[0], target[1], target[2]);
    };
    const double radius = std::hypot(first_end - first_centre, second_end - second_centre);
    const double inner = radius - kChordTolerance;
    if (!(inner > 0)) {
        feed(first_end, second_end, axis_end);
        return;
    }
    const double step = std::max(2.0 * std::atan(std::sqrt(radius * radius - inner * inner) / inner),
                                 kTwoPi / kMostChordsPerTurn);

    const auto here = XyzToPlane(plane, get_position());
    double a0 = PointAngle(first_centre, second_centre, here[0], here[1]);
    double a1 = PointAngle(first_centre, second_centre, first_end, second_end);
    const bool counter_clockwise = rotation > 0;
    if (counter_clockwise && a1 <= a0) a1 += kTwoPi;
    if (!counter_clockwise && a1 >= a0) a0 += kTwoPi;
    const double direction = counter_clockwise ? 1.0 : -1.0;
    const double axis_start = here[2];

    for (long k = 1;; ++k) {
        const double angle = a0 + direction * static_cast<double>(k) * step;
        if (!(direction * (a1 - angle) > 0)) break;
        const double axis = axis_start + (axis_end - axis_start) * (angle - a0) / (a1 - a0);
        feed(first_centre + radius * std::cos(angle), second_centre + radius * std::sin(angle), axis);
    }
    // The end itself, not its angle on the circle again, so that the position agrees with the program's.
    feed(first_end, second_end, axis_end);
}

}  // namespace zorvan::machine
