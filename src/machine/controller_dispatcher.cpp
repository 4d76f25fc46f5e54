#include "machine/controller_dispatcher.h"

#include <string>

namespace zorvan::machine {
namespace {

constexpr std::uint8_t STATUS_ACCEPTED = 'Z';
constexpr std::uint8_t STATUS_IDLE = '[';
constexpr std::uint8_t STATUS_BUSY = '\\';
// The library's negative codes arrive as 256 + code.
constexpr std::uint8_t status_of(int code) {
    return static_cast<std::uint8_t>(256 + code);
}
constexpr std::uint8_t STATUS_IN_ESTOP = status_of(-2);

// Motion and output commands wait while the emergency stop is in force; the others reach the board.
bool refused_in_estop(std::int32_t code) {
    switch (code) {
        case cmdContinue:
        case cmdSetOutput:
        case cmdDelay:
        case cmdLinearMove:
        case cmdRapidMove:
        case cmdArcCW:
        case cmdArcCCW:
        case cmdHome:
        case cmdIndexMove:
            return true;
        default:
            return false;
    }
}

}  // namespace

Controller::Controller(OperatorPanel& panel, std::optional<controller::ZorvanApiTable> api)
    : panel_(panel), api_(std::move(api)) {
    messages_ = {"Controller detected at Port... ",
                 "Command Syntax Error...",
                 "Limit Switch Hit...",
                 "Invalid Checksum...",
                 "Unknown Command...",
                 "Probe (Home) Switch Hit...",
                 "Command is already in progress...",
                 "Port Does Not Exist...",
                 "Port is already open...",
                 "Command Timed Out...",
                 "Controller Failed to Reset...",
                 "Controller not Inited...",
                 "Controller in E-STOP..."};
}

DispatchResult Controller::ControllerDispatcher(const ControllerCommand& command) {
    const ControllerCommand c = command;
    if (observer_ != nullptr) observer_->Dispatching(c);
    DispatchResult result = Failed;
    // Without a board every command fails quietly; the start-up has said so already.
    if (ControllerPresent && api_) {
        std::int32_t position[4] = {0, 0, 0, 0};
        const std::uint8_t status = Call(c, position);
        result = MapStatus(status, position);
        // A switch report is an answer; any other failure of a position query is the board's silence.
        if (c.code == cmdGetPosition)
            Responding = result != Failed || status == status_of(-49) || status == status_of(-43);
    }
    if (observer_ != nullptr) observer_->Dispatched(c, result);
    return result;
}

std::uint8_t Controller::Call(const ControllerCommand& c, std::int32_t (&p)[4]) {
    if (EStopActive && refused_in_estop(c.code)) return STATUS_IN_ESTOP;
    const auto& api = *api_;
    std::uint8_t status = 0;
    switch (c.code) {
        case cmdSetArcDirection:
            return api.SetArcDirection(c.option);
        case cmdGetFirmwareVersion:
            FirmwareVersion = api.GetFirmwareVersion();
            return 0;
        case cmdReset:
            status = api.Reset(&ControllerPort, 27);
            if (status == STATUS_ACCEPTED) {
                panel_.ShowStatus(messages_[MsgControllerDetectedAtPort] + std::to_string(ControllerPort));
            }
            return status;
        case cmdGetPosition:
            ProbeTripped = false;
            status = api.GetPosition(&p[0], &p[1], &p[2], &p[3]);
            // Idle is shown by the status mapping, which updates the display itself.
            if (status != STATUS_IDLE) panel_.UpdatePositionDisplay(p[0], p[1], p[2], p[3]);
            return status;
        case cmdPause:
            status = api.Pause();
            if (status == STATUS_ACCEPTED) Paused = true;
            return status;
        case cmdContinue:
            status = api.Continue();
            if (status == STATUS_ACCEPTED) Paused = false;
            return status;
        case cmdEndCurrentMove:
            return api.EndCurrentMove();
        case cmdEmergencyStop:
            return api.EmStop();
        case cmdSetPosition:
            return api.SetPosition(c.x, c.y, c.z, c.a, c.axisMask);
        case cmdSetOutput:
            return api.SetOutput(c.axisMask, c.option, &p[0], &p[1], &p[2], &p[3]);
        case cmdDelay:
            return api.Delay(&p[0], &p[1], &p[2], c.seconds, &p[3]);
        case cmdLinearMove:
            return api.LinearMove(c.x, c.y, c.z, c.a, c.speed, c.endSpeed, &p[0], &p[1], &p[2], &p[3]);
        case cmdRapidMove:
            return api.RapidMove(c.x, c.y, c.z, c.a, c.speed, c.endSpeed, &p[0], &p[1], &p[2], &p[3]);
        case cmdArcCW:
            return api.QuadrantArcMoveCW(c.arcRadius, c.x, c.y, c.arcEndX, c.arcEndY, c.speed, c.endSpeed,
                                         c.quadrant, &p[0], &p[1], &p[2], &p[3]);
        case cmdArcCCW:
            return api.QuadrantArcMoveCCW(c.arcRadius, c.x, c.y, c.arcEndX, c.arcEndY, c.speed, c.endSpeed,
                                          c.quadrant, &p[0], &p[1], &p[2], &p[3]);
        case cmdHome:
            return api.Home(c.axisMask, c.option, c.speed);
        case cmdSetFeedOverride:
            return api.SetFeedOverride(c.speed);
        case cmdSetMaxSps:
            return api.SetMaxSPS(c.speed, AxisCount, c.option, c.quadrant);
        case cmdIndexMove:
            return api.IndexMove(c.x, c.y, c.z, c.a, c.speed, c.axisMask, &p[0], &p[1], &p[2], &p[3]);
        case cmdReadInputs: {
            const std::uint8_t inputs = api.ReadInputs();
            panel_.ShowStatus("Inputs = " + std::to_string(inputs));
            return STATUS_ACCEPTED;
        }
        case cmdTweakZ:
            return api.TweakZAxis(c.speed);
        case cmdSetProbePolarity:
            return api.SetProbePolarity(c.option);
        default:
            return 0;
    }
}

DispatchResult Controller::MapStatus(std::uint8_t status, const std::int32_t (&p)[4]) {
    if (status <= '4') return Done;
    switch (status) {
        case STATUS_ACCEPTED:
            return Done;
        case STATUS_IDLE:
            panel_.UpdatePositionDisplay(p[0], p[1], p[2], p[3]);
            MotionComplete = true;
            return Done;
        case STATUS_BUSY:
            panel_.UpdatePositionDisplay(p[0], p[1], p[2], p[3]);
            return Busy;
        case status_of(-51):
        case status_of(-44):
            Show(MsgCommandSyntaxError);
            return Failed;
        case status_of(-49):
            RaiseEmergencyStop();
            MotionComplete = true;
            Show(MsgLimitSwitchHit);
            return Failed;
        case status_of(-48):
            Show(MsgInvalidChecksum);
            return Failed;
        case status_of(-47):
            Show(MsgUnknownCommand);
            return Failed;
        case status_of(-43):
            MotionComplete = true;
            ProbeTripped = true;
            // A probing move looks for the switch; any other move was stopped by it, and the board has
            // dropped every move it held.
            if (ProbeExpected) return Done;
            RaiseEmergencyStop();
            Show(MsgProbeSwitchHit);
            return Failed;
        case status_of(-42):
            Show(MsgCommandInProgress);
            return Failed;
        case status_of(-41):
            Show(MsgPortDoesNotExist);
            return Failed;
        case status_of(-40):
            Show(MsgPortAlreadyOpen);
            return Failed;
        case status_of(-39):
            Show(MsgCommandTimedOut);
            return Failed;
        case status_of(-38):
            Show(MsgControllerFailedToReset);
            return Failed;
        case STATUS_IN_ESTOP:
            // Done, so that a refusal never escalates into a second emergency stop.
            Show(MsgControllerInEStop);
            return Done;
        case status_of(-1):
            Show(MsgControllerNotInited);
            return Failed;
        default:
            return Failed;
    }
}

void Controller::RaiseEmergencyStop() {
    if (!EStopActive && !EStopEntering) panel_.EmergencyStop(true);
}

void WaitForMotionComplete(Controller& controller, OperatorPanel& panel) {
    if (!controller.ControllerPresent) return;
    controller.MotionComplete = false;
    ControllerCommand query;
    query.code = cmdGetPosition;
    const long stops = controller.EmergencyStops;
    do {
        // A board that has gone away answers Failed for ever; that is an emergency, not a wait.
        const bool failed = controller.ControllerDispatcher(query) == Failed;
        if (failed) controller.RaiseEmergencyStop();
        panel.ProcessMessages();
        if (failed || controller.EStopActive || controller.EmergencyStops != stops) return;
    } while (!controller.MotionComplete);
}

void WaitWhilePaused(Controller& controller, OperatorPanel& panel) {
    if (!controller.Paused) return;  // asked before every line of a run: the usual answer costs nothing
    ControllerCommand query;
    query.code = cmdGetPosition;
    while (controller.Paused && !controller.EStopActive) {
        panel.ProcessMessages();
        if (!controller.Paused || controller.EStopActive) return;
        if (controller.ControllerPresent && controller.ControllerDispatcher(query) == Failed) {
            controller.RaiseEmergencyStop();
            return;
        }
        panel.Sleep(1);  // the operator's press is awaited, not raced for
    }
}

void QueryMotionState(Controller& controller) {
    controller.MotionComplete = false;
    ControllerCommand query;
    query.code = cmdGetPosition;
    controller.ControllerDispatcher(query);
}

bool LeaveEmergencyStop(Controller& controller) {
    ControllerCommand query;
    query.code = cmdGetPosition;
    if (controller.ControllerDispatcher(query) != Done) return false;
    controller.EStopActive = false;
    return true;
}

}  // namespace zorvan::machine
