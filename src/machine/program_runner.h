// Running a program's lines on the machine, as the main window's GO, All, Pause(Hold) and Reset (ESTP)
// do. Free of any window, so the operator program and the headless tool run programs the same way.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/controller_dispatcher.h"
#include "machine/operator_panel.h"
#include "machine/path_record.h"
#include "machine/program_text.h"
#include "machine/travel_check.h"

namespace zorvan::machine {

// What a run shows beyond the operator panel: the tool-path view, the editor's mark, the progress
// gauge and the machine buttons. The headless tool runs without a window, so every step does nothing
// unless the window overrides it.
class RunView {
  public:
    virtual ~RunView() = default;
    // Clears the picture and refits the views to the canonical functions' path extents.
    virtual void ClearToolPathView() {}
    virtual void ClearPicture() {}
    virtual void DrawMachineAndTool() {}
    virtual void RepaintToolPathView() {}
    // Redraws the view's corner labels (its extents).
    virtual void DrawExtents() {}
    // GO stops the corner labels being redrawn on every repaint while it feeds lines.
    virtual void SetExtentsShown(bool) {}
    // Marks editor line n (1-based); 0 scrolls to the top.
    virtual void HighlightLine(int) {}
    virtual void LockMachineControls(bool) {}
    virtual void SetGauge(int) {}  // percent
    // Sets DisplayPosition (steps) without showing it.
    virtual void SetDisplayPosition(const std::array<double, 4>&) {}
    // GreyPreview draws in grey: on remembers the five view colours and sets them grey, off restores them.
    virtual void SetGreyColours(bool) {}
    virtual bool RenderedViewShown() const { return false; }
    virtual void SetStopButton(bool) {}
    // GO's grey preview found the program leaving the table, `first` the first excursion on a line that
    // will run: true runs it anyway. Without a window the program runs, as it always has.
    virtual bool RunAnyway(const TravelExcursion& /*first*/) { return true; }
    // GO is about to send program line `index` (0-based), after any wait for a pause.
    virtual void LineStarted(std::size_t /*index*/) {}
    // The text of the window's message table at entry (a language file may have replaced it); the
    // built-in text without a window.
    virtual std::string Message(int /*entry*/, std::string_view built_in) const {
        return std::string(built_in);
    }
};

// The built-in text of the message-table entry MsgNotResponding.
inline constexpr const char* NOT_RESPONDING = "Controller not responding.";

// The message-table entries a run shows.
enum RunMessage {
    MsgNoFileLoaded = 2,
    MsgPreviewCancelled = 3,
    MsgEmStop = 5,
    MsgReady = 10,
    MsgProcessing = 14,
    // Beyond the language file's entries: the board stopped answering.
    MsgNotResponding = 25
};

class ProgramRunner {
  public:
    ProgramRunner(interp::Interpreter& interpreter, Canon& canon, Controller& controller,
                  OperatorPanel& panel)
        : interpreter_(interpreter), canon_(canon), controller_(controller), panel_(panel) {}

    // The editor's lines; the text that runs is always these, never the file on disk.
    ProgramText lines;

    // The window that shows the runs; none for the headless tool.
    void SetView(RunView* view) { view_ = view != nullptr ? view : &no_view_; }
    // The travel check the previews feed (it sits between the interpreter and the canon): each preview
    // starts it afresh and tells it the editor line of every line it interprets. None without a window.
    void SetTravelCheck(TravelCheck* check) { travel_ = check; }

    // Where All keeps what a whole pass drew, to draw it again when nothing it depends on changed; none
    // without a window. The window forgets it when the program's text or the machine changes.
    void SetPathRecord(PathRecord* record) { record_ = record; }
    long ReplayedPasses = 0;  // passes drawn again from the record
    void ForgetRecordedPass();

    // Preview of the whole program (the Edit Center's All). Returns the last interpreter result.
    int All();
    // The Edit Center's previews: Next, Next 10/100/1000, To Cursor and From Cursor (caret_line 1-based),
    // Reset and Clear.
    void PreviewNext();
    void StepLines(int n);
    void ToCursor(int caret_line);
    void FromCursor(int caret_line);
    void ResetPreview();
    void Clear();
    // Runs the program on the machine from StartLine (GO). false when GO did nothing: the board did not
    // report idle, a run is going, the emergency stop is in force, no program is loaded, or its grey
    // preview found the program leaving the table and the view's RunAnyway said not to run it.
    bool Go();
    // Runs the line at StartLine on the machine and moves StartLine on (the Control Center's Next).
    void Next();
    // Holds or resumes the machine and the run.
    void PauseHold();
    // Enters (true) or leaves (false) the emergency stop of the whole machine.
    void EmergencyStop(bool on);

    // GO or Next is under way, also while a wait inside it lets the window's handlers run.
    bool RunsOnStack() const { return runs_on_stack_ > 0; }

    bool Running = false;
    // GO draws the program in grey before it runs it; a run without a window may leave that out, since
    // the state the preview leaves is put back before the first line is sent.
    bool PreviewBeforeRun = true;
    bool ManualBusy = false;
    int StartLine = 0;
    bool ControlCenter = true;  // the Control Center is the selected mode
    bool HighLight = false;     // GO marks each line as it runs

  private:
    // What the interpreter and the canonical functions hold between programs: a run from the first line
    // starts from it, not from where its own grey preview ended.
    struct ModalState {
        interp::InterpreterSettings settings;
        double LengthUnitScale;
        int LengthUnits;
        std::array<double, 3> OriginOffset;
        double ToolLengthOffset;
        double FeedRate;
        int ActivePlane;
        int MotionControlMode;
        double SpindleSpeed;
        int FloodOn, MistOn;
        int CurrentTool;
        bool operator==(const ModalState&) const = default;
    };
    // What a whole preview starts from: the interpreter's and the canon's state after the reset, where the
    // tool stands, and the program's length (its text is the window's to watch).
    struct PreviewStart {
        ModalState state{};
        std::array<double, 4> position{};
        std::size_t lines = 0;
        bool operator==(const PreviewStart&) const = default;
    };
    PreviewStart TakePreviewStart() const;
    void KeepRecordedPass(const PreviewStart& start);
    bool ReplayRecordedPass();  // false: cancelled by the emergency stop
    ModalState SaveModalState() const;
    void RestoreModalState(const ModalState& state);
    void GreyPreview();
    // The editor line at index; past the last line an empty text, which the interpreter accepts.
    std::string_view Line(std::size_t index) const {
        return index < lines.size() ? lines[index] : std::string_view();
    }
    // Interprets the lines first..last (indexes, inclusive), letting the window's messages run and the
    // gauge move every hundredth of the program; an emergency stop cancels. number_from_one counts the
    // lines as All does (i from 1 for index i - 1).
    int PreviewLoop(std::size_t first, std::size_t last, bool number_from_one);
    // The travel check's share of the previews: a new pass, and the line at index about to be interpreted.
    void RestartTravelCheck() {
        if (travel_ != nullptr) travel_->Clear();
    }
    void TravelLine(std::size_t index) {
        if (travel_ != nullptr) travel_->SetLine(static_cast<long>(index) + 1);
    }
    // The first excursion GO's grey preview found on a line that will be sent; none when there is none.
    const TravelExcursion* FirstExcursionToRun() const;
    int Gauge(std::size_t i) const;
    // The canonical position in steps becomes DisplayPosition; shown (rounded) when show is set.
    void TakeCanonicalPosition(bool show);
    bool ProgramLoaded(std::string& name);
    // The board idle, no run going, no emergency stop, a program loaded (its name given back).
    bool ReadyToRun(std::string& name);
    // In the emergency stop with a board that does not answer, the status bar says so.
    void ShowSilentBoard();

    // GO and Next are on the stack (a wait inside them lets the window's handlers run).
    struct RunOnStack {
        explicit RunOnStack(int& depth) : depth_(depth) { ++depth_; }
        ~RunOnStack() { --depth_; }
        RunOnStack(const RunOnStack&) = delete;
        RunOnStack& operator=(const RunOnStack&) = delete;
        int& depth_;
    };
    int runs_on_stack_ = 0;

    interp::Interpreter& interpreter_;
    Canon& canon_;
    Controller& controller_;
    OperatorPanel& panel_;
    RunView no_view_;
    RunView* view_ = &no_view_;
    TravelCheck* travel_ = nullptr;
    PathRecord* record_ = nullptr;
    // The recorded pass: where it started and what it left.
    PreviewStart recorded_start_{};
    ModalState recorded_end_{};
    std::array<double, 4> recorded_position_{};
    std::array<double, 6> recorded_extents_{};
    std::optional<TravelCheck> recorded_travel_;
};

}  // namespace zorvan::machine
