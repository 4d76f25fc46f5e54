// Loading the motion parameters and starting the board, with both ways it can fail.
#include "machine/controller_startup.h"

#include <gtest/gtest.h>

#include "machine/fake_board.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using Calls = std::vector<std::string>;

class Startup : public ::testing::Test {
  protected:
    Startup() : controller(panel, testing::fake_board_table()), queue(controller, panel), canon(panel, sink) {
        fake_board(true);
    }
    void load(const std::string& ini) {
        canon.Parameters() = LoadMotionParameters(temp.write("ZorvanNC.Ini", ini), '.');
    }
    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    Controller controller;
    MotionQueue queue;
    Canon canon;
};

TEST_F(Startup, LoadsEveryKeyWithItsDefault) {
    load("[TRAJ]\r\nMAXSPS=2000\r\n[AXIS_1]\r\nMAX_SPS=500\r\nSTEPS/MM=-200\r\n[AXIS_3]\r\nSTEPS/DEG=10\r\n");
    const MotionParameters& p = canon.Parameters();
    EXPECT_EQ(p.Acceleration, 5000);
    EXPECT_EQ(p.MaxSps, 2000);
    EXPECT_EQ(p.StartVelocity, 100);
    EXPECT_EQ(p.AccelScale, 1);
    EXPECT_EQ(p.Contouring, 0);  // no CONTROLLER section
    EXPECT_EQ(p.ControllerPort, 0);
    EXPECT_EQ(p.AxisMaxSps, (std::array<int, 4>{2000, 500, 2000, 2000}));
    EXPECT_EQ(p.StepsPerUnit, (std::array<double, 4>{100, -200, 100, 10}));
    EXPECT_EQ(p.MaxRpm, 10000);
    EXPECT_EQ(p.MaxPwmPercent, 100);
}

TEST_F(Startup, SendsTheSetUpInItsOrder) {
    load(
        "[TRAJ]\r\nMAXSPS=1000\r\nSTART_VEL=2000\r\nACCELERATION=8000\r\n[CONTROLLER]\r\nPORT=2\r\n"
        "CONTOURING=1\r\n[AXIS_1]\r\nSTEPS/MM=-200\r\n");
    controller.AxisCount = 4;
    EXPECT_TRUE(InitController(controller, queue, canon, panel, true));
    EXPECT_TRUE(controller.ControllerPresent);
    EXPECT_EQ(fake_board().calls,
              (Calls{"Reset(2, 27)", "GetFirmwareVersion()", "SetAccelleration(8000, 1000, 1000, 1)",
                     "SetMaxSPS(1000, 4, 1, 0)", "SetPosition(0, 0, 0, 0, 7)", "SetArcDirection(1)"}));
    EXPECT_EQ(panel.modal_messages, Calls{"START_VEL > MAXSPS in Ini file... Setting START_VEL = MAXSPS"});
    EXPECT_EQ(panel.status, "Controller detected 2.5");
    EXPECT_EQ(panel.controller_timer_base, 65562 - 1250);
    EXPECT_EQ(queue.Contouring(), 1);
    EXPECT_DOUBLE_EQ(canon.UnitsPerStep[1], -1.0 / 200);
}

TEST_F(Startup, ABoardThatDoesNotAnswerEndsBeforeTheSetUp) {
    fake_board().firmware_version = 0.0;
    EXPECT_FALSE(InitController(controller, queue, canon, panel, false));
    EXPECT_EQ(fake_board().calls, (Calls{"Reset(0, 27)", "GetFirmwareVersion()"}));
    EXPECT_TRUE(panel.modal_messages.empty());
    EXPECT_TRUE(controller.ControllerPresent);  // the caller clears it on false
}

TEST_F(Startup, ARefusedAccelerationIsShownAndEndsTheStartUp) {
    fake_board().statuses = {'Z', testing::status_code(-44)};
    EXPECT_FALSE(InitController(controller, queue, canon, panel, false));
    EXPECT_EQ(fake_board().calls.back(), "SetAccelleration(5000, 1000, 100, 1)");
    EXPECT_EQ(panel.modal_messages, Calls{"Could not send acceleration to controller..."});
}

TEST(ArcDirection, ComesFromTheSignsOfTheScales) {
    EXPECT_EQ(ArcDirectionCode(200, 200), 3);
    EXPECT_EQ(ArcDirectionCode(200, -200), 1);
    EXPECT_EQ(ArcDirectionCode(-200, 200), 0);
    EXPECT_EQ(ArcDirectionCode(-200, -200), 2);
    // A zero scale has no sign: "any other case".
    EXPECT_EQ(ArcDirectionCode(0, 200), 2);
    EXPECT_EQ(ArcDirectionCode(200, 0), 2);
    EXPECT_EQ(ArcDirectionCode(-200, 0), 2);
}

}  // namespace
}  // namespace zorvan::machine
