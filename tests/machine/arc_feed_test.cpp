// Arcs: quadrant pieces for the board, the preview polyline and chords, against values worked out by hand
// on a radius of 10 mm (1000 steps) about the origin.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "machine/canon.h"
#include "machine/fake_board.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
constexpr double kPi = std::numbers::pi;
constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();

struct Point {
    double x, y, z;
};

class RecordingSink final : public ToolPathSink {
  public:
    void SetMoveKind(int kind) override { kinds.push_back(kind); }
    void MoveTo3D(double x, double y, double z) override { pen_moves.push_back({x, y, z}); }
    void LineTo3D(double x, double y, double z) override { lines.push_back({x, y, z}); }
    double PixelsPerUnit() const override { return scale; }
    void Clear() { kinds.clear(), pen_moves.clear(), lines.clear(); }
    std::vector<int> kinds;
    std::vector<Point> pen_moves, lines;
    double scale = 1.0;
};

class RecordingStock final : public StockSink {
  public:
    void SetCutter(const config::ToolEntry&) override {}
    void CutLine(double, double, double, double, double, double) override {}
    bool CutRapid(double, double, double, double, double, double) override { return false; }
    void CutArcCCW(double z, double r, double end, double start, double cy, double cx) override {
        arcs.push_back({1, z, r, end, start, cy, cx});
    }
    void CutArcCW(double z, double r, double end, double start, double cy, double cx) override {
        arcs.push_back({-1, z, r, end, start, cy, cx});
    }
    void Refresh() override {}
    std::vector<std::array<double, 7>> arcs;  // direction, z, radius, end, start, centre y, centre x
};

class ArcFeed : public ::testing::Test {
  protected:
    ArcFeed() : controller(panel, testing::fake_board_table()), canon(panel, sink, &controller) {
        controller.ControllerPresent = true;
        canon.init_canon("/nonexistent/ZorvanNC.Var");
        canon.set_feed_rate(60.0);  // 1 mm/s
        fake_board(true);
    }
    // Contouring holds the records in the queue, where every field can be read.
    void ControlModeHoldingMoves() {
        canon.PreviewMode = false;
        canon.Queue()->SetContouring(1);
    }
    void StartAtDegrees(double degrees) {
        canon.SetCurrentPosition(10 * std::cos(degrees * kPi / 180), 10 * std::sin(degrees * kPi / 180), 0,
                                 0);
    }
    void ArcToDegrees(double degrees, int rotation, double z = 0) {
        canon.arc_feed(10 * std::cos(degrees * kPi / 180), 10 * std::sin(degrees * kPi / 180), 0, 0, rotation,
                       z);
    }
    std::vector<ControllerCommand> Held() {
        return {canon.Queue()->Queued().begin(), canon.Queue()->Queued().end()};
    }

    HeadlessOperatorPanel panel;
    RecordingSink sink;
    Controller controller;
    Canon canon;
};

std::int32_t Steps(double degrees, double (*f)(double)) {
    return static_cast<std::int32_t>(std::lround(std::fabs(1000 * f(degrees * kPi / 180))));
}

TEST_F(ArcFeed, SplitsIntoQuadrantPiecesThatEndOnTheAxes) {
    const struct {
        double from, to;
        int rotation;
        std::vector<int> quadrants;
        std::vector<double> ends;  // degrees
    } cases[] = {
        {0, 90, 1, {1}, {90}},
        {0, 270, 1, {1, 2, 3}, {90, 180, 270}},
        {0, 0, 1, {1, 2, 3, 4}, {90, 180, 270, 0}},
        {60, 30, 1, {1, 2, 3, 4, 1}, {90, 180, 270, 0, 30}},
        {135, 45, 3, {2, 3, 4, 1}, {180, 270, 0, 45}},
        {90, 0, -1, {1}, {0}},
        {0, 90, -1, {4, 3, 2}, {270, 180, 90}},
        {0, 0, -1, {4, 3, 2, 1}, {270, 180, 90, 0}},
        {30, 60, -1, {1, 4, 3, 2, 1}, {0, 270, 180, 90, 60}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " to " << c.to << " rotation " << c.rotation);
        canon.Queue()->DiscardMotion();
        ControlModeHoldingMoves();
        StartAtDegrees(c.from);
        ArcToDegrees(c.to, c.rotation);
        const auto held = Held();
        ASSERT_EQ(held.size(), c.quadrants.size());
        double start = c.from;
        for (std::size_t i = 0; i < held.size(); ++i) {
            EXPECT_EQ(held[i].code, c.rotation > 0 ? cmdArcCCW : cmdArcCW);
            EXPECT_EQ(held[i].quadrant, c.quadrants[i]);
            EXPECT_EQ(held[i].x, Steps(start, std::cos));
            EXPECT_EQ(held[i].y, Steps(start, std::sin));
            EXPECT_EQ(held[i].arcEndX, Steps(c.ends[i], std::cos));
            EXPECT_EQ(held[i].arcEndY, Steps(c.ends[i], std::sin));
            EXPECT_EQ(held[i].arcRadius, 1000);
            start = c.ends[i];
        }
        EXPECT_NEAR(canon.get_position().x, 10 * std::cos(c.to * kPi / 180), 1e-9);
        EXPECT_NEAR(canon.get_position().y, 10 * std::sin(c.to * kPi / 180), 1e-9);
    }
    EXPECT_TRUE(fake_board().calls.empty());  // arcs join the contoured run unflushed
}

// An end on or just behind the start, inside any quadrant, is a whole turn: five pieces.
TEST_F(ArcFeed, EndOnOrBehindTheStartGoesAllTheWayRoundInEveryQuadrant) {
    for (int q = 1; q <= 4; ++q) {
        for (const int rotation : {1, -1}) {
            for (const double behind : {0.0, 20.0}) {
                SCOPED_TRACE(::testing::Message()
                             << "quadrant " << q << " rotation " << rotation << " " << behind);
                canon.Queue()->DiscardMotion();
                ControlModeHoldingMoves();
                StartAtDegrees(90 * q - 45);
                ArcToDegrees(90 * q - 45 - rotation * behind, rotation);
                const auto held = Held();
                ASSERT_EQ(held.size(), 5u);
                for (int i = 0; i < 5; ++i)
                    EXPECT_EQ(held[i].quadrant, ((q - 1 + rotation * i) % 4 + 4) % 4 + 1);
            }
        }
    }
}

TEST_F(ArcFeed, QuarterCircleReachesTheBoardAsOneQuadrantArc) {
    canon.Parameters().StepsPerUnit[1] = -100;  // the board's arc direction setting takes care of the sign
    canon.PreviewMode = false;
    StartAtDegrees(0);
    ArcToDegrees(90, 1);
    ASSERT_EQ(fake_board().calls.size(), 1u);
    // 1 mm/s along the chord of a quarter: 100 × 1000 / 1414.2 steps/s.
    EXPECT_EQ(fake_board().calls[0], "QuadrantArcMoveCCW(1000, 1000, 0, 0, 1000, 71, 0, 1)");
}

TEST_F(ArcFeed, SpeedFollowsTheLongerAxisUpToMaxSpsWithTangentVelocities) {
    const struct {
        double feed, from, to;
        int rotation, max_sps, speed, steps;
        std::array<int, 4> tangents;  // vInX, vInY, vOutX, vOutY
    } cases[] = {
        {60, 0, 90, 1, 1000, 71, 1000, {0, 71, -71, 0}},
        {60, 0, 30, 1, 1000, 97, 500, {0, 97, -48, 84}},  // Y leads: 500 of 517.6 steps of chord
        {60, 180, 270, 1, 1000, 71, 1000, {0, -71, 71, 0}},
        {60, 90, 0, -1, 1000, 71, 1000, {71, 0, 0, -71}},
        {60, 270, 180, -1, 1000, 71, 1000, {-71, 0, 0, 71}},
        {6000, 0, 90, 1, 1000, 1000, 1000, {0, 1000, -1000, 0}},
        {6000, 0, 90, 1, 500, 500, 1000, {0, 500, -500, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " to " << c.to << " feed " << c.feed);
        canon.Queue()->DiscardMotion();
        ControlModeHoldingMoves();
        canon.Parameters().MaxSps = c.max_sps;
        canon.set_feed_rate(c.feed);
        StartAtDegrees(c.from);
        ArcToDegrees(c.to, c.rotation);
        const auto held = Held();
        ASSERT_EQ(held.size(), 1u);
        EXPECT_EQ(held[0].speed, c.speed);
        EXPECT_EQ(held[0].endSpeed, 0);
        EXPECT_EQ(held[0].steps, c.steps);
        EXPECT_EQ((std::array<int, 4>{held[0].vInX, held[0].vInY, held[0].vOutX, held[0].vOutY}), c.tangents);
        EXPECT_EQ(held[0].vInZ, 0);
    }
}

// The board's quadrant arc carries no Z, so a helix on the board is cut as chords that climb with it.
TEST_F(ArcFeed, AHelixOnTheBoardClimbsAlongChords) {
    ControlModeHoldingMoves();
    canon.set_feed_rate(60);
    StartAtDegrees(0);
    ArcToDegrees(90, 1, 5.0);
    const auto held = Held();
    ASSERT_GT(held.size(), 10u);
    for (const ControllerCommand& c : held)
        EXPECT_EQ(c.code, cmdLinearMove);
    EXPECT_GT(held[held.size() / 2].z, 100);
    EXPECT_LT(held[held.size() / 2].z, 400);
    EXPECT_EQ(held.back().z, 500);
    EXPECT_EQ(canon.get_position().z, 5.0);
}

TEST_F(ArcFeed, PieceShorterThanFourStepsGoesAsAStraightFeed) {
    ControlModeHoldingMoves();
    StartAtDegrees(0);
    canon.arc_feed(-0.03, std::sqrt(100 - 0.03 * 0.03), 0, 0, 1, 0);  // 3 steps into quadrant 2
    const auto held = Held();
    ASSERT_EQ(held.size(), 2u);
    EXPECT_EQ(held[1].code, cmdLinearMove);
    EXPECT_EQ(held[1].x, -3);
    EXPECT_EQ(held[1].y, 1000);
    EXPECT_NEAR(canon.get_position().x, -0.03, 1e-9);
}

TEST_F(ArcFeed, IntegerFieldsRoundHalfToEvenAndHoldAtTheInt32Limit) {
    const struct {
        double radius;
        std::int32_t steps;
    } cases[] = {{10.125, 1012}, {10.375, 1038}, {1e9, kMaxInt}};
    for (const auto& c : cases) {
        canon.Queue()->DiscardMotion();
        ControlModeHoldingMoves();
        canon.SetCurrentPosition(c.radius, 0, 0, 0);
        canon.arc_feed(0, c.radius, 0, 0, 1, 0);
        const auto held = Held();
        ASSERT_EQ(held.size(), 1u);
        EXPECT_EQ(held[0].x, c.steps);
        EXPECT_EQ(held[0].arcEndY, c.steps);
        EXPECT_EQ(held[0].arcRadius, c.steps);
        EXPECT_EQ(held[0].steps, c.steps);
    }
}

TEST_F(ArcFeed, PreviewChordCountFollowsTheViewScale) {
    const struct {
        double scale;
        int units;
        double radius, sweep;  // program units, radians
        std::size_t lines;
    } cases[] = {
        {1, 2, 10, kPi / 2, 5},    // round(15.7) / 3
        {2, 2, 10, kPi / 2, 10},   // round(31.4) / 3
        {10, 2, 10, kPi / 2, 50},  // 52, at most 50
        {1, 1, 10, kPi / 2, 5},    // inch: the same count in program units
        {0.1, 2, 10, kPi / 2, 0},  // nothing to draw
        {1000, 2, 1, 0.025, 3},    // steps of 0.01 rad at least: two lines, then the end
        {1, 2, 10, 0, 21},         // back to the start: a whole turn, round(62.8) / 3
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "scale " << c.scale << " units " << c.units);
        sink.Clear();
        sink.scale = c.scale;
        canon.use_length_units(c.units);
        canon.SetCurrentPosition(c.radius * canon.LengthUnitScale, 0, 0, 0);
        canon.arc_feed(c.radius * std::cos(c.sweep), c.radius * std::sin(c.sweep), 0, 0, 1, 0);
        EXPECT_EQ(sink.kinds, std::vector<int>{MoveArcCounterClockwise});
        ASSERT_EQ(sink.lines.size(), c.lines);
        for (const Point& p : sink.lines)
            EXPECT_NEAR(std::hypot(p.x, p.y), c.radius, 1e-9);
        if (c.lines > 0) {
            EXPECT_NEAR(sink.lines.back().y, c.radius * std::sin(c.sweep), 1e-9);
        }
        EXPECT_NEAR(canon.get_position().y, c.radius * std::sin(c.sweep), 1e-9);
    }
}

TEST_F(ArcFeed, PreviewDrawsEachTurnInTheProgramOrMachineFrame) {
    canon.set_origin_offsets(5, 5, 1);
    for (const bool absolute : {false, true}) {
        sink.Clear();
        panel.absolute_coordinates = absolute;
        canon.SetCurrentPosition(5, 10, 3, 0);  // program (0, 5, 2)
        canon.arc_feed(5, 0, 0, 0, -2, 2);      // clockwise about the program origin, twice
        const double shift = absolute ? 0 : 5;
        EXPECT_EQ(sink.kinds, std::vector<int>{MoveArcClockwise});
        ASSERT_EQ(sink.pen_moves.size(), 2u);
        EXPECT_NEAR(sink.pen_moves[0].y, 5 + shift, 1e-9);
        EXPECT_NEAR(sink.lines.back().x, 5 + shift, 1e-9);
        EXPECT_NEAR(sink.lines.back().z, absolute ? 2 : 3, 1e-9);
    }
}

TEST_F(ArcFeed, RenderedViewCarvesTheArcInProgramUnits) {
    RecordingStock stock;
    canon.SetStockSink(&stock);
    canon.RenderedView = true;
    canon.set_origin_offsets(5, 5, 0);
    canon.SetCurrentPosition(15, 5, 2, 0);
    canon.arc_feed(0, 10, 0, 0, 1, 2);
    canon.arc_feed(10, 0, 0, 0, -1, 2);
    ASSERT_EQ(stock.arcs.size(), 2u);
    EXPECT_EQ(stock.arcs[0], (std::array<double, 7>{1, 2, 10, kPi / 2, 0, 0, 0}));
    EXPECT_EQ(stock.arcs[1], (std::array<double, 7>{-1, 2, 10, 0, kPi / 2, 0, 0}));
    EXPECT_TRUE(sink.lines.empty());
}

// Chords of a radius-10 quarter circle that stray at most 0.0005 from it are 0.2 long.
TEST_F(ArcFeed, UnequalStepScalesCutChords) {
    canon.Parameters().StepsPerUnit[1] = 200;
    StartAtDegrees(0);
    ArcToDegrees(90, 1);
    ASSERT_EQ(sink.lines.size(), 79u);
    EXPECT_EQ(sink.kinds.front(), MoveFeed);
    for (std::size_t i = 0; i + 1 < sink.lines.size(); ++i) {
        const Point& from = sink.pen_moves[i];
        EXPECT_NEAR(std::hypot(sink.lines[i].x - from.x, sink.lines[i].y - from.y), 0.2, 1e-3);
        EXPECT_NEAR(std::hypot(sink.lines[i].x, sink.lines[i].y), 10, 1e-9);
    }
    EXPECT_NEAR(sink.lines.back().y, 10, 1e-9);

    canon.Queue()->DiscardMotion();
    ControlModeHoldingMoves();
    StartAtDegrees(0);
    ArcToDegrees(90, 1);
    const auto held = Held();
    EXPECT_EQ(held.size(), 79u);
    for (const ControllerCommand& c : held)
        EXPECT_EQ(c.code, cmdLinearMove);
}

// A YZ or XZ arc is a circle in its own plane, cut as chords there; the axial coordinate rises evenly.
TEST_F(ArcFeed, YzAndXzArcsAreChordsInTheirPlane) {
    const struct {
        int plane, first, second, axis;  // indices of x, y, z
    } cases[] = {{2, 1, 2, 0}, {3, 2, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "plane " << c.plane);
        sink.Clear();
        canon.select_plane(c.plane);
        std::array<double, 4> start{};
        start[c.first] = 10;
        canon.SetCurrentPosition(start[0], start[1], start[2], 0);
        canon.arc_feed(0, 10, 0, 0, 1, 4);
        ASSERT_EQ(sink.lines.size(), 79u);
        double rise = 0;
        for (const Point& p : sink.lines) {
            const double v[3] = {p.x, p.y, p.z};
            EXPECT_NEAR(std::hypot(v[c.first], v[c.second]), 10, 1e-9);
            EXPECT_GT(v[c.axis], rise);
            rise = v[c.axis];
        }
        const interp::Position end = canon.get_position();
        const double e[3] = {end.x, end.y, end.z};
        EXPECT_EQ(e[c.first], 0);  // the end itself, not its angle on the circle again
        EXPECT_EQ(e[c.second], 10);
        EXPECT_EQ(e[c.axis], 4);
    }
}

}  // namespace
}  // namespace zorvan::machine
