// zorvannc-cli stats: counts, path lengths along lines, arcs and helices, and times from the feed rates
// and the configured top speeds of the axes.
#include "app/cli_stats.h"

#include <gtest/gtest.h>

#include "support/cli_capture.h"

#include "support/temp_dir.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace zorvan::app {
namespace {

constexpr double PI = std::numbers::pi;

// X: 200 steps/mm at 2000 steps/s = 10 mm/s; Y: 100 at 500 = 5 mm/s; Z: 400 at 1000 = 2.5 mm/s.
constexpr const char* CONFIGURATION =
    "[RS274NGC]\nUNITS=G21\nDecimalSeparator=.\n"
    "[TRAJ]\nMAXSPS=2000\n"
    "[AXIS_0]\nSTEPS/MM=200\nMAX_SPS=2000\n"
    "[AXIS_1]\nSTEPS/MM=100\nMAX_SPS=500\n"
    "[AXIS_2]\nSTEPS/MM=400\nMAX_SPS=1000\n";

class CliStatsTest : public ::testing::Test {
  protected:
    void SetUp() override { temp.write("ZorvanNC.Ini", CONFIGURATION); }

    int run(std::vector<std::string> args) {
        return zorvan::testing::capture_output(
            [&](std::FILE* out_file, std::FILE* err_file) {
                return run_stats_command(args, out_file, err_file);
            },
            out, err);
    }

    ProgramStats stats(const std::string& program) {
        ProgramRunOptions options;
        options.config_dir = temp.path();
        options.file = "p.ngc";
        return collect_program_stats(options, program, nullptr);
    }

    // The value of "key: value" in the output.
    std::string value(const std::string& key) const {
        const std::string marker = key + ": ";
        std::size_t at = out.rfind("\n" + marker);
        at = at == std::string::npos ? (out.compare(0, marker.size(), marker) == 0 ? 0 : at) : at + 1;
        if (at == std::string::npos) return "(missing " + key + ")";
        const std::size_t start = at + marker.size();
        return out.substr(start, out.find('\n', start) - start);
    }

    zorvan::testing::TempDir temp;
    std::string out, err;
};

TEST_F(CliStatsTest, CountsMeasuresAndTimesEveryKindOfMove) {
    const std::string file = temp.write("p.ngc",
                                        "G21 G17 G90\n"
                                        "G0 X30 Y10 Z5\n"     // X needs 3 s, Y 2 s, Z 2 s
                                        "G1 Z-1 F60\n"        // 6 mm at 1 mm/s
                                        "G1 X40\n"            // 10 mm
                                        "G2 X50 Y10 I5 J0\n"  // half circle of radius 5
                                        "G3 X40 Y10 I-5 J0\n"
                                        "G4 P2\n"
                                        "G0 Z5\n"  // 6 mm of Z: 2.4 s
                                        "M2\n");
    ASSERT_EQ(run({"--config-dir", temp.path().string(), file}), EXIT_CLEAN);
    EXPECT_EQ(err, "");
    EXPECT_EQ(value("file"), file);
    EXPECT_EQ(value("lines"), "9");
    EXPECT_EQ(value("units"), "mm");
    EXPECT_EQ(value("extent x"), "0.0000 50.0000");
    // The drawn arc is made of chords, so its top lies a little below the circle's.
    const std::string y = value("extent y");
    EXPECT_EQ(y.substr(0, 7), "0.0000 ");
    EXPECT_NEAR(std::stod(y.substr(7)), 15, 1e-3);
    EXPECT_EQ(value("extent z"), "-1.0000 5.0000");
    EXPECT_EQ(value("feed moves"), "2");
    EXPECT_EQ(value("rapid moves"), "2");
    EXPECT_EQ(value("arcs cw"), "1");
    EXPECT_EQ(value("arcs ccw"), "1");
    EXPECT_EQ(value("probe moves"), "0");
    EXPECT_NEAR(std::stod(value("feed length")), 16 + 10 * PI, 1e-4);
    EXPECT_NEAR(std::stod(value("rapid length")), std::sqrt(900.0 + 100 + 25) + 6, 1e-4);
    EXPECT_EQ(value("tools"), "none");
    EXPECT_NEAR(std::stod(value("feed time s")), 16 + 10 * PI, 1e-4);
    EXPECT_NEAR(std::stod(value("rapid time s")), 3 + 2.4, 1e-4);
    EXPECT_EQ(value("dwell time s"), "2.0000");
    EXPECT_NEAR(std::stod(value("estimated time s")), 16 + 10 * PI + 5.4 + 2, 1e-4);
    EXPECT_EQ(value("estimated time"), "0:00:55");
    EXPECT_EQ(out.find("untimed"), std::string::npos);
}

TEST_F(CliStatsTest, AHelixIsMeasuredAlongItsTurns) {
    // A full circle of radius 5 that falls 2 mm, then a full circle of radius 3 in the XZ plane.
    const ProgramStats s = stats(
        "G1 X40 Y10 F600\n"
        "G2 X40 Y10 Z-2 I5 J0\n"
        "G18 G3 X40 Z-2 I0 K3\n"
        "M2\n");
    EXPECT_EQ(s.errors, 0);
    EXPECT_EQ(s.arcs_cw, 1);
    EXPECT_EQ(s.arcs_ccw, 1);
    const double line = std::hypot(40.0, 10.0);
    const double helix = std::hypot(10 * PI, 2.0);
    const double circle = 2 * PI * 3;
    EXPECT_NEAR(s.feed_length_mm, line + helix + circle, 1e-6);
    EXPECT_NEAR(s.feed_time_s, (line + helix + circle) / 10, 1e-6);
}

TEST_F(CliStatsTest, QuarterArcsInEitherDirection) {
    // From (10, 0) about the origin: to (0, 10) is a quarter counter-clockwise and three quarters
    // clockwise.
    const ProgramStats ccw = stats("G1 X10 F60\nG3 X0 Y10 I-10 J0\nM2\n");
    EXPECT_NEAR(ccw.feed_length_mm, 10 + 5 * PI, 1e-6);
    const ProgramStats cw = stats("G1 X10 F60\nG2 X0 Y10 I-10 J0\nM2\n");
    EXPECT_NEAR(cw.feed_length_mm, 10 + 15 * PI, 1e-6);
}

TEST_F(CliStatsTest, InchProgramsReportInInches) {
    const std::string file = temp.write("p.ngc", "G20\nG0 X1\nG1 Y2 F10\nM2\n");
    ASSERT_EQ(run({"--config-dir=" + temp.path().string(), file}), EXIT_CLEAN);
    EXPECT_EQ(value("units"), "inch");
    EXPECT_EQ(value("extent x"), "0.0000 1.0000");
    EXPECT_EQ(value("rapid length"), "1.0000");
    EXPECT_EQ(value("feed length"), "2.0000");
    // 25.4 mm of X at 10 mm/s; 2 inch at 10 inch/min.
    EXPECT_NEAR(std::stod(value("rapid time s")), 2.54, 1e-4);
    EXPECT_NEAR(std::stod(value("feed time s")), 12, 1e-4);
}

TEST_F(CliStatsTest, TheUnitsOptionOverridesTheConfiguredStartUnits) {
    const std::string file = temp.write("p.ngc", "G0 X2\nM2\n");
    ASSERT_EQ(run({"--units", "G20", "--config-dir", temp.path().string(), file}), EXIT_CLEAN);
    EXPECT_EQ(value("units"), "inch");
    EXPECT_EQ(value("extent x"), "0.0000 2.0000");
    EXPECT_NEAR(std::stod(value("rapid time s")), 5.08, 1e-4);
}

TEST_F(CliStatsTest, ToolsAreListedOnceInTheOrderFirstUsed) {
    const ProgramStats s = stats("T3 M6\nT1 M6\nT3 M6\nM2\n");
    EXPECT_EQ(s.tools, (std::vector<int>{3, 1}));
}

TEST_F(CliStatsTest, ProbeMovesAreFeedPath) {
    // The probe is counted to its target, and the program goes on after it.
    const ProgramStats s = stats("G38.2 Z-5 F30\nG1 X3\nM2\n");
    EXPECT_EQ(s.errors, 0);
    EXPECT_EQ(s.probe_moves, 1);
    EXPECT_EQ(s.feed_moves, 1);
    EXPECT_NEAR(s.feed_length_mm, 8, 1e-9);
    EXPECT_NEAR(s.feed_time_s, 16, 1e-9);
}

TEST_F(CliStatsTest, ErrorsArePrintedAndTheCountsStillFollow) {
    const std::string file = temp.write("p.ngc", "G0 X1\nG0 X2 X3\nG0 X4\n");
    EXPECT_EQ(run({file, "--config-dir", temp.path().string()}), EXIT_CLEAN);
    EXPECT_EQ(out.rfind("error(1): Multiple X words on one line\n", 0), 0u) << out;
    EXPECT_NE(out.find("error(1): File ended with no stopping command given\n"), std::string::npos);
    EXPECT_EQ(value("lines"), "2");
    EXPECT_EQ(value("rapid moves"), "1");
}

TEST_F(CliStatsTest, UsageAndUnreadableFilesExitWithTwo) {
    const std::string file = temp.write("p.ngc", "M2\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"--bogus", file},
                                                 {file, file},
                                                 {"--config-dir"},
                                                 {"--units", "G19", file}}) {
        EXPECT_EQ(run(args), EXIT_USAGE);
        EXPECT_NE(err.find("usage: zorvannc-cli stats"), std::string::npos);
        EXPECT_EQ(out, "");
    }
    EXPECT_EQ(run({(temp.path() / "missing.ngc").string()}), EXIT_USAGE);
    EXPECT_NE(err.find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace zorvan::app
