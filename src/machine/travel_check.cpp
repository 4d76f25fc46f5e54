#include "machine/travel_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "machine/plane.h"

namespace zorvan::machine {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Excursions are reported to four decimals; a value within half a unit of the fourth decimal of its
// limit prints as the limit and is taken as touching it, not leaving the table.
constexpr double kPrintedTolerance = 0.5e-4;
constexpr std::size_t kNotKept = static_cast<std::size_t>(-1);

// The machine axes of a plane's first and second coordinates (as plane.h orders them).
std::array<std::size_t, 2> PlaneAxes(int plane) {
    switch (plane) {
        case 2:
            return {1, 2};
        case 3:
            return {2, 0};
        default:
            return {0, 1};
    }
}

// The angle from `from` to `to` in the turning direction, in [0, 2π).
double AngleAhead(double from, double to, bool counter_clockwise) {
    double angle = std::fmod(counter_clockwise ? to - from : from - to, kTwoPi);
    if (angle < 0) angle += kTwoPi;
    return angle;
}

}  // namespace

std::string ExcursionText(const TravelExcursion& e) {
    static constexpr char AXES[] = "XYZ";
    // A limit of -0 reads as 0.
    const double limit = e.limit == 0 ? 0.0 : e.limit;
    char text[96];
    std::snprintf(text, sizeof text, "%c %.4f beyond the table's %.4f", AXES[e.axis], e.value, limit);
    return text;
}

TableLimits TableLimitsOf(const config::StartupSettings& s) {
    return {{s.MinX, s.MinY, s.MinZ}, {s.MaxX, s.MaxY, s.MaxZ}};
}

TravelCheck::TravelCheck(const TableLimits& limits, std::size_t kept) : limits_(limits), most_kept_(kept) {}

void TravelCheck::SetLine(long line) {
    if (line == line_) return;
    line_ = line;
    open_ = {};
}

void TravelCheck::Clear() {
    kept_.clear();
    count_ = 0;
    line_ = 0;
    open_ = {};
}

bool TravelCheck::Straight(const std::array<double, 3>& from, const std::array<double, 3>& to) {
    // The table is a box: a straight move stays on it when its end does.
    return Check({to, to}, from, to);
}

bool TravelCheck::Arc(int plane, const std::array<double, 3>& from, const std::array<double, 3>& to,
                      const std::array<double, 3>& centre, int rotation) {
    if (rotation == 0) return Straight(from, to);
    // The axial coordinate moves evenly from start to end: its extremes are the end points.
    const auto [first, second] = PlaneAxes(plane);
    const double cf = centre[first], cs = centre[second];
    const double sf = from[first] - cf, ss = from[second] - cs;
    const double ef = to[first] - cf, es = to[second] - cs;
    // A radius that changes along the arc (start and end a little apart from the centre) is taken at
    // its larger value, so the bulge is never under-estimated.
    const double radius = std::sqrt(std::max(sf * sf + ss * ss, ef * ef + es * es));
    // Most arcs lie well inside the table: when the whole circle does, only the end is left to check,
    // and the angles are not worked out at all.
    const auto circle_inside = [&](std::size_t axis, double c) {
        return c - radius >= limits_.min[axis] - kPrintedTolerance &&
               c + radius <= limits_.max[axis] + kPrintedTolerance;
    };
    if (circle_inside(first, cf) && circle_inside(second, cs)) return Straight(from, to);
    const bool counter_clockwise = rotation > 0;
    const double start_angle = std::atan2(ss, sf);
    // An arc that ends at its start's angle is a full turn, as the canon cuts it. More than one turn
    // passes every point of the circle, whatever part of a turn the canon makes of it.
    const bool whole_circle = std::abs(rotation) > 1;
    double sweep = AngleAhead(start_angle, std::atan2(es, ef), counter_clockwise);
    if (sweep == 0) sweep = kTwoPi;

    Reach reach{to, to};
    // The arc's extremes on its plane's two axes lie where it crosses the four half-axes through its
    // centre (angles 0, π/2, π, 3π/2).
    for (int quarter = 0; quarter < 4; ++quarter) {
        const double ahead = AngleAhead(start_angle, quarter * kTwoPi / 4, counter_clockwise);
        if (!whole_circle && !(ahead > 0 && ahead < sweep)) continue;
        const std::size_t axis = quarter % 2 == 0 ? first : second;
        const double value = (quarter % 2 == 0 ? cf : cs) + (quarter < 2 ? radius : -radius);
        reach.low[axis] = std::min(reach.low[axis], value);
        reach.high[axis] = std::max(reach.high[axis], value);
    }
    return Check(reach, from, to);
}

bool TravelCheck::Check(const Reach& reach, const std::array<double, 3>& from,
                        const std::array<double, 3>& to) {
    bool leaves = false;
    for (int axis = 0; axis < 3; ++axis) {
        const auto a = static_cast<std::size_t>(axis);
        if (reach.high[a] > limits_.max[a] + kPrintedTolerance) {
            Report(axis, true, reach.high[a], limits_.max[a], from, to);
            leaves = true;
        }
        if (reach.low[a] < limits_.min[a] - kPrintedTolerance) {
            Report(axis, false, reach.low[a], limits_.min[a], from, to);
            leaves = true;
        }
    }
    return leaves;
}

void TravelCheck::Report(int axis, bool above, double value, double limit, const std::array<double, 3>& from,
                         const std::array<double, 3>& to) {
    const auto slot = static_cast<std::size_t>(2 * axis + (above ? 1 : 0));
    if (open_[slot]) {
        // The line already left on this side of this axis: only a farther value changes its report.
        if (above ? value <= farthest_[slot] : value >= farthest_[slot]) return;
        farthest_[slot] = value;
        if (index_[slot] != kNotKept) {
            TravelExcursion& kept = kept_[index_[slot]];
            kept.value = value;
            kept.from = from;
            kept.to = to;
        }
        return;
    }
    open_[slot] = true;
    farthest_[slot] = value;
    ++count_;
    if (kept_.size() < most_kept_) {
        index_[slot] = kept_.size();
        kept_.push_back({line_, axis, above, value, limit, from, to});
    } else {
        index_[slot] = kNotKept;
    }
}

// As the canon converts a move's target: program units to mm, plus the origin offsets (coordinate
// system and axis offsets together), Z also plus the tool length offset.
std::array<double, 3> TravelCheckingCanon::ToMachine(double x, double y, double z) const {
    const double scale = canon_.LengthUnitScale;
    return {x * scale + canon_.OriginOffset[0], y * scale + canon_.OriginOffset[1],
            z * scale + canon_.OriginOffset[2] + canon_.ToolLengthOffset};
}

std::array<double, 3> TravelCheckingCanon::Here() const {
    return {canon_.CurrentPosition[0], canon_.CurrentPosition[1], canon_.CurrentPosition[2]};
}

bool TravelCheckingCanon::CheckStraight(double x, double y, double z) {
    return canon_.PreviewMode && check_.Straight(Here(), ToMachine(x, y, z));
}

void TravelCheckingCanon::straight_traverse(double x, double y, double z) {
    Forward(CheckStraight(x, y, z), [&] { inner_.straight_traverse(x, y, z); });
}

void TravelCheckingCanon::straight_feed(double x, double y, double z) {
    Forward(CheckStraight(x, y, z), [&] { inner_.straight_feed(x, y, z); });
}

void TravelCheckingCanon::straight_probe(double x, double y, double z) {
    Forward(CheckStraight(x, y, z), [&] { inner_.straight_probe(x, y, z); });
}

void TravelCheckingCanon::arc_feed(double first_end, double second_end, double first_centre,
                                   double second_centre, int rotation, double axis_end) {
    bool leaves = false;
    if (canon_.PreviewMode) {
        const int plane = canon_.ActivePlane;
        const auto end = PlaneToXyz(plane, first_end, second_end, axis_end);
        const auto centre = PlaneToXyz(plane, first_centre, second_centre, axis_end);
        leaves = check_.Arc(plane, Here(), ToMachine(end[0], end[1], end[2]),
                            ToMachine(centre[0], centre[1], centre[2]), rotation);
    }
    Forward(leaves,
            [&] { inner_.arc_feed(first_end, second_end, first_centre, second_centre, rotation, axis_end); });
}

}  // namespace zorvan::machine
