// The canonical machining functions in preview mode: units, offsets, positions, feed, spindle, tools.
#include "machine/canon.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace zorvan::machine {
namespace {

struct Drawn {
    char op;  // 'k' move kind, 'm' MoveTo3D, 'l' LineTo3D
    double x, y, z;
};

class RecordingSink final : public ToolPathSink {
  public:
    void SetMoveKind(int kind) override { drawn.push_back({'k', static_cast<double>(kind), 0, 0}); }
    void MoveTo3D(double x, double y, double z) override { drawn.push_back({'m', x, y, z}); }
    void LineTo3D(double x, double y, double z) override { drawn.push_back({'l', x, y, z}); }
    double PixelsPerUnit() const override { return 1.0; }
    std::vector<Drawn> drawn;
};

class CanonTest : public ::testing::Test {
  protected:
    CanonTest() : canon(panel, sink) {
        std::string pattern = (std::filesystem::temp_directory_path() / "zorvan-canon-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        canon.BindInterpreterToolTable(&table);
        canon.init_canon((dir / "ZorvanNC.Var").string());
    }
    ~CanonTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::filesystem::path dir;
    HeadlessOperatorPanel panel;
    RecordingSink sink;
    interp::CanonToolTable table{};
    Canon canon;
};

constexpr double kTolerance = 1e-9;

TEST_F(CanonTest, LengthUnitsSetTheScaleAndTheLabel) {
    const struct {
        int units;
        double scale;
        const char* label;
    } cases[] = {{1, 25.4, "Inch"}, {3, 10.0, "CM"}, {2, 1.0, "MM"}};
    for (const auto& c : cases) {
        canon.use_length_units(c.units);
        EXPECT_EQ(canon.LengthUnitScale, c.scale);
        EXPECT_EQ(panel.units_label, c.label);
        EXPECT_NEAR(canon.UnitsPerStep[0], 1.0 / 100.0 / c.scale, kTolerance);
    }
}

TEST_F(CanonTest, FeedRatesAreKeptInMillimetresPerSecond) {
    canon.use_length_units(1);
    canon.set_feed_rate(60.0);
    EXPECT_NEAR(canon.FeedRate, 25.4, kTolerance);
    EXPECT_EQ(panel.feed_rate, 60.0);
    EXPECT_NEAR(canon.get_feed_rate(), 60.0, kTolerance);
}

TEST_F(CanonTest, MovesLandInMachineMillimetresAndReadBackInProgramUnits) {
    canon.use_length_units(1);
    canon.set_origin_offsets(1.0, 2.0, 3.0);
    canon.use_tool_length_offset(0.5);
    canon.straight_feed(1.0, -1.0, 2.0);
    EXPECT_NEAR(canon.CurrentPosition[0], 50.8, kTolerance);
    EXPECT_NEAR(canon.CurrentPosition[1], 25.4, kTolerance);
    EXPECT_NEAR(canon.CurrentPosition[2], 5.5 * 25.4, kTolerance);
    const interp::Position back = canon.get_position();
    EXPECT_NEAR(back.x, 1.0, kTolerance);
    EXPECT_NEAR(back.y, -1.0, kTolerance);
    EXPECT_NEAR(back.z, 2.0, kTolerance);
}

TEST_F(CanonTest, ArcsEndWhereThePlaneSaysAndPathExtentsWiden) {
    canon.ResetPathExtents();
    canon.select_plane(3);  // XZ: Z first, X second, Y axial
    // Half a turn about (Z -4, X 0) from Z 0 to Z -8, over the top at X 4.
    canon.arc_feed(-8.0, 0.0, -4.0, 0.0, 1, 6.0);
    EXPECT_NEAR(canon.CurrentPosition[0], 0.0, 1e-12);
    EXPECT_EQ(canon.CurrentPosition[1], 6.0);
    EXPECT_EQ(canon.CurrentPosition[2], -8.0);
    canon.straight_traverse(-2.0, 7.0, 1.0);
    const std::array<double, 6>& e = canon.PathExtents;
    EXPECT_EQ(e[0], -2.0);
    EXPECT_NEAR(e[1], 4.0, 0.001);  // the arc's own sweep, within a chord's sagitta
    EXPECT_EQ(e[2], 0.0);
    EXPECT_EQ(e[3], 7.0);
    EXPECT_EQ(e[4], -8.0);
    EXPECT_EQ(e[5], 1.0);
}

TEST_F(CanonTest, PreviewDrawsInProgramUnitsRelativeToTheOriginWhenAsked) {
    canon.use_length_units(3);
    canon.set_origin_offsets(1.0, 0.0, 0.0);
    canon.straight_traverse(1.0, 0.0, 0.0);
    panel.absolute_coordinates = true;
    canon.straight_feed(2.0, 0.0, 0.0);
    ASSERT_EQ(sink.drawn.size(), 5u);
    EXPECT_EQ(sink.drawn[0].op, 'k');
    EXPECT_EQ(sink.drawn[0].x, MoveRapid);
    EXPECT_EQ(sink.drawn[1].x, 2.0);  // machine frame: origin included
    EXPECT_EQ(sink.drawn[2].x, MoveFeed);
    EXPECT_EQ(sink.drawn[3].op, 'm');
    EXPECT_EQ(sink.drawn[3].x, 1.0);
    EXPECT_EQ(sink.drawn[4].x, 2.0);
}

TEST_F(CanonTest, SpindleSpeedIsClampedToTheRpmRange) {
    auto& p = canon.Parameters();
    p.MinRpm = 1000;
    p.MaxRpm = 5000;
    p.MinPwmPercent = 10;
    p.MaxPwmPercent = 90;
    const struct {
        double rpm, speed;
        int percent;
    } cases[] = {{6000, 5000, 90}, {500, 1000, 10}, {3000, 3000, 50}, {1000, 1000, 10}};
    for (const auto& c : cases) {
        canon.set_spindle_speed(c.rpm);
        EXPECT_EQ(canon.SpindleSpeed, c.speed) << c.rpm;
        EXPECT_EQ(panel.slider_percent, c.percent) << c.rpm;
    }
}

TEST_F(CanonTest, ToolTableFillsTheInterpreterSlotsWithinItsRange) {
    std::ofstream(dir / "ZorvanNC.tbl", std::ios::binary) << "SLOT ID LEN DIAM STYLE ANG/RAD COMMENT\r\n\r\n"
                                                             "0 0 0.0 0.0 0 0.0 Tool Reset\r\n"
                                                             "5 7 2.5 0.5 2 90 two words\r\n"
                                                             "40 9 1 1 0 0 beyond the table\r\n";
    table[32].id = -5;
    canon.init_canon((dir / "ZorvanNC.Var").string());
    EXPECT_EQ(table[5].id, 7);
    EXPECT_EQ(table[5].length, 2.5);
    EXPECT_EQ(table[5].diameter, 0.5);
    EXPECT_EQ(table[32].id, -5);
    ASSERT_EQ(canon.ToolList().size(), 3u);
    EXPECT_EQ(canon.ToolList()[2].Comment, "beyond the table");
    // The interpreter's copy is taken by list position; beyond the list every field is zero.
    EXPECT_EQ(canon.get_tool_table_entry(1).id, 7);
    const interp::CanonToolTableEntry beyond = canon.get_tool_table_entry(3);
    EXPECT_EQ(beyond.id, 0);
    EXPECT_EQ(beyond.length, 0.0);
    EXPECT_EQ(beyond.diameter, 0.0);
    EXPECT_EQ(canon.get_tool_table_entry(-1).id, 0);
}

TEST_F(CanonTest, StartUpReturnsToTheInitialFrame) {
    canon.set_origin_offsets(5.0, 5.0, 5.0);
    canon.use_tool_length_offset(2.0);
    canon.straight_feed(1.0, 1.0, 1.0);
    canon.select_plane(2);
    canon.init_canon((dir / "ZorvanNC.Var").string());
    EXPECT_EQ(canon.OriginOffset, (std::array<double, 3>{}));
    EXPECT_EQ(canon.ToolLengthOffset, 0.0);
    EXPECT_EQ(canon.CurrentPosition, (std::array<double, 4>{}));
    EXPECT_EQ(canon.ActivePlane, 1);
    EXPECT_EQ(canon.FeedRate, 1.0);
    EXPECT_TRUE(canon.PreviewMode);
}

}  // namespace
}  // namespace zorvan::machine
