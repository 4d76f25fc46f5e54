// The headless command line: usage, exit statuses, and the start-up it makes before a program runs.
#include "app/cli_commands.h"
#include "app/cli_run.h"
#include "app/trace_canon.h"
#include "config/text_file.h"

#include <gtest/gtest.h>

#include "controller/zorvan_api_table.h"
#include "support/cli_capture.h"

#include "support/temp_dir.h"

#include <dlfcn.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>

namespace zorvan::app {
namespace {

class CliTest : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& text) { return temp.write(name, text); }

    // Runs the command line; stdout and stderr land in out and err.
    int run(std::vector<std::string> args) {
        return zorvan::testing::capture_output(
            [&](std::FILE* out_file, std::FILE* err_file) { return cli_main(args, out_file, err_file); }, out,
            err);
    }

    zorvan::testing::TempDir temp;
    const std::filesystem::path& dir = temp.path();
    std::string out, err;
};

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::string file = write("p.ngc", "M2\n");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", file},
        {"run"},
        {"run", "--units", "G19", file},
        {"trace"},
        {"trace", "--units", "G19", file},
        {"trace", "--units"},
        {"trace", "--bogus", file},
        {"check", file, file},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? std::string("(none)") : args[0] + " ... " + std::to_string(args.size()));
        EXPECT_EQ(run(args), EXIT_USAGE);
        EXPECT_NE(err.find("usage:"), std::string::npos);
        EXPECT_EQ(out, "");
    }
}

TEST_F(CliTest, AnUnreadableFileExitsWithTwo) {
    EXPECT_EQ(run({"trace", "--config-dir", dir.string(), (dir / "missing.ngc").string()}), EXIT_USAGE);
    EXPECT_NE(err.find("cannot read"), std::string::npos);
    EXPECT_EQ(run({"check", "--config-dir", dir.string(), dir.string()}), EXIT_USAGE);
}

TEST_F(CliTest, CheckPrintsOnlyErrorsAndTheLineCount) {
    const std::string good = write("good.ngc", "G0 X1\nG1 X2 F100\nM2\n");
    EXPECT_EQ(run({"check", "--config-dir", dir.string(), good}), EXIT_CLEAN);
    EXPECT_EQ(out, "3 lines interpreted\n");
    const std::string bad = write("bad.ngc", "G0 X1\nG0 X2 X3\nG0 X4\n");
    EXPECT_EQ(run({"check", "--config-dir", dir.string(), bad}), EXIT_REPORTED_ERROR);
    EXPECT_EQ(out,
              "error(1): Multiple X words on one line\n"
              "error(1): File ended with no stopping command given\n"
              "2 lines interpreted\n");
}

// After a G20 start, G21 turns the current X of 1 inch into 25.4.
TEST_F(CliTest, TheUnitsOptionOverridesTheConfiguredStartUnits) {
    const std::string program = write("units.ngc", "G0 X1\nG21\nG91 G0 X0\nM2\n");
    const std::string config = "--config-dir=" + dir.string();
    ASSERT_EQ(run({"trace", config, program}), EXIT_CLEAN);
    EXPECT_NE(out.find("straight_traverse(1.0000, 0.0000, 0.0000)\nuse_length_units(2)\n"
                       "straight_traverse(1.0000,"),
              std::string::npos)
        << out;
    ASSERT_EQ(run({"trace", config, "--units", "g20", program}), EXIT_CLEAN);
    EXPECT_NE(out.find("use_length_units(2)\nstraight_traverse(25.4000,"), std::string::npos) << out;
    write("ZorvanNC.Ini", "[RS274NGC]\r\nUNITS=G20\r\n");
    ASSERT_EQ(run({"trace", config, program}), EXIT_CLEAN);
    EXPECT_NE(out.find("straight_traverse(25.4000,"), std::string::npos) << out;
    ASSERT_EQ(run({"trace", config, "--units", "G21", program}), EXIT_CLEAN);
    EXPECT_EQ(out.find("25.4000"), std::string::npos) << out;
}

TEST_F(CliTest, TheConfiguredDecimalSeparatorReadsCommaNumbers) {
    write("ZorvanNC.Ini", "[RS274NGC]\r\nDecimalSeparator=,\r\n");
    const std::string program = write("comma.ngc", "G0 X1,5\nM2\n");
    ASSERT_EQ(run({"trace", "--config-dir", dir.string(), program}), EXIT_CLEAN);
    EXPECT_EQ(out,
              "straight_traverse(1.5000, 0.0000, 0.0000)\n"
              "set_origin_offsets(0.0000, 0.0000, 0.0000)\n"
              "stop_spindle_turning()\n"
              "program_end()\n");
}

// check and trace read the file as they go; its lines are the editor's lines, the same as splitting the
// whole text, also across the reads and for a line longer than one read.
TEST_F(CliTest, AFileReadAsItGoesGivesTheEditorsLines) {
    const std::string long_line(300000, 'x');
    std::string crossing;
    for (int i = 0; i < 30000; ++i)
        crossing += "G1 X" + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\n");
    const std::string texts[] = {"",
                                 "\n",
                                 "\n\n",
                                 "M2",
                                 "M2\n",
                                 "M2\r\n",
                                 "M2\r",
                                 "\r",
                                 "\r\n\r\n",
                                 "G0\n\nM2",
                                 "G0\rX1\n",
                                 std::string("G0\0X1\nM2\n", 9),
                                 "G0\n" + long_line + "\r\nM2",
                                 long_line,
                                 crossing,
                                 crossing + "M2"};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 20) + " of " + std::to_string(text.size()));
        config::TextFileLines source(write("lines.ngc", text));
        ASSERT_TRUE(source.is_open());
        std::vector<std::string> lines;
        std::string_view line;
        while (source.next(line))
            lines.emplace_back(line);
        EXPECT_FALSE(source.failed());
        EXPECT_EQ(lines, split_lines(text));
    }
}

TEST_F(CliTest, ConfigListsTheValuesInForce) {
    write("ZorvanNC.Ini", "[RS274NGC]\r\nDecimalSeparator=,\r\n[MACHINE]\r\nMAXX=12,5\r\n");
    EXPECT_EQ(run({"config", "--config-dir", dir.string()}), EXIT_CLEAN);
    EXPECT_NE(out.find("MACHINE/MAXX=12.5\n"), std::string::npos);
    EXPECT_NE(out.find("TRAJ/MAXSPS=1000\n"), std::string::npos);
    EXPECT_EQ(run({"config", "--bogus"}), EXIT_USAGE);
}

// The last line of a text.
std::string last_line(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    const std::size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// A run's closing lines are the board's step counters and then the run's time; this is the first.
std::string position_line(const std::string& text) {
    const std::size_t time = text.rfind("time s: ");
    return last_line(text.substr(0, time == std::string::npos ? text.size() : time));
}

TEST_F(CliTest, RunDrivesTheSimulatedBoardToTheProgramsEnd) {
    const std::string program =
        write("square.ngc", "G21 G90 F600\nG0 X5 Y5\nG1 X15\nG1 Y15\nG2 X25 Y15 I5 J0\nM2\n");
    EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_CLEAN);
    EXPECT_EQ(position_line(out), "position x=2500 y=1500 z=0 a=0");
    EXPECT_NE(out.find("cmdRapidMove x=500 y=500 z=0 a=0 speed=1000 endSpeed=100\n"), std::string::npos);
    EXPECT_NE(
        out.find("cmdArcCW arcRadius=500 x=500 y=0 arcEndX=0 arcEndY=500 speed=707 endSpeed=0 quadrant=2\n"),
        std::string::npos);
    EXPECT_EQ(out.find("cmdGetPosition"), std::string::npos);
}

TEST_F(CliTest, RunWithContouringRaisesTheEndSpeedsOfACollinearRun) {
    write("ZorvanNC.Ini", "[CONTROLLER]\r\nCONTOURING=1\r\n");
    const std::string program = write("line.ngc", "G21 G90 F600\nG1 X10\nG1 X20\nG1 X30\nM2\n");
    EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_CLEAN);
    EXPECT_NE(out.find("cmdLinearMove x=1000 y=0 z=0 a=0 speed=1000 endSpeed=1000\n"), std::string::npos);
    EXPECT_NE(out.find("cmdLinearMove x=3000 y=0 z=0 a=0 speed=1000 endSpeed=0\n"), std::string::npos);
    EXPECT_EQ(position_line(out), "position x=3000 y=0 z=0 a=0");
}

TEST_F(CliTest, RunIntoATravelLimitEndsInTheEmergencyStop) {
    write("ZorvanSim.Ini", "[LIMITS]\r\nX_MAX=500\r\n");
    const std::string program = write("far.ngc", "G21 G90 F600\nG1 X10\nG1 Y10\nM2\n");
    EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_EMERGENCY_STOP);
    EXPECT_NE(err.find("Limit Switch Hit..."), std::string::npos);
    EXPECT_NE(out.find("cmdEmergencyStop\n"), std::string::npos);
    EXPECT_EQ(position_line(out), "position x=500 y=0 z=0 a=0");
}

TEST_F(CliTest, RunResumesProgramStopsAndReportsErrorsAsTraceDoes) {
    const std::string program = write("stop.ngc", "G21 G90 F600\nG1 X1\nM0\nG1 X2\nG1 X3 X4\n");
    EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_REPORTED_ERROR);
    EXPECT_NE(out.find("cmdPause\ncmdContinue\n"), std::string::npos);
    EXPECT_NE(out.find("error(4): Multiple X words on one line\n"), std::string::npos);
    EXPECT_EQ(position_line(out), "position x=200 y=0 z=0 a=0");
}

TEST_F(CliTest, RunMeasuresAToolOnTheBoardsSensor) {
    write("ZorvanSim.Ini", "[PROBE]\r\nTRIP_Z=-2000\r\n");
    write("ToolChange.Cfg",
          "[SENSOR]\r\nSensorHeight=10\r\nLocationX=5\r\nLocationY=5\r\n[Tool1]\r\nPICKUP0=*!*\r\n");
    const std::string program = write("measure.ngc", "G21 G90\nT1\nM2\n");
    EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_CLEAN);
    // Down at the homing speed until the switch trips at -20 mm, then back off 0.5 mm: the switch opens.
    EXPECT_NE(out.find("cmdLinearMove x=500 y=500 z=-100000 a=0 speed=100 endSpeed=100\n"),
              std::string::npos);
    EXPECT_NE(out.find("cmdLinearMove x=500 y=500 z=-1950 a=0 speed=100 endSpeed=100\n"), std::string::npos);
    EXPECT_NE(err.find("TLO = -20 - 10 = -30"), std::string::npos);
    EXPECT_EQ(position_line(out), "position x=500 y=500 z=0 a=0");
}

TEST_F(CliTest, RunPrintsACommandTheBoardAnsweredBusyOnce) {
    write("ZorvanSim.Ini", "[FAULTS]\r\nBUSY_EVERY=2\r\nBUSY_ON=MOVE\r\n");
    const std::string program = write("busy.ngc", "G21 G90 F600\nG1 X1\nG1 X2\nG1 X3\nM2\n");
    EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_CLEAN);
    for (const char* move : {"x=100 ", "x=200 ", "x=300 "}) {
        const std::string line =
            std::string("cmdLinearMove ") + move + "y=0 z=0 a=0 speed=1000 endSpeed=100\n";
        const std::size_t first = out.find(line);
        ASSERT_NE(first, std::string::npos) << move;
        EXPECT_EQ(out.find(line, first + 1), std::string::npos) << move;
    }
    EXPECT_EQ(position_line(out), "position x=300 y=0 z=0 a=0");
}

// The A axis moves only on a machine configured with four; with three the move is left out, as the
// board would not drive it.
TEST_F(CliTest, RunSendsAnAMoveOnlyWhenTheConfigurationHasFourAxes) {
    struct Case {
        const char* ini;
        bool a_moves;
    };
    const Case cases[] = {
        {"[TRAJ]\r\nAXES=4\r\n", true},
        {"[TRAJ]\r\nAXES=3\r\n", false},
        {"[TRAJ]\r\nMAXSPS=1000\r\n", false},  // no AXES key: three
    };
    const std::string program = write("rotate.ngc", "G21 G90\n@A 90\nM2\n");
    for (const Case& c : cases) {
        write("ZorvanNC.Ini", c.ini);
        EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_CLEAN) << c.ini << err;
        EXPECT_EQ(out.find("cmdIndexMove x=0 y=0 z=0 a=9000 speed=1000 axisMask=8\n") != std::string::npos,
                  c.a_moves)
            << c.ini << out;
        EXPECT_EQ(position_line(out), c.a_moves ? "position x=0 y=0 z=0 a=9000" : "position x=0 y=0 z=0 a=0")
            << c.ini;
    }
}

// An S word sets the spindle's PWM duty on the board as the operator program's slider does; the call
// bypasses the dispatcher, so nothing of it is printed.
TEST_F(CliTest, RunSetsTheSpindlePwmOfAnSWord) {
    const std::string program = write("spindle.ngc", "G21 G90\nS2500 M3\nG0 X1\nS7500\nM2\n");
    EXPECT_EQ(run({"run", "--config-dir", dir.string(), program}), EXIT_CLEAN) << err;
    void* library =
        ::dlopen((executable_dir() / controller::ZORVAN_API_LIBRARY).c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    const auto pwm = reinterpret_cast<std::uint8_t (*)()>(::dlsym(library, "ZorvanSimPwmPercent"));
    EXPECT_EQ(pwm(), 75);
    EXPECT_EQ(out.find("PWM"), std::string::npos);
    EXPECT_NE(out.find("cmdSetOutput axisMask=4 option=1\n"), std::string::npos);
}

// A trace prints reals as "%.4f" would, and -0.0000 as 0.0000: ties to even at the fourth decimal,
// tiny and huge values, and whatever lies between.
TEST(TraceOutput, PrintsRealsAsTheGeneralConversionDoes) {
    auto expected_text = [](double value) {
        char text[400];
        const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
        std::string printed(text, result.ptr);
        return printed == "-0.0000" ? std::string("0.0000") : printed;
    };
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.00005,
                                  -0.00005,
                                  0.03125,  // a tie: 312.5 ten-thousandths
                                  0.09375,
                                  -2.65625,
                                  0.5,
                                  1234.56785,
                                  std::ldexp(1.0, 49) - 0.125,
                                  std::ldexp(1.0, 49),
                                  std::ldexp(1.0, 49) + 0.5,
                                  1e15,
                                  -1e300,
                                  std::numeric_limits<double>::denorm_min(),
                                  -std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 random(18);
    for (int i = 0; i < 100000; ++i) {
        // Any bits with an exponent from tiny to huge; decimals of five places, half of them ties in
        // decimal; and odd multiples of powers of two, where the binary value is an exact tie.
        const std::uint64_t mantissa = random() & ((std::uint64_t{1} << 52) - 1);
        const std::uint64_t exponent = 1023 - 80 + random() % 140;
        values.push_back(
            std::bit_cast<double>((random() & (std::uint64_t{1} << 63)) | (exponent << 52) | mantissa));
        const auto decimal = static_cast<std::int64_t>(random() % 2000000000) - 1000000000;
        values.push_back(static_cast<double>(decimal) / 100000.0);
        values.push_back(static_cast<double>(decimal | 1) / static_cast<double>(1u << (1 + random() % 20)));
    }
    std::string out, err;
    zorvan::testing::capture_output(
        [&](std::FILE* file, std::FILE*) {
            TraceOutput output(file);
            for (double value : values) {
                output.append_real(value);
                output.append("\n");
            }
            return 0;
        },
        out, err);
    std::string_view printed = out;
    for (double value : values) {
        const std::size_t end = printed.find('\n');
        ASSERT_NE(end, std::string_view::npos);
        ASSERT_EQ(printed.substr(0, end), expected_text(value)) << std::hexfloat << value;
        printed.remove_prefix(end + 1);
    }
}

}  // namespace
}  // namespace zorvan::app
