// The dispatcher: every status byte's outcome, the emergency-stop refusals and the flags.
#include "machine/controller_dispatcher.h"

#include <gtest/gtest.h>

#include "machine/fake_board.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;
using testing::status_code;

class Dispatcher : public ::testing::Test {
  protected:
    Dispatcher() : controller(panel, testing::fake_board_table()) {
        fake_board(true);
        controller.ControllerPresent = true;
    }
    DispatchResult send(std::int32_t code, std::uint8_t status) {
        fake_board().statuses = {status};
        ControllerCommand c;
        c.code = code;
        return controller.ControllerDispatcher(c);
    }
    HeadlessOperatorPanel panel;
    Controller controller;
};

TEST_F(Dispatcher, MapsEveryStatusByte) {
    const struct {
        std::uint8_t status;
        DispatchResult result;
        const char* message;
        bool emergency_stop, motion_complete, probe_tripped;
    } cases[] = {
        {0, Done, "", false, false, false},
        {'4', Done, "", false, false, false},
        {'Z', Done, "", false, false, false},
        {'[', Done, "", false, true, false},
        {'\\', Busy, "", false, false, false},
        {status_code(-51), Failed, "Command Syntax Error...", false, false, false},
        {status_code(-49), Failed, "Limit Switch Hit...", true, true, false},
        {status_code(-48), Failed, "Invalid Checksum...", false, false, false},
        {status_code(-47), Failed, "Unknown Command...", false, false, false},
        {status_code(-44), Failed, "Command Syntax Error...", false, false, false},
        // Outside a probing move the probe (home) switch has stopped the board: an emergency.
        {status_code(-43), Failed, "Probe (Home) Switch Hit...", true, true, true},
        {status_code(-42), Failed, "Command is already in progress...", false, false, false},
        {status_code(-41), Failed, "Port Does Not Exist...", false, false, false},
        {status_code(-40), Failed, "Port is already open...", false, false, false},
        {status_code(-39), Failed, "Command Timed Out...", false, false, false},
        {status_code(-38), Failed, "Controller Failed to Reset...", false, false, false},
        {status_code(-2), Done, "Controller in E-STOP...", false, false, false},
        {status_code(-1), Failed, "Controller not Inited...", false, false, false},
        {'5', Failed, "", false, false, false},
        {status_code(-50), Failed, "", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.status));
        panel.status.clear();
        panel.emergency_stops = 0;
        controller.MotionComplete = false;
        controller.ProbeTripped = false;
        // A linear move, so that the probe flag is not cleared by the call itself.
        EXPECT_EQ(send(cmdLinearMove, c.status), c.result);
        EXPECT_EQ(panel.status, c.message);
        EXPECT_EQ(panel.emergency_stops, c.emergency_stop ? 1 : 0);
        EXPECT_EQ(controller.MotionComplete, c.motion_complete);
        EXPECT_EQ(controller.ProbeTripped, c.probe_tripped);
    }
}

TEST_F(Dispatcher, TheProbeSwitchAnswersAProbingMoveWithoutAnEmergency) {
    controller.ProbeExpected = true;
    EXPECT_EQ(send(cmdGetPosition, status_code(-43)), Done);
    EXPECT_TRUE(controller.ProbeTripped);
    EXPECT_TRUE(controller.MotionComplete);
    EXPECT_EQ(panel.emergency_stops, 0);
    EXPECT_EQ(panel.status, "");
}

TEST_F(Dispatcher, APositionQueryTellsWhetherTheBoardStillAnswers) {
    const struct {
        std::uint8_t status;
        bool responding;
    } cases[] = {
        {'Z', true},
        {'[', true},
        {'\\', true},
        {status_code(-39), false},
        {status_code(-1), false},
        {status_code(-49), true},  // a switch report is an answer
        {status_code(-43), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.status));
        controller.EStopActive = true;  // no emergency stop sequence in between
        send(cmdGetPosition, c.status);
        EXPECT_EQ(controller.Responding, c.responding);
    }
    // Other commands do not change it.
    send(cmdGetPosition, status_code(-39));
    send(cmdSetOutput, 'Z');
    EXPECT_FALSE(controller.Responding);
}

TEST_F(Dispatcher, ALimitSwitchEntersTheEmergencyStopOnlyOnce) {
    controller.EStopActive = true;
    EXPECT_EQ(send(cmdGetPosition, status_code(-49)), Failed);
    EXPECT_EQ(panel.emergency_stops, 0);
}

TEST_F(Dispatcher, TheEmergencyStopRefusesMotionAndOutputsButNotTheRest) {
    controller.EStopActive = true;
    for (std::int32_t code : {cmdContinue, cmdSetOutput, cmdDelay, cmdLinearMove, cmdRapidMove, cmdArcCW,
                              cmdArcCCW, cmdHome, cmdIndexMove}) {
        SCOPED_TRACE(code);
        fake_board().calls.clear();
        panel.status.clear();
        EXPECT_EQ(send(code, 'Z'), Done);
        EXPECT_TRUE(fake_board().calls.empty());
        EXPECT_EQ(panel.status, "Controller in E-STOP...");
    }
    for (std::int32_t code :
         {cmdPause, cmdEmergencyStop, cmdGetPosition, cmdSetPosition, cmdSetFeedOverride}) {
        SCOPED_TRACE(code);
        fake_board().calls.clear();
        EXPECT_EQ(send(code, 'Z'), Done);
        EXPECT_EQ(fake_board().calls.size(), 1u);
    }
}

TEST_F(Dispatcher, WithoutAControllerEveryCommandFailsSilently) {
    controller.ControllerPresent = false;
    for (std::int32_t code = 0; code <= 25; ++code) {
        EXPECT_EQ(send(code, 'Z'), Failed) << code;
    }
    EXPECT_TRUE(fake_board().calls.empty());
    EXPECT_EQ(panel.status, "");
}

TEST_F(Dispatcher, CodesWithoutACallAreDone) {
    for (std::int32_t code : {0, 2, 24, 99, -5}) {
        EXPECT_EQ(send(code, status_code(-51)), Done) << code;
    }
    EXPECT_TRUE(fake_board().calls.empty());
}

TEST_F(Dispatcher, CommandsCarryTheirArgumentsInOrder) {
    ControllerCommand arc;
    arc.code = cmdArcCCW;
    arc.arcRadius = 500, arc.x = 500, arc.y = 0, arc.arcEndX = 0, arc.arcEndY = 500, arc.speed = 800;
    arc.endSpeed = 0, arc.quadrant = 1;
    controller.ControllerDispatcher(arc);
    ControllerCommand maxsps;
    maxsps.code = cmdSetMaxSps;
    maxsps.speed = 1000, maxsps.option = 1, maxsps.quadrant = 7;
    controller.AxisCount = 4;
    controller.ControllerDispatcher(maxsps);
    ControllerCommand home;
    home.code = cmdHome;
    home.axisMask = 7, home.option = 5, home.speed = 300;
    controller.ControllerDispatcher(home);
    EXPECT_EQ(fake_board().calls,
              (std::vector<std::string>{"QuadrantArcMoveCCW(500, 500, 0, 0, 500, 800, 0, 1)",
                                        "SetMaxSPS(1000, 4, 1, 7)", "Home(7, 5, 300)"}));
}

TEST_F(Dispatcher, PositionQueriesUpdateTheDisplayAndClearTheProbeFlag) {
    fake_board().position[0] = 120;
    fake_board().position[2] = -40;
    for (std::uint8_t status : {std::uint8_t('['), std::uint8_t('Z')}) {
        panel.position_updates = 0;
        controller.ProbeTripped = true;
        EXPECT_EQ(send(cmdGetPosition, status), Done);
        EXPECT_EQ(panel.position_updates, 1);
        EXPECT_EQ(panel.display_steps, (std::array<std::int32_t, 4>{120, 0, -40, 0}));
        EXPECT_FALSE(controller.ProbeTripped);
    }
}

TEST_F(Dispatcher, PauseContinueResetAndInputsKeepTheirFlagsAndTexts) {
    EXPECT_EQ(send(cmdPause, 'Z'), Done);
    EXPECT_TRUE(controller.Paused);
    EXPECT_EQ(send(cmdContinue, '\\'), Busy);
    EXPECT_TRUE(controller.Paused);
    EXPECT_EQ(send(cmdContinue, 'Z'), Done);
    EXPECT_FALSE(controller.Paused);

    controller.ControllerPort = 2;
    fake_board().port_answer = 3;
    EXPECT_EQ(send(cmdReset, 'Z'), Done);
    EXPECT_EQ(fake_board().calls.back(), "Reset(2, 27)");
    EXPECT_EQ(panel.status, "Controller detected at Port... 3");

    fake_board().inputs = 5;
    EXPECT_EQ(send(cmdReadInputs, status_code(-51)), Done);
    EXPECT_EQ(panel.status, "Inputs = 5");

    fake_board().firmware_version = 3.25;
    EXPECT_EQ(send(cmdGetFirmwareVersion, 'Z'), Done);
    EXPECT_EQ(controller.FirmwareVersion, 3.25);
}

TEST_F(Dispatcher, WaitingPollsUntilTheBoardIsIdle) {
    fake_board().statuses = {'Z', 'Z', '['};
    WaitForMotionComplete(controller, panel);
    EXPECT_EQ(fake_board().calls,
              (std::vector<std::string>{"GetPosition()", "GetPosition()", "GetPosition()"}));
    EXPECT_EQ(panel.messages_processed, 3);
    EXPECT_TRUE(controller.MotionComplete);
}

TEST_F(Dispatcher, WaitingEndsOnTheEmergencyStopAndOnABoardThatFails) {
    panel.on_process_messages = [this] { controller.EStopActive = true; };
    fake_board().statuses = {'Z', 'Z', 'Z'};
    WaitForMotionComplete(controller, panel);
    EXPECT_EQ(fake_board().calls.size(), 1u);

    controller.EStopActive = false;
    panel.on_process_messages = nullptr;
    panel.on_emergency_stop = [this](bool on) { controller.EStopActive = on; };
    fake_board().statuses = {status_code(-39)};
    WaitForMotionComplete(controller, panel);
    EXPECT_EQ(panel.emergency_stops, 1);
}

TEST_F(Dispatcher, TheEmergencyStopIsLeftOnlyWhenTheBoardAnswers) {
    controller.EStopActive = true;
    fake_board().statuses = {status_code(-39)};
    EXPECT_FALSE(LeaveEmergencyStop(controller));
    EXPECT_TRUE(controller.EStopActive);
    EXPECT_TRUE(LeaveEmergencyStop(controller));
    EXPECT_FALSE(controller.EStopActive);
}

}  // namespace
}  // namespace zorvan::machine
