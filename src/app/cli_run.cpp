#include "app/cli_run.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <utility>

#include "app/cli_commands.h"
#include "app/trace_canon.h"
#include "controller/zorvan_api_table.h"
#include "machine/board_run.h"

namespace zorvan::app {
namespace {

using machine::ControllerCommand;

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

// The simulated board's own set-up calls, found only when the library is the simulated board. Returns
// the board's own clock, when it tells it.
using BoardTime = double (*)();
BoardTime prepare_simulated_board(const std::filesystem::path& library,
                                  const std::filesystem::path& config_dir, bool realtime) {
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return nullptr;
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
    return reinterpret_cast<BoardTime>(::dlsym(handle, "ZorvanSimBoardTime"));
}

double wall_clock_s() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int run_on_board_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    ProgramRunOptions options;
    bool realtime = false;
    if (!parse_program_options(args, 0, options, &realtime)) {
        std::fputs(RUN_USAGE, err);
        return EXIT_USAGE;
    }
    auto lines = read_program_file(options.file);
    if (!lines) {
        std::fprintf(err, "zorvannc-cli: cannot read %s\n", options.file.string().c_str());
        return EXIT_USAGE;
    }

    TraceOutput output(out);
    TraceErrorReporter errors(output);
    CommandPrinter printer(output);
    const std::filesystem::path library = executable_dir() / controller::ZORVAN_API_LIBRARY;
    std::string why;
    auto api = controller::load_zorvan_api(library, &why);
    BoardTime board_time = nullptr;
    if (api) board_time = prepare_simulated_board(library, options.config_dir, realtime);
    // The run's time on the board's own clock, which is the virtual one unless --realtime; a board
    // library that keeps no clock of its own is timed by the wall clock.
    const auto now_s = [board_time] { return board_time != nullptr ? board_time() : wall_clock_s(); };
    double go_s = 0, end_s = 0;

    machine::BoardRunSetup setup;
    setup.config_dir = options.config_dir;
    setup.units = options.units;
    setup.program_name = options.file.string();
    setup.lines = std::move(*lines);
    setup.errors = &errors;
    setup.observer = &printer;
    setup.on_go = [&] {
        printer.enabled = true;
        go_s = now_s();
    };
    setup.on_end = [&] { end_s = now_s(); };
    const machine::BoardRunResult result = machine::RunProgramOnBoard(api, setup);
    if (!result.controller_started) {
        output.flush();
        std::fprintf(err, "zorvannc-cli: Controller not detected...%s%s\n", why.empty() ? "" : " ",
                     why.c_str());
        return EXIT_USAGE;
    }

    output.append("position x=");
    output.append_int(result.steps[0]);
    output.append(" y=");
    output.append_int(result.steps[1]);
    output.append(" z=");
    output.append_int(result.steps[2]);
    output.append(" a=");
    output.append_int(result.steps[3]);
    output.append("\n");
    output.flush();
    std::fprintf(out, "time s: %.4f\n", end_s - go_s);
    // What the operator program would show in message boxes.
    for (const std::string& message : result.modal_messages)
        std::fprintf(err, "zorvannc-cli: %s\n", message.c_str());
    if (result.emergency_stop) {
        // Why the machine stopped is the status bar's last word.
        std::fprintf(err, "zorvannc-cli: the run ended in the emergency stop: %s\n",
                     result.stop_reason.c_str());
        return EXIT_EMERGENCY_STOP;
    }
    return errors.count() == 0 ? EXIT_CLEAN : EXIT_REPORTED_ERROR;
}

}  // namespace zorvan::app
