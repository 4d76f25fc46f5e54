#include "app/cli_run.h"

#include <dlfcn.h>

#include <cstdio>
#include <optional>

#include "app/cli_commands.h"
#include "app/trace_canon.h"
#include "config/text_file.h"
#include "controller/zorvan_api_table.h"
#include "machine/machine_startup.h"
#include "machine/manual_control.h"
#include "machine/program_runner.h"

namespace zorvan::app {
namespace {

using machine::ControllerCommand;

// Times in a row the board may refuse to resume a program stop before the run is stopped, and times
// Reset (ESTP) and GO are pressed before the run is given up.
constexpr int MOST_REFUSED_RESUMES = 10;
constexpr int MOST_PRESSES = 10;
constexpr const char* NEVER_IDLE = "the board never reported idle; nothing was run";

constexpr const char* RUN_USAGE =
    "usage: zorvannc-cli run [--config-dir DIR] [--units G20|G21] [--realtime] FILE\n";

// One line per command handed to the dispatcher: its name and the record fields its library call takes,
// in the call's order. Position queries are left out, and a command the board answered busy is printed
// once however often it is retried.
class CommandPrinter final : public machine::DispatchObserver {
  public:
    explicit CommandPrinter(TraceOutput& out) : out_(out) {}
    bool enabled = false;

    void Dispatching(const ControllerCommand& c) override {
        if (!enabled || c.code == machine::cmdGetPosition) return;
        if (last_busy_ && c == last_) return;
        Print(c);
    }
    void Dispatched(const ControllerCommand& c, machine::DispatchResult result) override {
        if (c.code == machine::cmdGetPosition) return;
        last_ = c;
        last_busy_ = result == machine::Busy;
    }

  private:
    void Field(const char* name, long long value) {
        out_.append(" ");
        out_.append(name);
        out_.append("=");
        out_.append_int(value);
    }
    void Print(const ControllerCommand& c) {
        using namespace machine;
        switch (c.code) {
            case cmdSetArcDirection:
                out_.append("cmdSetArcDirection");
                Field("option", c.option);
                break;
            case cmdGetFirmwareVersion:
                out_.append("cmdGetFirmwareVersion");
                break;
            case cmdReset:
                out_.append("cmdReset");
                break;
            case cmdPause:
                out_.append("cmdPause");
                break;
            case cmdContinue:
                out_.append("cmdContinue");
                break;
            case cmdEndCurrentMove:
                out_.append("cmdEndCurrentMove");
                break;
            case cmdEmergencyStop:
                out_.append("cmdEmergencyStop");
                break;
            case cmdSetPosition:
                out_.append("cmdSetPosition");
                Field("x", c.x), Field("y", c.y), Field("z", c.z), Field("a", c.a),
                    Field("axisMask", c.axisMask);
                break;
            case cmdSetOutput:
                out_.append("cmdSetOutput");
                Field("axisMask", c.axisMask), Field("option", c.option);
                break;
            case cmdDelay:
                out_.append("cmdDelay seconds=");
                out_.append_real(c.seconds);
                break;
            case cmdLinearMove:
            case cmdRapidMove:
                out_.append(c.code == cmdLinearMove ? "cmdLinearMove" : "cmdRapidMove");
                Field("x", c.x), Field("y", c.y), Field("z", c.z), Field("a", c.a);
                Field("speed", c.speed), Field("endSpeed", c.endSpeed);
                break;
            case cmdArcCW:
            case cmdArcCCW:
                out_.append(c.code == cmdArcCW ? "cmdArcCW" : "cmdArcCCW");
                Field("arcRadius", c.arcRadius), Field("x", c.x), Field("y", c.y);
                Field("arcEndX", c.arcEndX), Field("arcEndY", c.arcEndY);
                Field("speed", c.speed), Field("endSpeed", c.endSpeed), Field("quadrant", c.quadrant);
                break;
            case cmdHome:
                out_.append("cmdHome");
                Field("axisMask", c.axisMask), Field("option", c.option), Field("speed", c.speed);
                break;
            case cmdSetFeedOverride:
                out_.append("cmdSetFeedOverride");
                Field("speed", c.speed);
                break;
            case cmdSetMaxSps:
                out_.append("cmdSetMaxSps");
                Field("speed", c.speed), Field("option", c.option), Field("quadrant", c.quadrant);
                break;
            case cmdIndexMove:
                out_.append("cmdIndexMove");
                Field("x", c.x), Field("y", c.y), Field("z", c.z), Field("a", c.a);
                Field("speed", c.speed), Field("axisMask", c.axisMask);
                break;
            case cmdReadInputs:
                out_.append("cmdReadInputs");
                break;
            case cmdTweakZ:
                out_.append("cmdTweakZ");
                Field("speed", c.speed);
                break;
            case cmdSetProbePolarity:
                out_.append("cmdSetProbePolarity");
                Field("option", c.option);
                break;
            default:
                out_.append("command");
                Field("code", c.code);
                break;
        }
        out_.append("\n");
    }

    TraceOutput& out_;
    ControllerCommand last_;
    bool last_busy_ = false;
};

// The simulated board's own set-up calls, found only when the library is the simulated board.
void prepare_simulated_board(const std::filesystem::path& library, const std::filesystem::path& config_dir,
                             bool realtime) {
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return;
    using LoadSettings = int (*)(const char*);
    using UseVirtualClock = void (*)(double);
    using UseRealClock = void (*)();
    if (auto load = reinterpret_cast<LoadSettings>(::dlsym(handle, "ZorvanSimLoadSettings"))) {
        load((config_dir / "ZorvanSim.Ini").c_str());
    }
    if (realtime) {
        if (auto real = reinterpret_cast<UseRealClock>(::dlsym(handle, "ZorvanSimUseRealClock"))) real();
    } else if (auto virtual_clock =
                   reinterpret_cast<UseVirtualClock>(::dlsym(handle, "ZorvanSimUseVirtualClock"))) {
        virtual_clock(0.001);
    }
}

}  // namespace

int run_on_board_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ProgramRunOptions options;
    bool realtime = false;
    if (!parse_program_options(args, 0, options, &realtime)) {
        std::fputs(RUN_USAGE, err);
        return EXIT_USAGE;
    }
    const auto text = config::read_text_file(options.file);
    if (!text) {
        std::fprintf(err, "zorvannc-cli: cannot read %s\n", options.file.string().c_str());
        return EXIT_USAGE;
    }

    TraceOutput output(out);
    TraceErrorReporter errors(output);
    CommandPrinter printer(output);
    const std::filesystem::path library = executable_dir() / controller::ZORVAN_API_LIBRARY;
    std::string why;
    auto api = controller::load_zorvan_api(library, &why);
    if (api) prepare_simulated_board(library, options.config_dir, realtime);

    machine::HeadlessOperatorPanel panel;
    machine::NullToolPathSink sink;
    machine::Controller controller(panel, api);
    controller.SetObserver(&printer);
    machine::Canon canon(panel, sink, &controller);
    interp::Interpreter interpreter(canon, errors, options.config_dir);
    machine::ProgramRunner runner(interpreter, canon, controller, panel);
    panel.backlash_offsets = &canon.BacklashDisplayOffset;
    // Why the machine stopped: the last of the board's complaints, a silent board or a tool length that
    // could not be measured, as the status bar shows them.
    std::string last_status;
    panel.on_status = [&last_status, &controller](std::string_view text) {
        const auto& messages = controller.StatusMessages();
        for (int m = machine::MsgCommandSyntaxError; m <= machine::MsgControllerNotInited; ++m) {
            if (text == messages[static_cast<std::size_t>(m)]) last_status = std::string(text);
        }
        if (text == machine::NOT_RESPONDING || text == machine::TOOL_NOT_MEASURED) last_status = text;
    };
    panel.on_emergency_stop = [&runner](bool on) { runner.EmergencyStop(on); };
    // A program's S word moves the spindle slider, whose handler sets the board's PWM output as the
    // operator program's does; the call bypasses the dispatcher, so it is not printed.
    panel.on_spindle_slider = [&controller](int percent) { machine::SetSpindlePwm(controller, percent); };
    // A program stop is resumed at once, as if the operator pressed Pause(Hold) again; a board that
    // will not resume is stopped, as the operator would, rather than waited for without end.
    int refused_resumes = 0;
    panel.on_process_messages = [&] {
        if (!runner.Running || !controller.Paused) return;
        runner.PauseHold();
        refused_resumes = controller.Paused ? refused_resumes + 1 : 0;
        if (refused_resumes >= MOST_REFUSED_RESUMES) runner.EmergencyStop(true);
    };

    machine::StartInterpreter(options.config_dir, options.units, interpreter, canon);
    if (!machine::StartController(options.config_dir, controller, canon, panel)) {
        output.flush();
        std::fprintf(err, "zorvannc-cli: Controller not detected...%s%s\n", why.empty() ? "" : " ",
                     why.c_str());
        return EXIT_USAGE;
    }
    canon.PreviewMode = false;
    runner.EmergencyStop(true);
    // The operator presses Reset (ESTP) again while the board answers busy, and GO again while it has
    // not reported idle yet; a board that never does is stopped rather than reported as having run.
    for (int press = 0; press < MOST_PRESSES && controller.EStopActive && controller.Responding; ++press)
        runner.EmergencyStop(false);

    printer.enabled = true;
    runner.lines = program_lines(*text);
    interpreter.set_program_name(options.file.string());
    bool ran = false;
    for (int press = 0; press < MOST_PRESSES && !ran && !controller.EStopActive; ++press)
        ran = runner.Go();
    if (!ran && !controller.EStopActive) {
        last_status = NEVER_IDLE;
        runner.EmergencyStop(true);
    }

    std::int32_t steps[4] = {0, 0, 0, 0};
    controller.Api()->GetPosition(&steps[0], &steps[1], &steps[2], &steps[3]);
    output.append("position x=");
    output.append_int(steps[0]);
    output.append(" y=");
    output.append_int(steps[1]);
    output.append(" z=");
    output.append_int(steps[2]);
    output.append(" a=");
    output.append_int(steps[3]);
    output.append("\n");
    output.flush();
    // What the operator program would show in message boxes.
    for (const std::string& message : panel.modal_messages)
        std::fprintf(err, "zorvannc-cli: %s\n", message.c_str());
    if (controller.EStopActive) {
        // Why the machine stopped is the status bar's last word.
        std::fprintf(err, "zorvannc-cli: the run ended in the emergency stop: %s\n", last_status.c_str());
        return EXIT_EMERGENCY_STOP;
    }
    return errors.count() == 0 ? EXIT_CLEAN : EXIT_REPORTED_ERROR;
}

}  // namespace zorvan::app
