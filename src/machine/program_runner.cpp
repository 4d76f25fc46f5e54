#include "machine/program_runner.h"

namespace zorvan::machine {

bool ProgramRunner::ProgramLoaded(std::string& name) {
    name = interpreter_.program_name();
    if (name.empty()) {
        panel_.ShowModalMessage("No file loaded.");
        return false;
    }
    return true;
}

int ProgramRunner::All() {
    std::string name;
    if (!ProgramLoaded(name)) return interp::RESULT_ERROR;
    interpreter_.interpreter_reset();
    canon_.PreviewMode = true;
    canon_.ResetPathExtents();
    const bool estop = controller_.EStopActive;
    controller_.EStopActive = false;
    const std::size_t count = lines.size();
    const std::size_t step = count / 100;
    std::size_t next = step + 100;
    int rc = interp::RESULT_OK;
    for (std::size_t i = 1; i <= count; ++i) {
        if (i > next) {
            panel_.ProcessMessages();
            if (controller_.EStopActive) {
                panel_.ShowModalMessage("Preview Cancelled.");
                break;
            }
            next += step;
        }
        rc = interpreter_.interpret_line(lines[i - 1]);
        if (rc != interp::RESULT_OK) break;
    }
    controller_.EStopActive = estop;
    if (interpreter_.block().m_modes[4] != 1)
        interpreter_.report_error("File ended with no stopping command given");
    interpreter_.interpreter_reset();
    interpreter_.execute_direct("T0");
    interpreter_.set_program_name(name);
    if (ControlCenter) canon_.PreviewMode = false;
    return rc;
}

void ProgramRunner::GreyPreview() {
    if (StartLine == 0) {
        All();
        return;
    }
    canon_.PreviewMode = true;
    const int first = interpreter_.line_counter();
    for (int k = 0; k < StartLine; ++k) {
        const std::size_t index = static_cast<std::size_t>(first + k);
        const std::string_view text =
            index < lines.size() ? std::string_view(lines[index]) : std::string_view();
        if (interpreter_.interpret_line(text) != interp::RESULT_OK) break;
    }
    StartLine = StartLine - 1;
}

ProgramRunner::ModalState ProgramRunner::SaveModalState() const {
    return {interpreter_.settings(), canon_.LengthUnitScale, canon_.LengthUnits, canon_.OriginOffset,
            canon_.ToolLengthOffset, canon_.FeedRate,        canon_.ActivePlane, canon_.MotionControlMode,
            canon_.SpindleSpeed,     canon_.FloodOn,         canon_.MistOn,      canon_.CurrentTool};
}

void ProgramRunner::RestoreModalState(const ModalState& s) {
    interpreter_.settings() = s.settings;
    canon_.LengthUnitScale = s.LengthUnitScale;
    canon_.LengthUnits = s.LengthUnits;
    canon_.OriginOffset = s.OriginOffset;
    canon_.ToolLengthOffset = s.ToolLengthOffset;
    canon_.FeedRate = s.FeedRate;
    canon_.ActivePlane = s.ActivePlane;
    canon_.MotionControlMode = s.MotionControlMode;
    canon_.SpindleSpeed = s.SpindleSpeed;
    canon_.FloodOn = s.FloodOn;
    canon_.MistOn = s.MistOn;
    canon_.CurrentTool = s.CurrentTool;
    canon_.ComputeUnitsPerStep();
}

bool ProgramRunner::ReadyToRun(std::string& name) {
    QueryMotionState(controller_);
    if (!controller_.MotionComplete || Running) return false;
    if (controller_.EStopActive) {
        panel_.ShowModalMessage("Controller in EmStop.");
        return false;
    }
    return ProgramLoaded(name);
}

void ProgramRunner::Go() {
    std::string name;
    if (!ReadyToRun(name)) return;
    if (StartLine < 0) StartLine = 0;
    if (!controller_.ControllerPresent) return;

    canon_.RefreshPositionFromController();
    interpreter_.interpreter_reset();
    interpreter_.interpreter_synch();
    interpreter_.set_program_name(name);
    ManualBusy = false;
    const std::size_t count = lines.size();
    const std::size_t step = count / 100;
    std::size_t next = step + 100;

    // The grey preview runs the program through the interpreter; a run from the first line must not
    // inherit the offsets and modes the preview left behind.
    const bool from_start = StartLine == 0;
    const ModalState before = SaveModalState();
    GreyPreview();
    canon_.PreviewMode = false;
    Running = true;
    panel_.ShowStatus("Processing file...");
    if (StartLine == 0) {
        if (from_start) RestoreModalState(before);
        canon_.RefreshPositionFromController();
        interpreter_.execute_direct("T0");
        interpreter_.interpreter_reset();
        interpreter_.interpreter_synch();
    } else {
        interpreter_.interpreter_synch();
    }
    for (std::size_t i = static_cast<std::size_t>(StartLine); i < count; ++i) {
        while (controller_.Paused) {
            panel_.ProcessMessages();
            if (controller_.EStopActive) break;
        }
        if (controller_.EStopActive) break;
        if (i > next) next += step;
        if (interpreter_.interpret_line(lines[i]) != interp::RESULT_OK) break;
    }
    // Whatever ended the loop, what the program queued is sent now rather than by the next manual move.
    if (!controller_.EStopActive && canon_.Queue() != nullptr) canon_.Queue()->FlushMotion();
    if (controller_.ControllerPresent) WaitForMotionComplete(controller_, panel_);
    Running = false;
    interpreter_.set_program_name(name);
}

void ProgramRunner::Next() {
    std::string name;
    if (!ReadyToRun(name)) return;
    // Like GO from the first line, the first Next starts from the state in force before its preview.
    if (StartLine == 0) {
        const ModalState before = SaveModalState();
        GreyPreview();
        RestoreModalState(before);
    }
    if (!controller_.ControllerPresent) return;
    interpreter_.set_program_name(name);
    ManualBusy = false;
    canon_.PreviewMode = false;
    Running = true;
    if (!controller_.EStopActive) {
        const std::size_t index = static_cast<std::size_t>(StartLine);
        interpreter_.interpret_line(index < lines.size() ? std::string_view(lines[index])
                                                         : std::string_view());
        ++StartLine;
        if (canon_.Queue() != nullptr) canon_.Queue()->FlushMotion();
    }
    WaitForMotionComplete(controller_, panel_);
    Running = false;
    interpreter_.set_program_name(name);
}

void ProgramRunner::PauseHold() {
    panel_.ShowStatus("");
    ControllerCommand c;
    c.code = controller_.Paused ? cmdContinue : cmdPause;
    controller_.ControllerDispatcher(c);
    panel_.SetPauseButton(controller_.Paused);
}

void ProgramRunner::EmergencyStop(bool on) {
    if (!on) {
        if (LeaveEmergencyStop(controller_)) panel_.ShowStatus("Controller is Ready...");
        return;
    }
    Running = false;
    controller_.EStopActive = true;
    controller_.Paused = false;
    ManualBusy = false;
    ControllerCommand stop;
    stop.code = cmdEmergencyStop;
    controller_.ControllerDispatcher(stop);
    WaitForMotionComplete(controller_, panel_);
    if (canon_.Queue() != nullptr) canon_.Queue()->DiscardMotion();
    // The outputs are switched off with the emergency stop lifted for a moment, so that their commands
    // reach the board.
    controller_.EStopActive = false;
    panel_.ZeroFeedOverride();
    canon_.stop_spindle_turning();
    canon_.flood_off();
    canon_.mist_off();
    controller_.EStopActive = true;
    panel_.ShowStatus("Controller in EmStop.");
}

}  // namespace zorvan::machine
