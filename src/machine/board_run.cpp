#include "machine/board_run.h"

#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/machine_startup.h"
#include "machine/manual_control.h"
#include "machine/program_runner.h"

namespace zorvan::machine {
namespace {

// Times in a row the board may refuse to resume a program stop before the run is stopped, and times
// Reset (ESTP) and GO are pressed before the run is given up.
constexpr int MOST_REFUSED_RESUMES = 10;
constexpr int MOST_PRESSES = 10;

// What a run without a window shows: nothing, but it passes on the lines GO takes and checks for a
// cancel whenever the progress gauge would move.
class HeadlessRunView final : public RunView {
  public:
    std::function<void(std::size_t)> on_line;
    std::function<void()> on_gauge;
    void LineStarted(std::size_t index) override {
        if (on_line) on_line(index);
    }
    void SetGauge(int) override {
        if (on_gauge) on_gauge();
    }
};

}  // namespace

BoardRunResult RunProgramOnBoard(const std::optional<controller::ZorvanApiTable>& api, BoardRunSetup& setup) {
    BoardRunResult result;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    Controller controller(panel, api);
    if (setup.observer != nullptr) controller.SetObserver(setup.observer);
    Canon canon(panel, sink, &controller);
    interp::Interpreter interpreter(canon, *setup.errors, setup.config_dir);
    ProgramRunner runner(interpreter, canon, controller, panel);
    runner.PreviewBeforeRun = setup.preview_first;
    HeadlessRunView view;
    view.on_line = setup.on_line;
    if (setup.cancelled) {
        view.on_gauge = [&] {
            if (result.cancelled || !setup.cancelled()) return;
            result.cancelled = true;
            runner.EmergencyStop(true);
        };
    }
    runner.SetView(&view);
    panel.backlash_offsets = &canon.BacklashDisplayOffset;
    // Why the machine stopped: the last of the board's complaints, a silent board or a tool length that
    // could not be measured, as the status bar shows them.
    panel.on_status = [&result, &controller](std::string_view text) {
        const auto& messages = controller.StatusMessages();
        for (int m = MsgCommandSyntaxError; m <= MsgControllerNotInited; ++m) {
            if (text == messages[static_cast<std::size_t>(m)]) result.stop_reason = std::string(text);
        }
        if (text == NOT_RESPONDING || text == TOOL_NOT_MEASURED) result.stop_reason = text;
    };
    panel.on_emergency_stop = [&runner](bool on) { runner.EmergencyStop(on); };
    // A program's S word moves the spindle slider, whose handler sets the board's PWM output as the
    // operator program's does; the call bypasses the dispatcher.
    panel.on_spindle_slider = [&controller](int percent) { SetSpindlePwm(controller, percent); };
    // A program stop is resumed at once, as if the operator pressed Pause(Hold) again; a board that
    // will not resume is stopped, as the operator would, rather than waited for without end.
    int refused_resumes = 0;
    panel.on_process_messages = [&] {
        if (!runner.Running || !controller.Paused) return;
        if (refused_resumes == 0) ++result.operator_waits;
        runner.PauseHold();
        refused_resumes = controller.Paused ? refused_resumes + 1 : 0;
        if (refused_resumes >= MOST_REFUSED_RESUMES) runner.EmergencyStop(true);
    };

    StartInterpreter(setup.config_dir, setup.units, interpreter, canon);
    if (!StartController(setup.config_dir, controller, canon, panel)) return result;
    result.controller_started = true;
    canon.PreviewMode = false;
    runner.EmergencyStop(true);
    // The operator presses Reset (ESTP) again while the board answers busy, and GO again while it has
    // not reported idle yet; a board that never does is stopped rather than reported as having run.
    for (int press = 0; press < MOST_PRESSES && controller.EStopActive && controller.Responding; ++press)
        runner.EmergencyStop(false);

    runner.lines = std::move(setup.lines);
    interpreter.set_program_name(setup.program_name);
    if (setup.on_go) setup.on_go();
    bool ran = false;
    for (int press = 0; press < MOST_PRESSES && !ran && !controller.EStopActive; ++press)
        ran = runner.Go();
    if (!ran && !controller.EStopActive) {
        result.stop_reason = NEVER_IDLE;
        runner.EmergencyStop(true);
    }
    if (setup.on_end) setup.on_end();

    std::int32_t* s = result.steps.data();
    controller.Api()->GetPosition(&s[0], &s[1], &s[2], &s[3]);
    result.emergency_stop = controller.EStopActive;
    result.modal_messages = std::move(panel.modal_messages);
    return result;
}

}  // namespace zorvan::machine
