#include "machine/program_runner.h"

#include <algorithm>
#include <cmath>

namespace zorvan::machine {

bool ProgramRunner::ProgramLoaded(std::string& name) {
    name = interpreter_.program_name();
    if (name.empty()) {
        panel_.ShowModalMessage(view_->Message(MsgNoFileLoaded, "No file loaded."));
        return false;
    }
    return true;
}

int ProgramRunner::Gauge(std::size_t i) const {
    return lines.empty() ? 0 : static_cast<int>(std::lround(100.0 * static_cast<double>(i) / lines.size()));
}

int ProgramRunner::PreviewLoop(std::size_t first, std::size_t last, bool number_from_one) {
    const std::size_t step = lines.size() / 100;
    std::size_t next = step + 100;
    int rc = interp::RESULT_OK;
    for (std::size_t index = first; index <= last; ++index) {
        const std::size_t i = number_from_one ? index + 1 : index;
        if (i > next) {
            panel_.ProcessMessages();
            if (controller_.EStopActive) {
                panel_.ShowModalMessage(view_->Message(MsgPreviewCancelled, "Preview Cancelled."));
                break;
            }
            view_->SetGauge(Gauge(i));
            next += step;
        }
        TravelLine(index);
        rc = interpreter_.interpret_line(Line(index));
        if (rc != interp::RESULT_OK) break;
    }
    return rc;
}

void ProgramRunner::TakeCanonicalPosition(bool show) {
    const std::array<double, 4> steps = canon_.PositionInSteps();
    view_->SetDisplayPosition(steps);
    if (show) ShowRoundedPosition(panel_, steps);
}

int ProgramRunner::All() {
    std::string name;
    if (!ProgramLoaded(name)) return interp::RESULT_ERROR;
    interpreter_.interpreter_reset();
    canon_.PreviewMode = true;
    RestartTravelCheck();
    // The rendered view's stock is laid over the extents the last pass reached; this pass finds its own.
    view_->ClearToolPathView();
    canon_.ResetPathExtents();
    const bool estop = controller_.EStopActive;
    const long stops_before = controller_.EmergencyStops;
    controller_.EStopActive = false;
    view_->DrawMachineAndTool();
    int rc = interp::RESULT_OK;
    // The same program from the same state draws the same: what the last whole pass drew is drawn again.
    // The rendered view's stock is carved only by interpreting.
    const bool may_record = record_ != nullptr && !canon_.RenderedView;
    const PreviewStart start = may_record ? TakePreviewStart() : PreviewStart{};
    const bool replayed = may_record && record_->Complete() && start == recorded_start_;

    if (replayed) {
        ReplayRecordedPass();  // cancelled as an interpreted pass is: drawn in part, nothing reported
    } else {
        if (may_record) record_->Begin();
        if (!lines.empty()) rc = PreviewLoop(0, lines.size() - 1, true);
        const bool whole = rc >= 0 && controller_.EmergencyStops == stops_before &&
                           !controller_.EStopActive && interpreter_.block().m_modes[4] == 1;
        if (may_record && whole) {
            KeepRecordedPass(start);
        } else if (record_ != nullptr) {
            record_->Forget();
        }
    }
    // The flag is the preview's cancel; an emergency stop entered while the preview let messages run is
    // the machine's and stays.
    if (controller_.EmergencyStops == stops_before) controller_.EStopActive = estop;
    if (rc < 0) view_->HighlightLine(interpreter_.line_counter());
    // Only a pass that ended with a stop is recorded.
    if (!replayed && interpreter_.block().m_modes[4] != 1)
        interpreter_.report_error("File ended with no stopping command given");
    view_->RepaintToolPathView();
    view_->DrawExtents();
    interpreter_.interpreter_reset();
    interpreter_.execute_direct("T0");
    interpreter_.set_program_name(name);
    view_->SetGauge(0);
    if (ControlCenter) canon_.PreviewMode = false;
    return rc;
}

ProgramRunner::PreviewStart ProgramRunner::TakePreviewStart() const {
    return {SaveModalState(), canon_.CurrentPosition, lines.size()};
}

void ProgramRunner::KeepRecordedPass(const PreviewStart& start) {
    record_->Finish();
    recorded_start_ = start;
    recorded_end_ = SaveModalState();
    recorded_position_ = canon_.CurrentPosition;
    recorded_extents_ = canon_.PathExtents;
    if (travel_ != nullptr) recorded_travel_ = *travel_;
}

// A large record is drawn a hundredth at a time, letting the window's messages run between, as a pass
// that interprets does: ten million lines take a noticeable moment even from the record. The emergency
// stop cancels. A smaller one is drawn at once; it takes a few milliseconds.
bool ProgramRunner::ReplayRecordedPass() {
    constexpr std::size_t AT_ONCE = 100000;
    const std::size_t entries = record_->Entries();
    const std::size_t step = std::max(entries / 100, AT_ONCE);
    for (std::size_t first = 0; first < entries; first += step) {
        if (first > 0) {
            panel_.ProcessMessages();
            if (controller_.EStopActive) {
                panel_.ShowModalMessage(view_->Message(MsgPreviewCancelled, "Preview Cancelled."));
                return false;
            }
            view_->SetGauge(static_cast<int>(100 * first / entries));
        }
        record_->Replay(first, step);
    }
    ++ReplayedPasses;
    // The state the pass left, as interpreting it would have left it.
    RestoreModalState(recorded_end_);
    canon_.CurrentPosition = recorded_position_;
    canon_.PathExtents = recorded_extents_;
    if (travel_ != nullptr && recorded_travel_) *travel_ = *recorded_travel_;
    return true;
}

void ProgramRunner::ForgetRecordedPass() {
    if (record_ != nullptr) record_->Forget();
}

void ProgramRunner::PreviewNext() {
    std::string name;
    if (!ProgramLoaded(name)) return;
    TravelLine(static_cast<std::size_t>(interpreter_.line_counter()));
    const int rc = interpreter_.interpret_line(Line(static_cast<std::size_t>(interpreter_.line_counter())));
    if (rc == interp::RESULT_OK) {
        view_->HighlightLine(interpreter_.line_counter());
        TakeCanonicalPosition(false);
    }
    view_->RepaintToolPathView();
    view_->DrawExtents();
}

void ProgramRunner::StepLines(int n) {
    std::string name;
    if (!ProgramLoaded(name)) return;
    const int first = interpreter_.line_counter();
    for (int k = 0; k < n; ++k) {
        TravelLine(static_cast<std::size_t>(first + k));
        if (interpreter_.interpret_line(Line(static_cast<std::size_t>(first + k))) != interp::RESULT_OK)
            break;
    }
    TakeCanonicalPosition(false);
    view_->HighlightLine(interpreter_.line_counter());
    view_->RepaintToolPathView();
    view_->DrawExtents();
}

void ProgramRunner::ToCursor(int caret_line) {
    std::string name;
    if (!ProgramLoaded(name)) return;
    interpreter_.interpreter_init();
    canon_.PreviewMode = true;
    RestartTravelCheck();
    const int rc = PreviewLoop(0, static_cast<std::size_t>(std::max(caret_line, 0)), false);
    if (rc == interp::RESULT_OK) view_->HighlightLine(interpreter_.line_counter());
    view_->RepaintToolPathView();
    view_->DrawExtents();
    TakeCanonicalPosition(true);
    interpreter_.set_program_name(name);
    view_->SetGauge(0);
}

void ProgramRunner::FromCursor(int caret_line) {
    std::string name;
    if (!ProgramLoaded(name)) return;
    canon_.PreviewMode = true;
    RestartTravelCheck();
    const int rc = PreviewLoop(static_cast<std::size_t>(std::max(caret_line, 0)) + 1, lines.size(), false);
    if (rc == interp::RESULT_OK) view_->HighlightLine(interpreter_.line_counter());
    view_->RepaintToolPathView();
    view_->DrawExtents();
    TakeCanonicalPosition(true);
    interpreter_.execute_direct("T0");
    interpreter_.interpreter_reset();
    interpreter_.set_program_name(name);
    view_->SetGauge(0);
}

void ProgramRunner::ResetPreview() {
    const std::string name = interpreter_.program_name();
    interpreter_.interpreter_init();
    Clear();
    TakeCanonicalPosition(false);
    view_->HighlightLine(interpreter_.line_counter());
    interpreter_.set_program_name(name);
}

void ProgramRunner::Clear() {
    view_->ClearToolPathView();
    view_->DrawMachineAndTool();
    view_->RepaintToolPathView();
    view_->DrawExtents();
}

void ProgramRunner::GreyPreview() {
    view_->ClearPicture();
    view_->SetGreyColours(true);
    RestartTravelCheck();
    if (StartLine == 0) {
        All();
    } else {
        canon_.PreviewMode = true;
        StepLines(StartLine);
        StartLine = StartLine - 1;
    }
    view_->DrawMachineAndTool();
    view_->DrawExtents();
    view_->SetGreyColours(false);
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
    if (!controller_.MotionComplete || Running) {
        ShowSilentBoard();
        return false;
    }
    if (controller_.EStopActive) {
        panel_.ShowModalMessage(view_->Message(MsgEmStop, "Controller in EmStop."));
        return false;
    }
    return ProgramLoaded(name);
}

// A run from a later line previews the lines up to it only to reach its modal state; of them only the
// start line is sent again. Excursions before it are no reason to ask, and the lines after it were not
// previewed.
const TravelExcursion* ProgramRunner::FirstExcursionToRun() const {
    if (travel_ == nullptr) return nullptr;
    // After the grey preview StartLine is the index of the first line the run sends.
    const long first_sent = static_cast<long>(StartLine) + 1;
    for (const TravelExcursion& excursion : travel_->Kept()) {
        if (excursion.line >= first_sent) return &excursion;
    }
    return nullptr;
}

bool ProgramRunner::Go() {
    const RunOnStack on_stack(runs_on_stack_);
    std::string name;
    if (!ReadyToRun(name)) return false;
    if (StartLine < 0) StartLine = 0;
    if (!controller_.ControllerPresent) return false;

    view_->LockMachineControls(true);
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
    const int start_line = StartLine;
    const ModalState before = SaveModalState();
    const long stops_before = controller_.EmergencyStops;
    if (PreviewBeforeRun) GreyPreview();
    canon_.PreviewMode = false;
    if (controller_.EmergencyStops != stops_before) {
        // Stopped while the grey preview let messages run: nothing of the program is sent.
        interpreter_.set_program_name(name);
        view_->SetGauge(0);
        return true;
    }
    const TravelExcursion* first = PreviewBeforeRun ? FirstExcursionToRun() : nullptr;
    // The question waits for the operator, who may also stop the machine meanwhile.
    if (first != nullptr && (!view_->RunAnyway(*first) || controller_.EmergencyStops != stops_before)) {
        // Nothing is sent, and GO ends as if it had not been pressed.
        RestoreModalState(before);
        StartLine = start_line;
        canon_.RefreshPositionFromController();
        interpreter_.interpreter_reset();
        interpreter_.set_program_name(name);
        if (!controller_.EStopActive) view_->LockMachineControls(false);
        view_->SetGauge(0);
        return false;
    }
    Running = true;
    panel_.ShowStatus(view_->Message(MsgProcessing, "Processing file..."));
    if (StartLine == 0) {
        if (from_start) RestoreModalState(before);
        canon_.RefreshPositionFromController();
        interpreter_.execute_direct("T0");
        interpreter_.interpreter_reset();
        interpreter_.interpreter_synch();
    } else {
        interpreter_.interpreter_synch();
    }
    view_->SetExtentsShown(false);
    for (std::size_t i = static_cast<std::size_t>(StartLine); i < count; ++i) {
        WaitWhilePaused(controller_, panel_);
        // An emergency stop entered and left again within one wait still ends the run.
        if (controller_.EStopActive || controller_.EmergencyStops != stops_before) break;
        if (i > next) {
            view_->SetGauge(Gauge(i));
            next += step;
        }
        view_->LineStarted(i);
        // The text of lines a little ahead is asked for now: a long program's text is far from the cache.
        if (i + 8 < count) __builtin_prefetch(lines[i + 8].data());
        const int rc = interpreter_.interpret_line(Line(i));
        if (HighLight) view_->HighlightLine(static_cast<int>(i));
        if (rc != interp::RESULT_OK) break;
    }
    // Whatever ended the loop, what the program queued is sent now rather than by the next manual move.
    if (!controller_.EStopActive && controller_.EmergencyStops == stops_before && canon_.Queue() != nullptr)
        canon_.Queue()->FlushMotion();
    view_->SetExtentsShown(true);
    if (controller_.ControllerPresent) WaitForMotionComplete(controller_, panel_);
    Running = false;
    view_->DrawMachineAndTool();
    view_->RepaintToolPathView();
    view_->DrawExtents();
    interpreter_.set_program_name(name);
    if (!controller_.EStopActive) view_->LockMachineControls(false);
    ShowSilentBoard();
    view_->SetGauge(0);
    return true;
}

void ProgramRunner::ShowSilentBoard() {
    // The last poll's complaint would hide why the machine stopped.
    if (controller_.EStopActive && !controller_.Responding)
        panel_.ShowStatus(view_->Message(MsgNotResponding, NOT_RESPONDING));
}

void ProgramRunner::Next() {
    const RunOnStack on_stack(runs_on_stack_);
    std::string name;
    if (!ReadyToRun(name)) return;
    // Like GO from the first line, the first Next starts from the state in force before its preview.
    if (StartLine == 0 && !view_->RenderedViewShown()) {
        const ModalState before = SaveModalState();
        GreyPreview();
        RestoreModalState(before);
    }
    if (!controller_.ControllerPresent) return;
    view_->LockMachineControls(true);
    interpreter_.set_program_name(name);
    ManualBusy = false;
    canon_.PreviewMode = false;
    Running = true;
    if (!controller_.EStopActive) {
        interpreter_.interpret_line(Line(static_cast<std::size_t>(StartLine)));
        ++StartLine;
        view_->HighlightLine(StartLine);
        if (canon_.Queue() != nullptr) canon_.Queue()->FlushMotion();
    }
    WaitForMotionComplete(controller_, panel_);
    Running = false;
    interpreter_.set_program_name(name);
    if (!controller_.EStopActive) view_->LockMachineControls(false);
    ShowSilentBoard();
    view_->SetGauge(0);
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
        // A run stopped inside one of its waits has yet to unwind: made ready now, the rest of the
        // canonical call it was in would still reach the board.
        if (runs_on_stack_ > 0) return;
        if (LeaveEmergencyStop(controller_)) {
            view_->SetStopButton(false);
            panel_.ShowStatus(view_->Message(MsgReady, "Controller is Ready..."));
            view_->LockMachineControls(false);
        } else {
            ShowSilentBoard();
        }
        return;
    }
    // Pressed again while the machine is being switched off: every wait of the sequence ends at once.
    if (controller_.EStopEntering) {
        controller_.EStopActive = true;
        return;
    }
    controller_.EStopEntering = true;
    ++controller_.EmergencyStops;
    Running = false;
    controller_.EStopActive = true;
    controller_.Paused = false;
    // The board drops its hold with the stop; the button shows the hold, so it goes up with it.
    panel_.SetPauseButton(false);
    ManualBusy = false;
    ControllerCommand stop;
    stop.code = cmdEmergencyStop;
    controller_.ControllerDispatcher(stop);
    WaitForMotionComplete(controller_, panel_);
    if (canon_.Queue() != nullptr) canon_.Queue()->DiscardMotion();
    // The outputs are switched off with the emergency stop lifted for a moment, so that their commands
    // reach the board. A failure meanwhile ends each wait without entering the emergency stop again.
    controller_.EStopActive = false;
    panel_.ZeroFeedOverride();
    canon_.stop_spindle_turning();
    canon_.flood_off();
    canon_.mist_off();
    controller_.EStopActive = true;
    controller_.EStopEntering = false;
    panel_.ShowStatus(view_->Message(MsgEmStop, "Controller in EmStop."));
    ShowSilentBoard();
    view_->SetStopButton(true);
    view_->LockMachineControls(true);
}

}  // namespace zorvan::machine
