// check --travel: the program's moves against the machine's table, through the interpreter, the offsets
// it sends and the canon, as the command line runs them.
#include "app/cli_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/cli_capture.h"
#include "support/temp_dir.h"

namespace zorvan::app {
namespace {

// The sample machine's table, G55 at X 100 Y 50, tool 1 35 mm long, and a tool 2 whose pick-up goes
// too high in machine coordinates.
class CliTravelTest : public ::testing::Test {
  protected:
    CliTravelTest() {
        temp.write("ZorvanNC.Ini",
                   "[MACHINE]\r\nMINX=0\r\nMAXX=200\r\nMINY=0\r\nMAXY=150\r\nMINZ=-50\r\nMAXZ=100\r\n");
        temp.write("ZorvanNC.Var", "5221 0\n5222 0\n5223 0\n5241 100\n5242 50\n5243 0\n");
        temp.write("ZorvanNC.tbl",
                   "SLOT ID LEN DIAM STYLE ANG/RAD COMMENT\nSTYLE: 0=End\n\n"
                   "0 0 0 0 0 0 Reset\n1 1 35 6 0 0 Flat 6\n2 2 0 3 0 0 Flat 3\n");
        temp.write("ToolChange.Cfg",
                   "[Tool1]\r\n[Tool2]\r\nPICKUP0=G53 G0 Z120\r\nPICKUP1=G53 G0 X100 Y10\r\n");
    }

    int run(std::vector<std::string> args, const std::string& program) {
        args.insert(args.begin() + 1, {"--config-dir", temp.path().string()});
        args.push_back(temp.write("p.ngc", program));
        return zorvan::testing::capture_output(
            [&](std::FILE* o, std::FILE* e) { return cli_main(args, o, e); }, out, err);
    }

    zorvan::testing::TempDir temp;
    std::string out, err;
};

constexpr const char* kReached = "G21 G90 G0 X0 Y0 Z-50\nG0 X200 Y150 Z100\nG1 X0 Y0 Z-50 F500\n";

// Each way on or off the table, with what follows check's count.
TEST_F(CliTravelTest, EveryMoveIsCheckedAfterEveryOffset) {
    const struct {
        const char* name;
        std::string program;
        std::string report;
    } cases[] = {
        {"every limit reached exactly", kReached, ""},
        {"arcs touching the edges", "G0 X190 Y65\nG3 X190 Y85 I0 J10 F500\nG0 X10 Y75\nG2 X10 Y75 I-5 J0\n",
         ""},
        {"an inch move to the edge", "G20 G0 X7.874 (199.9996 mm)\n", ""},
        {"a rapid", "G0 X205\n", "line 1: X 205.0000 beyond the table's 200.0000\n"},
        {"an XY arc's bulge", "G0 X190 Y60\nG3 X190 Y90 I0 J15 F100\n",
         "line 2: X 205.0000 beyond the table's 200.0000\n"},
        {"an XZ arc's bulge", "G0 X90 Y75 Z95\nG18 G3 X110 Z95 I10 K0 F100\n",
         "line 2: Z 105.0000 beyond the table's 100.0000\n"},
        {"a G92 offset", "G0 X150\nG92 X0\nG0 X60\n", "line 3: X 210.0000 beyond the table's 200.0000\n"},
        {"a tool length offset", "G0 Z60\nG43 H1\nG0 Z70\n",
         "line 3: Z 105.0000 beyond the table's 100.0000\n"},
        {"G55 from the parameter file", "G55\nG0 X110 Y-60\n",
         "line 2: X 210.0000 beyond the table's 200.0000\nline 2: Y -10.0000 beyond the table's 0.0000\n"},
        {"G59 set by G10 L2", "G10 L2 P6 Z-40\nG59\nG0 Z-15\n",
         "line 3: Z -55.0000 beyond the table's -50.0000\n"},
        {"back in G54", "G55\nG54\nG0 X110\n", ""},
        {"an inch program", "G20\nG0 X4\nG92 X0\nG0 X4.1\n",
         "line 4: X 205.7400 beyond the table's 200.0000\n"},
        // The pecks to -55 and to -60 are on one line: one report, at the deepest.
        {"a peck drilling cycle", "G0 X10 Y10 Z5\nG83 X10 Y10 Z-60 R5 Q20 F100\nG80\n",
         "line 2: Z -60.0000 beyond the table's -50.0000\n"},
        // The tool-change macro's moves belong to the T word's line.
        {"a tool-change macro", "G0 X10 Y10\nT2 M6\n", "line 2: Z 120.0000 beyond the table's 100.0000\n"},
        {"lines of the file", "\n(a comment)\n\nG0 X205\n",
         "line 4: X 205.0000 beyond the table's 200.0000\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int status = run({"check", "--travel"}, c.program + "M2\n");
        const std::size_t count = out.find(" lines interpreted\n");
        ASSERT_NE(count, std::string::npos) << out;
        const std::string after = out.substr(out.find('\n', count) + 1);
        const auto reports = std::count(c.report.begin(), c.report.end(), '\n');
        const std::string total = std::to_string(reports) + (reports == 1 ? " excursion" : " excursions");
        EXPECT_EQ(after, reports == 0 ? "" : c.report + total + " beyond the table\n") << out;
        EXPECT_EQ(status, reports == 0 ? EXIT_CLEAN : EXIT_REPORTED_ERROR);
    }
}

TEST_F(CliTravelTest, TheFirstTwentyArePrintedAndAllCounted) {
    std::string program, expected = "26 lines interpreted\n";
    for (int i = 1; i <= 25; ++i) {
        program += "G0 X" + std::to_string(200 + i) + "\n";
        if (i <= 20)
            expected += "line " + std::to_string(i) + ": X " + std::to_string(200 + i) +
                        ".0000 beyond the table's 200.0000\n";
    }
    EXPECT_EQ(run({"check", "--travel"}, program + "M2\n"), EXIT_REPORTED_ERROR);
    EXPECT_EQ(out, expected + "25 excursions beyond the table\n");
}

// Errors first, excursions after the count; either makes the status 1. Without the option check is as
// it was, and no other command takes it.
TEST_F(CliTravelTest, ErrorsAndExcursionsBothFailAndOnlyCheckTakesTheOption) {
    EXPECT_EQ(run({"check", "--travel"}, "G0 X205\nG0 X1 X2\n"), EXIT_REPORTED_ERROR);
    EXPECT_EQ(out,
              "error(1): Multiple X words on one line\n"
              "error(1): File ended with no stopping command given\n"
              "2 lines interpreted\n"
              "line 1: X 205.0000 beyond the table's 200.0000\n"
              "1 excursion beyond the table\n");
    EXPECT_EQ(run({"check"}, "G0 X205\nG0 Z-80\nM2\n"), EXIT_CLEAN);
    EXPECT_EQ(out, "3 lines interpreted\n");
    EXPECT_EQ(run({"check", "--travel", "--units", "G20"}, "G0 X8\nM2\n"), EXIT_REPORTED_ERROR);
    EXPECT_NE(out.find("line 1: X 203.2000 beyond"), std::string::npos) << out;
    for (const char* command : {"trace", "run", "stats"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(run({command, "--travel"}, "M2\n"), EXIT_USAGE);
        EXPECT_NE(err.find("usage:"), std::string::npos);
    }
}

// The YZ and XZ arcs the preview cuts as chords, both ways round: the highest point the canon's chords
// reach (within their tolerance) is the bulge the check reports, so both turn each plane's arcs alike.
TEST_F(CliTravelTest, ArcBulgesAgreeWithThePathTheCanonCuts) {
    const struct {
        std::string program;
        std::string extent;  // the stats line of the axis, up to its highest value
        std::string report;  // empty when the arc stays on the table
    } cases[] = {
        {"G0 X90 Y75 Z95\nG18 G3 X110 Z95 I10 K0 F100\n", "extent z: 0.0000 104.99", "Z 105.0000 beyond"},
        {"G0 X90 Y75 Z95\nG18 G2 X110 Z95 I10 K0 F100\n", "extent z: 0.0000 95.0000", ""},
        {"G0 X100 Y145 Z10\nG19 G2 Y145 Z-10 J0 K-10 F100\n", "extent y: 0.0000 154.99", "Y 155.0000 beyond"},
        {"G0 X100 Y145 Z10\nG19 G3 Y145 Z-10 J0 K-10 F100\n", "extent y: 0.0000 145.0000", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        ASSERT_EQ(run({"stats"}, c.program + "M2\n"), EXIT_CLEAN);
        EXPECT_NE(out.find(c.extent), std::string::npos) << out;
        EXPECT_EQ(run({"check", "--travel"}, c.program + "M2\n"),
                  c.report.empty() ? EXIT_CLEAN : EXIT_REPORTED_ERROR);
        if (!c.report.empty()) {
            EXPECT_NE(out.find("line 2: " + c.report), std::string::npos) << out;
        }
    }
}

}  // namespace
}  // namespace zorvan::app
