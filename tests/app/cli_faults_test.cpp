// zorvannc-cli run against the simulated board with injected faults: whatever the board does, the run
// ends, ends in the emergency stop when a move was lost, and says why.
#include "app/cli_commands.h"
#include "app/cli_run.h"

#include <gtest/gtest.h>

#include "support/cli_capture.h"
#include "support/temp_dir.h"

namespace zorvan::app {
namespace {

class CliFaults : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& text) { return temp.write(name, text); }
    int run(const std::string& program) {
        const std::vector<std::string> args = {"run", "--config-dir", temp.path().string(), program};
        return zorvan::testing::capture_output(
            [&](std::FILE* o, std::FILE* e) { return cli_main(args, o, e); }, out, err);
    }
    bool printed(const std::string& text) const { return out.find(text) != std::string::npos; }
    bool said(const std::string& text) const { return err.find(text) != std::string::npos; }

    // A program of n short feeds back and forth along X.
    static std::string zigzag(int n) {
        std::string text = "G21 G90 F600\n";
        for (int i = 0; i < n; ++i)
            text += i % 2 == 0 ? "G1 X2\n" : "G1 X0\n";
        return text + "M2\n";
    }

    zorvan::testing::TempDir temp;
    std::string out, err;
};

// An unplugged board: every call fails from its N-th on. The run ends in the emergency stop and says
// the board does not answer, whether it dies at the start-up's emergency stop or in the middle of the run.
TEST_F(CliFaults, ABoardThatDiesEndsTheRunInTheEmergencyStop) {
    const std::string program = write("zigzag.ngc", zigzag(200));
    for (const int dead_after : {7, 9, 60, 400}) {
        SCOPED_TRACE(dead_after);
        for (const char* contouring : {"0", "1"}) {
            SCOPED_TRACE(contouring);
            write("ZorvanNC.Ini", std::string("[CONTROLLER]\r\nCONTOURING=") + contouring + "\r\n");
            write("ZorvanSim.Ini", "[FAULTS]\r\nDEAD_AFTER=" + std::to_string(dead_after) + "\r\n");
            EXPECT_EQ(run(program), EXIT_EMERGENCY_STOP);
            EXPECT_TRUE(said("the run ended in the emergency stop: Controller not responding.")) << err;
        }
    }
}

// The tool-length sensor is also the home switch: met by an ordinary move it stops the board, which
// drops the moves it held, so the run must not go on as if they were made.
TEST_F(CliFaults, AMoveThatMeetsTheProbeSwitchStopsTheRun) {
    write("ZorvanSim.Ini", "[PROBE]\r\nTRIP_Z=-2000\r\n");
    for (const char* contouring : {"0", "1"}) {
        SCOPED_TRACE(contouring);
        write("ZorvanNC.Ini", std::string("[CONTROLLER]\r\nCONTOURING=") + contouring + "\r\n");
        const std::string program = write("deep.ngc", "G21 G90 F600\nG1 Z-30\nG1 X10\nG0 Z5\nM2\n");
        EXPECT_EQ(run(program), EXIT_EMERGENCY_STOP);
        EXPECT_TRUE(said("the run ended in the emergency stop: Probe (Home) Switch Hit...")) << err;
        // The board stopped on the switch and dropped the moves it held.
        EXPECT_TRUE(printed("cmdEmergencyStop\n")) << out;
        EXPECT_TRUE(printed("position x=0 y=0 z=-2000 a=0\n")) << out;
    }
}

// A measurement stores a length only when the sensor closed on the way down and opened on the way up.
TEST_F(CliFaults, AToolLengthIsStoredOnlyWhenTheSensorSwitched) {
    write("ToolChange.Cfg",
          "[SENSOR]\r\nSensorHeight=10\r\nLocationX=5\r\nLocationY=5\r\n[Tool1]\r\nPICKUP0=*!*\r\n"
          "PICKUP1=G0 X7\r\n");
    write("ZorvanNC.Ini", "[TRAJ]\r\nHOMING_VEL=1000\r\n");
    const std::string program = write("measure.ngc", "G21 G90\nT1\nM2\n");
    const struct {
        const char* board;
        bool measured;
        const char* why;  // the length shown, or why there is none
    } cases[] = {
        {"[PROBE]\r\nTRIP_Z=-2000\r\n", true, "TLO = -20 - 10 = -30"},
        // The switch has travel: it opens on the eleventh back-off, and the length is taken from where
        // that back-off began.
        {"[PROBE]\r\nTRIP_Z=-2000\r\nHYSTERESIS=500\r\n", true, "TLO = -15 - 10 = -25"},
        // No sensor at all: the plunge runs its whole way.
        {"", false, "Tool length not measured: the sensor did not switch."},
        // A sensor that never opens again.
        {"[PROBE]\r\nTRIP_Z=-2000\r\nHYSTERESIS=1000000\r\n", false,
         "Tool length not measured: the sensor did not switch."},
        // A travel limit ends the plunge before the sensor.
        {"[PROBE]\r\nTRIP_Z=-2000\r\n[LIMITS]\r\nZ_MIN=-1000\r\n", false, "Limit Switch Hit..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.board);
        write("ZorvanSim.Ini", c.board);
        const int status = run(program);
        EXPECT_EQ(said("TLO = "), c.measured) << err;
        if (c.measured) {
            EXPECT_EQ(status, EXIT_CLEAN) << err;
            EXPECT_TRUE(said(c.why)) << err;
            EXPECT_TRUE(printed("cmdRapidMove x=700 ")) << out;  // the macro goes on after measuring
        } else {
            EXPECT_EQ(status, EXIT_EMERGENCY_STOP) << err;
            EXPECT_TRUE(said(std::string("the run ended in the emergency stop: ") + c.why)) << err;
            EXPECT_FALSE(printed("cmdRapidMove x=700 ")) << out;  // the rest of the change is not run
        }
    }
}

// A feed so slow that its speed rounds to 0 steps per second still goes to the board, at 1.
TEST_F(CliFaults, AFeedTooSlowForOneStepASecondGoesAtOne) {
    const std::string program = write("slow.ngc", "G21 G90\nG1 X0.02 F0.2\nM2\n");
    EXPECT_EQ(run(program), EXIT_CLEAN) << err;
    EXPECT_TRUE(printed("cmdLinearMove x=2 y=0 z=0 a=0 speed=1 endSpeed=0\n")) << out;
    EXPECT_TRUE(printed("position x=2 y=0 z=0 a=0\n")) << out;
}

// The board answers busy often and times out now and then; with contouring on, every move either
// reaches the board or the run ends in the emergency stop, and the run always ends.
TEST_F(CliFaults, BusyAnswersAndTimeOutsNeverHangTheRun) {
    const std::string program = write("zigzag.ngc", zigzag(300));
    write("ZorvanNC.Ini", "[CONTROLLER]\r\nCONTOURING=1\r\n");
    const struct {
        const char* faults;
        int status;
    } cases[] = {
        {"BUSY_EVERY=2\r\nBUSY_ON=ANY\r\n", EXIT_CLEAN},
        {"BUSY_EVERY=3\r\nBUSY_ON=POSITION\r\n", EXIT_CLEAN},
        {"TIMEOUT_EVERY=50\r\nTIMEOUT_ON=MOVE\r\n", EXIT_EMERGENCY_STOP},
        {"TIMEOUT_EVERY=7\r\nTIMEOUT_ON=POSITION\r\n", EXIT_EMERGENCY_STOP},
        {"TIMEOUT_EVERY=5\r\nTIMEOUT_ON=OUTPUT\r\n", EXIT_EMERGENCY_STOP},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        write("ZorvanSim.Ini", std::string("[FAULTS]\r\n") + c.faults);
        EXPECT_EQ(run(program), c.status) << err;
    }
}

}  // namespace
}  // namespace zorvan::app
