// The simulated board's throughput on the virtual clock: short straight moves of simulated motion run to
// their end per second of CPU, fed as a host feeds them (queue until busy, let the board run, repeat).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "controller/sim/simulated_board.h"

namespace {

using zorvan::controller::sim::Counters;
using zorvan::controller::sim::SimSettings;
using zorvan::controller::sim::SimulatedBoard;
using zorvan::controller::sim::VirtualClock;
namespace status = zorvan::controller::sim::status;

constexpr int MOVES = 10000;
constexpr std::int32_t MOVE_STEPS = 200;  // 2 mm at 100 steps/mm, ramped at both ends

void BM_SimulatedBoardShortMoves(benchmark::State& state) {
    double simulated_s = 0.0;
    for (auto _ : state) {
        SimulatedBoard board(SimSettings{}, std::make_unique<VirtualClock>(0.0));
        std::int32_t port = 0;
        board.reset(&port, 27);
        board.set_acceleration(5000, 1000, 100, 1);
        for (int sent = 0; sent < MOVES;) {
            // A zigzag: X out and back, Y creeping on, so every move ramps from and to a stop.
            const Counters target = {sent % 2 == 0 ? MOVE_STEPS : 0, sent / 2, 0, 0};
            if (board.linear_move(target, 1000, 0) == status::BUSY) {
                board.advance(0.05);
            } else {
                ++sent;
            }
        }
        while (!board.idle())
            board.advance(1.0);
        simulated_s += board.board_time_s();
        benchmark::DoNotOptimize(board.counters());
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["moves_per_second"] = benchmark::Counter(MOVES * iterations, benchmark::Counter::kIsRate);
    state.counters["steps_per_second"] =
        benchmark::Counter(double{MOVE_STEPS} * MOVES * iterations, benchmark::Counter::kIsRate);
    state.counters["simulated_s_per_run"] = simulated_s / iterations;
}
BENCHMARK(BM_SimulatedBoardShortMoves)->Unit(benchmark::kMillisecond);

}  // namespace
