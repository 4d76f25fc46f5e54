#include "machine/machine_time.h"

#include "controller/sim/timing_board.h"
#include "machine/board_run.h"

namespace zorvan::machine {
namespace {

// The virtual clock's tick: the time of one library call, as on `zorvannc-cli run`.
constexpr double TICK_S = 0.001;

class QuietReporter final : public interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view) override {}
};

}  // namespace

MachineTime EstimateMachineTime(const std::filesystem::path& config_dir,
                                const std::optional<std::string>& units, ProgramText lines,
                                const std::string& program_name) {
    controller::sim::SimSettings settings =
        controller::sim::load_sim_settings(config_dir / controller::sim::SIM_SETTINGS_FILE);
    settings.present = true;
    settings.faults = {};
    settings.limits = {};
    controller::sim::TimingBoard board(settings, TICK_S);

    QuietReporter errors;
    BoardRunSetup setup;
    setup.config_dir = config_dir;
    setup.units = units;
    setup.program_name = program_name;
    setup.lines = std::move(lines);
    setup.errors = &errors;
    setup.preview_first = false;
    double go_s = 0, end_s = 0;
    setup.on_go = [&] { go_s = board.board_time_s(); };
    setup.on_end = [&] { end_s = board.board_time_s(); };
    const BoardRunResult run = RunProgramOnBoard(board.Table(), setup);

    MachineTime time;
    time.known = run.controller_started;
    time.seconds = end_s - go_s;
    time.operator_waits = run.operator_waits;
    time.stopped = run.emergency_stop;
    time.stop_reason = run.stop_reason;
    return time;
}

}  // namespace zorvan::machine
