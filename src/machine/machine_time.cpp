#include "machine/machine_time.h"

#include <type_traits>

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

// The run on one kind of timing board. Gives back false when the pipelined board's host was answered
// otherwise than the board answered, so that the run must be made again on a plain board.
template <class Board>
bool RunOn(Board& board, const MachineTimeRequest& request, MachineTime& time) {
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
    std::vector<float>* line_times = request.line_times;
    if (line_times != nullptr) line_times->assign(request.lines.size(), 0.0F);
    const auto note_line = [&go_s, line_times](std::size_t index, double board_s) {
        if (index < line_times->size()) (*line_times)[index] = static_cast<float>(board_s - go_s);
    };
    constexpr bool pipelined = std::is_same_v<Board, controller::sim::PipelinedTimingBoard>;
    if constexpr (pipelined) {
        // The board's thread notes when it reached each line; a board that refused a call gives the run up.
        if (line_times != nullptr) {
            board.SetMarkHandler(note_line);
            setup.on_line = [&board](std::size_t index) { board.Mark(index); };
        }
        setup.cancelled = [&] {
            return board.diverged() || (request.cancel != nullptr && request.cancel->load());
        };
    } else {
        if (line_times != nullptr)
            setup.on_line = [&](std::size_t index) { note_line(index, board.board_time_s()); };
        if (request.cancel != nullptr) setup.cancelled = [&] { return request.cancel->load(); };
    }
    setup.lines = request.lines;  // the program's lines are shared, not copied
    const BoardRunResult run = RunProgramOnBoard(board.Table(), setup);
    if constexpr (pipelined) {
        if (board.diverged()) return false;
    }
    time.known = run.controller_started && !run.cancelled;
    time.seconds = end_s - go_s;
    time.operator_waits = run.operator_waits;
    time.stopped = run.emergency_stop;
    time.stop_reason = run.stop_reason;
    return true;
}

}  // namespace

MachineTime EstimateMachineTime(MachineTimeRequest request) {
    controller::sim::SimSettings settings =
        controller::sim::load_sim_settings(request.config_dir / controller::sim::SIM_SETTINGS_FILE);
    settings.present = true;
    settings.faults = {};
    settings.limits = {};
    MachineTime time;
    // The host and the board each take a core; a run the board answered otherwise than the host was told
    // is made again with the board in the host's thread.
    if (request.board_thread) {
        controller::sim::PipelinedTimingBoard board(settings, TICK_S);
        if (RunOn(board, request, time)) return time;
    }
    controller::sim::TimingBoard board(settings, TICK_S);
    RunOn(board, request, time);
    return time;
}

}  // namespace zorvan::machine
