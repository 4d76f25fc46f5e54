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

MachineTime EstimateMachineTime(MachineTimeRequest request) {
    controller::sim::SimSettings settings =
        controller::sim::load_sim_settings(request.config_dir / controller::sim::SIM_SETTINGS_FILE);
    settings.present = true;
    settings.faults = {};
    settings.limits = {};
    controller::sim::TimingBoard board(settings, TICK_S);

    QuietReporter errors;
    BoardRunSetup setup;
    setup.config_dir = request.config_dir;
    setup.units = request.units;
    setup.program_name = request.program_name;
    setup.errors = &errors;
    setup.preview_first = false;
    double go_s = 0, end_s = 0;
    setup.on_go = [&] { go_s = board.board_time_s(); };
    setup.on_end = [&] { end_s = board.board_time_s(); };
    if (request.line_times != nullptr) {
        request.line_times->assign(request.lines.size(), 0.0F);
        setup.on_line = [&](std::size_t index) {
            if (index < request.line_times->size())
                (*request.line_times)[index] = static_cast<float>(board.board_time_s() - go_s);
        };
    }
    if (request.cancel != nullptr) setup.cancelled = [&] { return request.cancel->load(); };
    setup.lines = std::move(request.lines);
    const BoardRunResult run = RunProgramOnBoard(board.Table(), setup);

    MachineTime time;
    time.known = run.controller_started && !run.cancelled;
    time.seconds = end_s - go_s;
    time.operator_waits = run.operator_waits;
    time.stopped = run.emergency_stop;
    time.stop_reason = run.stop_reason;
    return time;
}

}  // namespace zorvan::machine
