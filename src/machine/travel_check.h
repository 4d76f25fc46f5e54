// Every move of a program checked against the machine's table: where the tool would leave the travel
// of an axis, on which line, and how far. Checked in machine millimetres, after every offset the canon
// adds to a move (origin and axis offsets, tool length offset); backlash is left aside.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "config/machine_config.h"
#include "interp/forwarding_canon.h"
#include "machine/canon.h"

namespace zorvan::machine {

// The table's travel per axis X, Y, Z, in the machine frame's millimetres.
struct TableLimits {
    std::array<double, 3> min{};
    std::array<double, 3> max{};
};

// MACHINE MINX..MAXZ as the start-up read them.
TableLimits TableLimitsOf(const config::StartupSettings& settings);

// One line leaving the table on one axis, on one side.
struct TravelExcursion {
    long line = 0;                 // 1-based line of the program
    int axis = 0;                  // 0 X, 1 Y, 2 Z
    bool above = false;            // beyond the axis's maximum; else below its minimum
    double value = 0;              // the farthest the line's moves reach beyond the limit, mm
    double limit = 0;              // mm
    std::array<double, 3> from{};  // the move that reached `value`: its start and end, machine mm
    std::array<double, 3> to{};
};

// "X 205.0000 beyond the table's 200.0000": the axis, the farthest value reached and the limit, in mm to
// four decimals, as the check command and the window show an excursion.
std::string ExcursionText(const TravelExcursion& excursion);

// Collects the excursions of the moves handed to it. Each line reports each axis and side once, with
// the farthest value its moves reach: a canned cycle whose every hole goes too deep is one report.
// Only the first `kept` reports are stored, so memory stays the same whatever the program's length;
// every one is counted.
class TravelCheck {
  public:
    static constexpr std::size_t DEFAULT_KEPT = 10000;

    explicit TravelCheck(const TableLimits& limits, std::size_t kept = DEFAULT_KEPT);
    // The table as the machine's configuration now gives it.
    void SetLimits(const TableLimits& limits) { limits_ = limits; }

    // The line the following moves belong to.
    void SetLine(long line);
    long Line() const { return line_; }

    // A straight move, start and end in machine mm. Both checks return whether the move leaves the
    // table, also when its line has already been reported farther out.
    bool Straight(const std::array<double, 3>& from, const std::array<double, 3>& to);
    // An arc in `plane` (1 XY, 2 YZ, 3 XZ) about `centre` (its axial coordinate is not used), turning
    // counter-clockwise for a positive rotation; start, end and centre in machine mm. The axial coordinate
    // moves evenly from start to end.
    bool Arc(int plane, const std::array<double, 3>& from, const std::array<double, 3>& to,
             const std::array<double, 3>& centre, int rotation);

    long long Count() const { return count_; }
    const std::vector<TravelExcursion>& Kept() const { return kept_; }
    const TableLimits& Limits() const { return limits_; }
    // Forgets every report, for a new pass over a program.
    void Clear();

  private:
    // Lowest and highest value per axis of the points a move reaches, its start left out: the start is
    // where the previous move ended, already checked.
    struct Reach {
        std::array<double, 3> low{}, high{};
    };
    bool Check(const Reach& reach, const std::array<double, 3>& from, const std::array<double, 3>& to);
    void Report(int axis, bool above, double value, double limit, const std::array<double, 3>& from,
                const std::array<double, 3>& to);

    TableLimits limits_;
    std::size_t most_kept_;
    std::vector<TravelExcursion> kept_;
    long long count_ = 0;
    long line_ = 0;
    // This line's reports per axis and side (2 × axis + above): whether there is one, and its index in
    // kept_ (or none when it was counted but not kept), and the farthest value reached.
    static constexpr int SLOTS = 6;
    std::array<bool, SLOTS> open_{};
    std::array<std::size_t, SLOTS> index_{};
    std::array<double, SLOTS> farthest_{};
};

// Hands every move on to the canon and to a TravelCheck. Moves are converted to machine mm as the canon
// converts them, from the canon's own units, offsets and plane at the time of the call. The probe move,
// which the preview does not make, is checked to its target. move_single_axis is not checked: programs
// move only the A axis with it, which the table does not limit.
//
// Only the moves the canon draws are checked; in control mode each call only passes on, so a run on the
// machine pays one forwarding call per canonical function. The canon draws a move that leaves the table
// in the view's warning colour (Canon::DrawAsExcursion).
class TravelCheckingCanon final : public interp::ForwardingCanon {
  public:
    TravelCheckingCanon(Canon& inner, TravelCheck& check)
        : ForwardingCanon(inner), canon_(inner), check_(check) {}

    void straight_traverse(double x, double y, double z) override;
    void straight_feed(double x, double y, double z) override;
    void straight_probe(double x, double y, double z) override;
    void arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                  int rotation, double axis_end) override;

  private:
    std::array<double, 3> ToMachine(double x, double y, double z) const;
    std::array<double, 3> Here() const;
    bool CheckStraight(double x, double y, double z);
    // Runs the canon's call with its drawing marked when the move leaves the table.
    template <typename Call>
    void Forward(bool leaves, Call call) {
        canon_.DrawAsExcursion = leaves;
        call();
        canon_.DrawAsExcursion = false;
    }

    Canon& canon_;
    TravelCheck& check_;
};

}  // namespace zorvan::machine
