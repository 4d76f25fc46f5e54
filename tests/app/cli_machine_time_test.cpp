// stats' machine time against the time `run` takes on the simulated board's virtual clock, program by
// program: the sample programs on the sample machine, and generated ones with short segments, long
// segments, arcs, dwells, program stops and a measured tool change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/cli_commands.h"
#include "support/cli_capture.h"
#include "support/temp_dir.h"

namespace zorvan::app {
namespace {

// The number after `key` at the start of a line, or NaN.
double value_after(const std::string& text, const std::string& key) {
    const std::size_t at = text.find("\n" + key);
    if (at == std::string::npos) return std::nan("");
    return std::strtod(text.c_str() + at + 1 + key.size(), nullptr);
}

struct Timed {
    double run_s, machine_s;
    std::string stats;
};

Timed time_both(const std::string& config_dir, const std::string& program) {
    std::string out, err, stats, stats_err;
    const int run_status = zorvan::testing::capture_output(
        [&](std::FILE* o, std::FILE* e) {
            return cli_main({"run", "--config-dir", config_dir, program}, o, e);
        },
        out, err);
    EXPECT_EQ(run_status, EXIT_CLEAN) << err;
    const int stats_status = zorvan::testing::capture_output(
        [&](std::FILE* o, std::FILE* e) {
            return cli_main({"stats", "--config-dir", config_dir, program}, o, e);
        },
        stats, stats_err);
    EXPECT_EQ(stats_status, EXIT_CLEAN) << stats_err;
    return {value_after(out, "time s: "), value_after(stats, "machine time s: "), stats};
}

void expect_within_a_percent(const Timed& t) {
    ASSERT_FALSE(std::isnan(t.run_s));
    ASSERT_FALSE(std::isnan(t.machine_s)) << t.stats;
    EXPECT_GT(t.run_s, 0);
    EXPECT_NEAR(t.machine_s, t.run_s, t.run_s * 0.01);
}

TEST(MachineTime, AgreesWithTheRunOnTheSamplePrograms) {
    for (const char* name : {"drill_pattern.ngc", "face_mill.ngc", "plate_contour.ngc", "pocket.ngc"}) {
        SCOPED_TRACE(name);
        const std::string examples = std::string(ZORVAN_SOURCE_DIR) + "/examples";
        expect_within_a_percent(time_both(examples, examples + "/" + name));
    }
}

// A zig-zag of `moves` feeds `step` mm long at `feed` mm/min, every `arc_every`-th a half circle.
std::string zig_zag(int moves, double step, int feed, int arc_every) {
    std::string program = "G21 G90 G17\nG0 Z5\nG0 X10 Y10\nG1 Z-1 F" + std::to_string(feed) + "\n";
    double x = 10, y = 10;
    int direction = 1;
    char line[96];
    for (int i = 0; i < moves; ++i) {
        if (x + direction * step > 190 || x + direction * step < 10) {
            direction = -direction;
            y += 0.5;
            std::snprintf(line, sizeof line, "G1 Y%.4f\n", y);
        } else if (arc_every > 0 && i % arc_every == 0) {
            x += direction * step;
            std::snprintf(line, sizeof line, "G%d X%.4f Y%.4f I%.4f J0\n", i % 2 ? 2 : 3, x, y,
                          direction * step / 2);
        } else {
            x += direction * step;
            std::snprintf(line, sizeof line, "G1 X%.4f Y%.4f Z%.4f\n", x, y, -1 - 0.2 * std::sin(x / 7));
        }
        program += line;
    }
    return program + "G0 Z5\nM2\n";
}

TEST(MachineTime, AgreesWithTheRunOnGeneratedPrograms) {
    zorvan::testing::TempDir machine;
    // The sample machine's motion (ramps, contouring) with no switches on the way.
    machine.write("ZorvanNC.Ini",
                  "[TRAJ]\nMAXSPS=16000\nSTART_VEL=800\nACCELERATION=600000\nACCEL_SCALE=8\n"
                  "[CONTROLLER]\nCONTOURING=1\n"
                  "[AXIS_0]\nSTEPS/MM=400\nMAX_SPS=16000\n[AXIS_1]\nSTEPS/MM=400\nMAX_SPS=16000\n"
                  "[AXIS_2]\nSTEPS/MM=400\nMAX_SPS=10000\n");
    machine.write("ZorvanSim.Ini", "[BOARD]\nBUFFER=64\n");
    const struct {
        const char* name;
        std::string text;
    } programs[] = {
        {"short segments", zig_zag(3000, 0.05, 1200, 0)},
        {"long segments", zig_zag(200, 30, 2000, 0)},
        {"arcs", zig_zag(1500, 0.8, 900, 2)},
        {"dwell, stops, spindle",
         "G21 G90\nM3 S1000\nG1 X5 F600\nG4 P1.5\nM0\nG1 X10\nM1\nM8\nG0 X0\nM9 M5\nM2\n"},
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        expect_within_a_percent(time_both(machine.path().string(), machine.write("p.ngc", p.text)));
    }
    // Without contouring every move stops; the times still agree.
    machine.write("ZorvanNC.Ini", "[CONTROLLER]\nCONTOURING=0\n[TRAJ]\nMAXSPS=4000\n");
    expect_within_a_percent(
        time_both(machine.path().string(), machine.write("p.ngc", zig_zag(500, 0.4, 600, 7))));
}

// The operator's waits are not machine time: a program stop and a tool change that measures the tool
// are reported apart and add nothing but the board's own moves.
TEST(MachineTime, CountsTheOperatorsWaitsApart) {
    zorvan::testing::TempDir machine;
    machine.write("ZorvanSim.Ini", "[PROBE]\nTRIP_Z=-2000\n");
    machine.write("ToolChange.Cfg",
                  "[SENSOR]\nSensorHeight=10\nLocationX=5\nLocationY=5\n"
                  "[Tool1]\nPICKUP0=M0\nPICKUP1=*!*\n");
    const Timed t =
        time_both(machine.path().string(), machine.write("t.ngc", "G21 G90\nT1 M6\nG1 X3 F300\nM0\nM2\n"));
    expect_within_a_percent(t);
    EXPECT_EQ(value_after(t.stats, "operator waits: "), 2) << t.stats;
    EXPECT_EQ(t.stats.find("machine stop:"), std::string::npos);
}

}  // namespace
}  // namespace zorvan::app
