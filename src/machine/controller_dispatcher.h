// Every operation on the board passes through ControllerDispatcher: it calls the library, maps the
// status byte to Done, Busy or Failed, keeps the controller flags and shows the status messages.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "controller/zorvan_api_table.h"
#include "machine/controller_command.h"
#include "machine/operator_panel.h"

namespace zorvan::machine {

// The texts the dispatcher shows in the status bar, by entry.
enum StatusMessage : int {
    MsgControllerDetectedAtPort,
    MsgCommandSyntaxError,
    MsgLimitSwitchHit,
    MsgInvalidChecksum,
    MsgUnknownCommand,
    MsgProbeSwitchHit,
    MsgCommandInProgress,
    MsgPortDoesNotExist,
    MsgPortAlreadyOpen,
    MsgCommandTimedOut,
    MsgControllerFailedToReset,
    MsgControllerNotInited,
    MsgControllerInEStop,
    STATUS_MESSAGE_COUNT
};

// Sees every command handed to the dispatcher, before the library is called and with its result.
class DispatchObserver {
  public:
    virtual ~DispatchObserver() = default;
    virtual void Dispatching(const ControllerCommand& command) = 0;
    virtual void Dispatched(const ControllerCommand& command, DispatchResult result) = 0;
};

class Controller {
  public:
    Controller(OperatorPanel& panel, std::optional<controller::ZorvanApiTable> api);

    DispatchResult ControllerDispatcher(const ControllerCommand& command);

    // The library itself, for the start-up calls and the spindle slider; nullptr without a board.
    const controller::ZorvanApiTable* Api() const { return api_ ? &*api_ : nullptr; }
    // The language file may replace the texts.
    std::array<std::string, STATUS_MESSAGE_COUNT>& StatusMessages() { return messages_; }
    void SetObserver(DispatchObserver* observer) { observer_ = observer; }

    // Controller flags.
    bool ControllerPresent = false;
    std::int32_t ControllerPort = 0;
    bool MotionComplete = false;
    double FirmwareVersion = 0.0;
    bool EStopActive = false;
    bool Paused = false;
    bool ProbeTripped = false;
    std::int32_t AxisCount = 3;

    // A probing move is under way (the tool-length measurement, homing): the probe (home) switch is its
    // answer. During any other move the switch stops the board, which drops what it holds.
    bool ProbeExpected = false;
    // The emergency-stop sequence is switching the machine off; a failure inside it is no new emergency.
    bool EStopEntering = false;
    // Emergency stops entered so far: a wait that sees the count change ends, even when the operator
    // has left the emergency stop again within it.
    long EmergencyStops = 0;
    // false while the board does not answer position queries (an unplugged board).
    bool Responding = true;

    // Enters the emergency stop for a failure, unless it is in force or being entered already.
    void RaiseEmergencyStop();

  private:
    std::uint8_t Call(const ControllerCommand& c, std::int32_t (&position)[4]);
    DispatchResult MapStatus(std::uint8_t status, const std::int32_t (&position)[4]);
    void Show(StatusMessage message) { panel_.ShowStatus(messages_[message]); }

    OperatorPanel& panel_;
    std::optional<controller::ZorvanApiTable> api_;
    std::array<std::string, STATUS_MESSAGE_COUNT> messages_;
    DispatchObserver* observer_ = nullptr;
};

// Polls the board's position, letting windows run after each poll, until the board reports its motion
// ended, the emergency stop is in force (one poll is still made, which refreshes the display) or a poll
// fails (the board no longer answers: the emergency stop is entered). Nothing to wait for without a board.
void WaitForMotionComplete(Controller& controller, OperatorPanel& panel);

// Waits while a feed hold is in force, for the operator's Pause(Hold) or Reset (ESTP); the board is
// polled meanwhile, so that a board that stops answering ends the wait in the emergency stop.
void WaitWhilePaused(Controller& controller, OperatorPanel& panel);

// MotionComplete cleared, then one position query whose answer is not examined.
void QueryMotionState(Controller& controller);

// Leaves the emergency stop only when the board answers a position query.
bool LeaveEmergencyStop(Controller& controller);

}  // namespace zorvan::machine
