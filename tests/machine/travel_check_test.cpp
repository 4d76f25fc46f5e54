// Moves checked against the machine's table: straight ends, arc bulges in the three planes, one report
// per line, axis and side, the kept list's bound, and the canon's offsets applied before the check.
#include "machine/travel_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using Point = std::array<double, 3>;

// The sample machine's table: X 0..200, Y 0..150, Z -50..100 mm.
const TableLimits kTable{{0, 0, -50}, {200, 150, 100}};

struct Expected {
    int axis;
    bool above;
    double value;
};

void ExpectReports(const TravelCheck& check, const std::vector<Expected>& expected) {
    ASSERT_EQ(check.Kept().size(), expected.size());
    EXPECT_EQ(check.Count(), static_cast<long long>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TravelExcursion& e = check.Kept()[i];
        EXPECT_EQ(e.axis, expected[i].axis) << i;
        EXPECT_EQ(e.above, expected[i].above) << i;
        EXPECT_NEAR(e.value, expected[i].value, 1e-9) << i;
        const auto a = static_cast<std::size_t>(e.axis);
        EXPECT_EQ(e.limit, e.above ? kTable.max[a] : kTable.min[a]) << i;
    }
}

// Plane 0 is a straight move; 1 XY, 2 YZ (Y first), 3 XZ (Z first). The arcs' end points are on the
// table; their bulge may not be.
TEST(TravelCheckTest, MovesAreCheckedOverEveryPointTheyReach) {
    const struct {
        const char* name;
        int plane;
        Point from, to, centre;
        int rotation;
        std::vector<Expected> expected;
    } cases[] = {
        {"the far corner exactly", 0, {10, 10, 0}, {200, 150, 100}, {}, 0, {}},
        {"the near corner exactly", 0, {10, 10, 0}, {0, 0, -50}, {}, 0, {}},
        {"values that print as the limits", 0, {10, 10, 0}, {200.00004, 150.00004, -50.00004}, {}, 0, {}},
        {"the next printed value", 0, {10, 10, 0}, {200.0001, 10, 0}, {}, 0, {{0, true, 200.0001}}},
        {"three axes at once",
         0,
         {10, 10, 0},
         {-1, 160, -60},
         {},
         0,
         {{0, false, -1}, {1, true, 160}, {2, false, -60}}},
        {"from outside back in", 0, {250, -20, 120}, {100, 100, 0}, {}, 0, {}},
        {"XY through +X", 1, {190, 60, 0}, {190, 90, 0}, {190, 75, 0}, 1, {{0, true, 205}}},
        {"XY the other way, through -X", 1, {190, 60, 0}, {190, 90, 0}, {190, 75, 0}, -1, {}},
        {"XY through -X below the minimum", 1, {5, 65, 0}, {5, 85, 0}, {5, 75, 0}, -1, {{0, false, -5}}},
        {"XY touching the edge", 1, {190, 65, 0}, {190, 85, 0}, {190, 75, 0}, 1, {}},
        {"XY through +Y and -X",
         1,
         {13, 145, 0},
         {5, 137, 0},
         {5, 145, 0},
         1,
         {{0, false, -3}, {1, true, 153}}},
        {"XY a full turn", 1, {185, 75, 0}, {185, 75, 0}, {195, 75, 0}, 1, {{0, true, 205}}},
        {"XY a quarter turn", 1, {175, 75, 0}, {190, 90, 0}, {190, 75, 0}, -1, {}},
        {"XY that quarter with a second turn",
         1,
         {175, 75, 0},
         {190, 90, 0},
         {190, 75, 0},
         -2,
         {{0, true, 205}}},
        {"XY a radius growing", 1, {190, 65, 0}, {190, 85.5, 0}, {190, 75, 0}, 1, {{0, true, 200.5}}},
        {"XY a radius shrinking", 1, {190, 64.5, 0}, {190, 85, 0}, {190, 75, 0}, 1, {{0, true, 200.5}}},
        {"XY a helix off the top", 1, {100, 65, 95}, {100, 85, 105}, {100, 75, 0}, 1, {{2, true, 105}}},
        {"XZ over the top", 3, {90, 75, 95}, {110, 75, 95}, {100, 0, 95}, 1, {{2, true, 105}}},
        {"XZ under it", 3, {90, 75, 95}, {110, 75, 95}, {100, 0, 95}, -1, {}},
        {"YZ through +Y", 2, {100, 145, 10}, {100, 145, -10}, {0, 145, 0}, -1, {{1, true, 155}}},
        {"YZ through -Y", 2, {100, 145, 10}, {100, 145, -10}, {0, 145, 0}, 1, {}},
        {"YZ a helix along X", 2, {195, 145, 10}, {205, 145, -10}, {0, 145, 0}, 1, {{0, true, 205}}},
        {"no turn is straight", 1, {190, 75, 0}, {210, 75, 0}, {0, 0, 0}, 0, {{0, true, 210}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TravelCheck check(kTable);
        check.SetLine(3);
        if (c.plane == 0) {
            check.Straight(c.from, c.to);
        } else {
            check.Arc(c.plane, c.from, c.to, c.centre, c.rotation);
        }
        ExpectReports(check, c.expected);
        for (const TravelExcursion& e : check.Kept()) {
            EXPECT_EQ(e.line, 3);
            EXPECT_EQ(e.to, c.to);
        }
    }
}

// A canned cycle's holes on one line: one report per axis and side, at the deepest, with the move that
// reached it. Beyond the kept ones, reports are only counted.
TEST(TravelCheckTest, EachLineReportsEachAxisAndSideOnceAtItsFarthest) {
    TravelCheck check(kTable, 3);
    check.SetLine(7);
    check.Straight({10, 10, 5}, {10, 10, -60});
    check.Straight({10, 10, 5}, {20, 10, -70});
    check.Straight({20, 10, 5}, {30, 10, -55});
    check.Straight({30, 10, 5}, {30, 160, 5});
    check.Straight({30, 160, 5}, {210, 160, 5});
    for (long line = 8; line <= 10; ++line) {
        check.SetLine(line);
        check.Straight({10, 10, 0}, {300, 10, 0});
    }
    EXPECT_EQ(check.Count(), 6);
    ASSERT_EQ(check.Kept().size(), 3u);
    const TravelExcursion& deepest = check.Kept()[0];
    EXPECT_EQ(deepest.line, 7);
    EXPECT_EQ(deepest.value, -70);
    EXPECT_EQ(deepest.to, (Point{20, 10, -70}));
    EXPECT_EQ(check.Kept()[1].axis, 1);
    EXPECT_EQ(check.Kept()[2].axis, 0);

    check.Clear();
    check.SetLine(1);
    check.Straight({10, 10, 0}, {10, 10, 101});
    EXPECT_EQ(check.Count(), 1);
    EXPECT_EQ(check.Kept().size(), 1u);
}

// The checking canon converts with the canon's units and offsets as they stand, in the selected plane,
// and still hands every move on.
TEST(TravelCheckingCanonTest, MovesAreCheckedInMachineMillimetresAfterEveryOffset) {
    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    Canon canon(panel, sink);
    canon.init_canon((temp.path() / "ZorvanNC.Var").string());
    TravelCheck check(kTable);
    TravelCheckingCanon checking(canon, check);
    enum Move { Rapid, Probe, Arc };
    const struct {
        const char* name;
        int units;     // 1 inch, 2 mm
        Point origin;  // program units
        double tool;   // tool length offset, program units
        Move move;
        int plane;
        Point target;  // program units: X Y Z, or the plane's first and second end and axial end
        Point centre;  // the plane's first and second centre
        std::vector<Expected> expected;
    } cases[] = {
        {"mm on the edge", 2, {0, 0, 0}, 0, Rapid, 1, {200, 150, 100}, {}, {}},
        {"an origin offset", 2, {10, 0, 0}, 0, Rapid, 1, {195, 10, 0}, {}, {{0, true, 205}}},
        {"a negative origin offset", 2, {0, -20, 0}, 0, Rapid, 1, {10, 15, 0}, {}, {{1, false, -5}}},
        {"a tool length offset", 2, {0, 0, 0}, 10, Rapid, 1, {10, 10, 95}, {}, {{2, true, 105}}},
        {"origin and tool add on Z", 2, {0, 0, -30}, -25, Rapid, 1, {10, 10, 0}, {}, {{2, false, -55}}},
        {"inches on the edge", 1, {0, 0, 0}, 0, Rapid, 1, {200 / 25.4, 150 / 25.4, 100 / 25.4}, {}, {}},
        {"inches beyond it", 1, {1, 0, 0}, 0, Rapid, 1, {7.5, 1, 1}, {}, {{0, true, 215.9}}},
        {"a probe to its target", 2, {0, 0, 0}, 0, Probe, 1, {10, 10, -60}, {}, {{2, false, -60}}},
        {"an XY arc after an X offset", 2, {10, 0, 0}, 0, Arc, 1, {180, 90, 0}, {180, 75}, {{0, true, 205}}},
        {"an XZ arc lifted by the tool", 2, {0, 0, 0}, 8, Arc, 3, {87, 110, 75}, {87, 100}, {{2, true, 105}}},
        {"a YZ arc", 2, {0, 0, 0}, 0, Arc, 2, {145, -10, 100}, {145, 0}, {}},
    };
    // The arcs start at the machine point the canon stands on.
    const Point starts[] = {{190, 60, 0}, {90, 75, 95}, {100, 145, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        check.Clear();
        check.SetLine(1);
        canon.use_length_units(c.units);
        canon.set_origin_offsets(c.origin[0], c.origin[1], c.origin[2]);
        canon.use_tool_length_offset(c.tool);
        checking.select_plane(c.plane);
        const Point& start = c.move == Arc ? starts[c.plane == 1   ? 0
                                                    : c.plane == 3 ? 1
                                                                   : 2]
                                           : Point{100, 75, 0};
        canon.SetCurrentPosition(start[0], start[1], start[2], 0);
        const auto& t = c.target;
        if (c.move == Rapid) checking.straight_traverse(t[0], t[1], t[2]);
        if (c.move == Probe) checking.straight_probe(t[0], t[1], t[2]);
        if (c.move == Arc) checking.arc_feed(t[0], t[1], c.centre[0], c.centre[1], 1, t[2]);
        ExpectReports(check, c.expected);
        // The canon made the move too, to where the check says it went.
        if (c.move == Rapid && !c.expected.empty()) {
            const TravelExcursion& e = check.Kept()[0];
            EXPECT_NEAR(canon.CurrentPosition[static_cast<std::size_t>(e.axis)], e.value, 1e-9);
        }
    }
}

}  // namespace
}  // namespace zorvan::machine
