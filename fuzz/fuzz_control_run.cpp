// A whole control-mode run on the simulated board's virtual clock: the first bytes choose the board's
// faults (busy answers, time-outs, a failing move, a board that dies, switches, its buffer) and the
// contouring, the rest is the program that GO runs. Whatever the board does, GO returns, the machine is
// either ready or in a finished emergency stop, and no sanitizer speaks.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "controller/ZorvanAPI.h"
#include "controller/sim/zorvan_api_sim.h"
#include "machine/canon.h"
#include "machine/machine_startup.h"
#include "machine/program_runner.h"

namespace {

using namespace zorvan;

class QuietReporter final : public interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view) override {}
};

controller::ZorvanApiTable simulated_board_table() {
    controller::ZorvanApiTable t;
    t.Reset = &::ZorvanReset;
    t.GetFirmwareVersion = &::ZorvanGetFirmwareVersion;
    t.SetAccelleration = &::ZorvanSetAccelleration;
    t.SetMaxSPS = &::ZorvanSetMaxSPS;
    t.SetArcDirection = &::ZorvanSetArcDirection;
    t.SetPosition = &::ZorvanSetPosition;
    t.GetPosition = &::ZorvanGetPosition;
    t.LinearMove = &::ZorvanLinearMove;
    t.RapidMove = &::ZorvanRapidMove;
    t.IndexMove = &::ZorvanIndexMove;
    t.QuadrantArcMoveCW = &::ZorvanQuadrantArcMoveCW;
    t.QuadrantArcMoveCCW = &::ZorvanQuadrantArcMoveCCW;
    t.Delay = &::ZorvanDelay;
    t.SetOutput = &::ZorvanSetOutput;
    t.Home = &::ZorvanHome;
    t.SetFeedOverride = &::ZorvanSetFeedOverride;
    t.TweakZAxis = &::ZorvanTweakZAxis;
    t.SetProbePolarity = &::ZorvanSetProbePolarity;
    t.SetPWMOutput = &::ZorvanSetPWMOutput;
    t.ReadInputs = &::ZorvanReadInputs;
    t.Pause = &::ZorvanPause;
    t.Continue = &::ZorvanContinue;
    t.EndCurrentMove = &::ZorvanEndCurrentMove;
    t.EmStop = &::ZorvanEmStop;
    return t;
}

// Machines with four axes, a tool-length sensor, a measuring tool change, and contouring off, on, or
// limiting the junction jump; made once per process.
constexpr int CONTOURING[] = {0, 1, 50};

std::filesystem::path machine_folder(int contouring) {
    static std::filesystem::path root;
    if (root.empty()) {
        char pattern[] = "/tmp/zorvan-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) std::abort();
        root = pattern;
        for (const int c : CONTOURING) {
            const auto dir = root / std::to_string(c);
            std::filesystem::create_directories(dir);
            std::ofstream(dir / "ZorvanNC.Ini") << "[TRAJ]\nAXES=4\nMAXSPS=2000\nHOMING_VEL=2000\n"
                                                << "[CONTROLLER]\nCONTOURING=" << c << "\n";
            std::ofstream(dir / "ToolChange.Cfg")
                << "[SENSOR]\nSensorHeight=10\nLocationX=5\nLocationY=5\n"
                << "[Tool1]\nPICKUP0=G0 Z5\nPICKUP1=*!*\n[Tool2]\nPLACE0=G0 X1\nPICKUP0=*!*\n";
        }
    }
    return root / std::to_string(contouring);
}

std::uint8_t take(std::string_view& bytes) {
    if (bytes.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(bytes.front());
    bytes.remove_prefix(1);
    return b;
}

// The board's settings from the leading bytes. A board that answers busy to every call of a kind is left
// out: that is a wait for the operator, which the run's patience below stands in for.
std::string board_settings(std::string_view& bytes) {
    static const char* const kinds[] = {"MOVE", "POSITION", "OUTPUT", "ANY"};
    static const int statuses[] = {-51, -49, -48, -47, -44, -43, -42, -41, -40, -39, -38, -2, -1, 0, 90, 200};
    std::string s = "[BOARD]\nCLOCK=VIRTUAL\nTICK=0.001\n";
    s += "BUFFER=" + std::to_string(1 + take(bytes) % 100) + "\n";
    s += "[FAULTS]\n";
    const std::uint8_t timeout = take(bytes), busy = take(bytes), kinds_byte = take(bytes);
    if (timeout >= 128) s += "TIMEOUT_EVERY=" + std::to_string(1 + timeout % 40) + "\n";
    s += std::string("TIMEOUT_ON=") + kinds[kinds_byte % 4] + "\n";
    if (busy >= 128) s += "BUSY_EVERY=" + std::to_string(2 + busy % 8) + "\n";
    s += std::string("BUSY_ON=") + kinds[(kinds_byte >> 2) % 4] + "\n";
    const std::uint8_t fail = take(bytes), fail_status = take(bytes);
    if (fail >= 200) s += "FAIL_MOVE=" + std::to_string(1 + fail % 50) + "\n";
    s += "FAIL_STATUS=" + std::to_string(statuses[fail_status % 16]) + "\n";
    const std::uint8_t dead_high = take(bytes), dead_low = take(bytes);
    if (dead_high >= 192) s += "DEAD_AFTER=" + std::to_string(1 + (dead_high % 8) * 256 + dead_low) + "\n";
    const std::uint8_t probe = take(bytes), travel = take(bytes), limits = take(bytes);
    if (probe >= 100) {
        s += "[PROBE]\nTRIP_Z=" + std::to_string(-static_cast<int>(probe) * 20) + "\n";
        s += "HYSTERESIS=" + std::to_string(travel >= 250 ? 1000000 : travel * 4) + "\n";
    }
    if (limits >= 100) {
        const int far = 200 + (limits % 64) * 100;
        s += "[LIMITS]\nX_MIN=" + std::to_string(-far) + "\nX_MAX=" + std::to_string(far) +
             "\nY_MAX=" + std::to_string(far) + "\nZ_MIN=" + std::to_string(-3 * far) + "\n";
    }
    return s;
}

// Position polls and pause looks an operator waits through before pressing Reset (ESTP): long programs
// and dwells are not what this target is after.
constexpr long PATIENCE = 300000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int contouring = CONTOURING[take(bytes) % 3];
    const std::string settings = board_settings(bytes);
    ::ZorvanSimLoadSettingsText(settings.c_str());
    const std::filesystem::path folder = machine_folder(contouring);

    machine::HeadlessOperatorPanel panel;
    machine::NullToolPathSink sink;
    machine::Controller controller(panel, simulated_board_table());
    machine::Canon canon(panel, sink, &controller);
    QuietReporter reporter;
    interp::Interpreter interpreter(canon, reporter, folder);
    machine::ProgramRunner runner(interpreter, canon, controller, panel);
    panel.backlash_offsets = &canon.BacklashDisplayOffset;
    panel.on_emergency_stop = [&runner](bool on) { runner.EmergencyStop(on); };
    long looks = 0;
    panel.on_process_messages = [&] {
        if (++looks > PATIENCE && !controller.EStopActive) runner.EmergencyStop(true);
        if (runner.Running && controller.Paused) runner.PauseHold();
    };

    machine::StartInterpreter(folder, std::nullopt, interpreter, canon);
    if (!machine::StartController(folder, controller, canon, panel)) return 0;
    canon.PreviewMode = false;
    runner.EmergencyStop(true);
    if (controller.EStopEntering || !controller.EStopActive) __builtin_trap();
    runner.EmergencyStop(false);

    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        runner.lines.push_back(bytes.substr(0, end));
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    }
    interpreter.set_program_name("fuzz.ngc");
    runner.Go();

    // GO came back: nothing runs, no stop is half done, and a stopped machine holds nothing to send.
    if (runner.Running || controller.EStopEntering) __builtin_trap();
    if (controller.EStopActive && canon.Queue()->size() != 0) __builtin_trap();
    // A board that does not answer is never made ready by Reset (ESTP).
    if (controller.EStopActive && !controller.Responding) {
        runner.EmergencyStop(false);
        if (!controller.EStopActive && !controller.Responding) __builtin_trap();
    }
    return 0;
}
