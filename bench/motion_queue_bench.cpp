// The look-ahead's cost per move: with contouring on and the queue full, every new move runs the
// look-ahead over all queued moves and sends the oldest.
#include <benchmark/benchmark.h>

#include "machine/motion_queue.h"

namespace {

using namespace zorvan::machine;

// A board that takes every move at once.
zorvan::controller::ZorvanApiTable accepting_board() {
    zorvan::controller::ZorvanApiTable t;
    t.LinearMove = [](std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                      std::int32_t* x, std::int32_t* y, std::int32_t* z, std::int32_t* a) {
        *x = *y = *z = *a = 0;
        return static_cast<std::uint8_t>('Z');
    };
    return t;
}

void BM_SendMotionWithAFullQueue(benchmark::State& state) {
    HeadlessOperatorPanel panel;
    Controller controller(panel, accepting_board());
    controller.ControllerPresent = true;
    MotionQueue queue(controller, panel);
    MotionParameters parameters;
    queue.SetRamp(BuildRampTable(parameters, nullptr), parameters.AccelScale);
    queue.SetContouring(1);
    // A polygon of short feeds whose direction turns a little each time, so every junction is computed.
    ControllerCommand move;
    move.code = cmdLinearMove;
    move.speed = 1000;
    move.vInX = move.vOutX = 1000;
    move.steps = 50;
    while (queue.size() < MOTION_QUEUE_CAPACITY - 1)
        queue.SendMotion(move);
    long sent = 0;
    for (auto _ : state) {
        const int turn = static_cast<int>(sent % 36);
        move.vInX = move.vOutX = 1000 - turn * 10;
        move.vInY = move.vOutY = turn * 10;
        move.steps = 50 + turn;
        queue.SendMotion(move);
        ++sent;
    }
    if (queue.size() != MOTION_QUEUE_CAPACITY - 1) state.SkipWithError("the queue did not stay full");
    state.counters["moves_per_second"] =
        benchmark::Counter(static_cast<double>(sent), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SendMotionWithAFullQueue);

}  // namespace
