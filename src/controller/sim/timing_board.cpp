#include "controller/sim/timing_board.h"

#include <cmath>

#include "controller/sim/board_calls.h"

namespace zorvan::controller::sim {
namespace {

thread_local TimingBoard* current = nullptr;

struct CurrentBoard {
    static SimulatedBoard& board() { return current->board(); }
    static void before_queue() { current->MakeRoom(); }
    static void before_poll() { current->RunToIdle(); }
};

// Runs longer than this are taken in pieces, so that the board's time keeps its precision.
constexpr double PIECE_S = 60.0;

}  // namespace

// A tick per call, except that the next call may be told to take the rest of a tick already begun.
class TimingBoard::TickClock final : public BoardClock {
  public:
    explicit TickClock(double tick_s) : tick_s_(tick_s) {}
    double elapsed_s() override {
        const double s = next_s_ >= 0 ? next_s_ : tick_s_;
        next_s_ = -1;
        return s;
    }
    void set_next(double s) { next_s_ = s; }

  private:
    double tick_s_;
    double next_s_ = -1;
};

TimingBoard::TimingBoard(SimSettings settings, double tick_s) : tick_s_(tick_s > 0 ? tick_s : 0.001) {
    auto clock = std::make_unique<TickClock>(tick_s_);
    clock_ = clock.get();
    board_ = std::make_unique<SimulatedBoard>(std::move(settings), std::move(clock));
    current = this;
}

TimingBoard::~TimingBoard() {
    if (current == this) current = nullptr;
}

ZorvanApiTable TimingBoard::Table() const {
    return BoardCalls<CurrentBoard>::Table();
}

void TimingBoard::MakeRoom() {
    if (board_->queued() >= static_cast<std::size_t>(board_->settings().buffer_depth))
        RunOnUntil(SimulatedBoard::RunUntil::Room);
}

void TimingBoard::RunToIdle() {
    if (!board_->idle()) RunOnUntil(SimulatedBoard::RunUntil::Idle);
}

// The host's calls each begin with a tick of motion and then look; the call that finds what it waits for
// is the first whose tick ends at or after the moment it came. The board runs to that moment now, and
// the next call takes the rest of its tick.
void TimingBoard::RunOnUntil(SimulatedBoard::RunUntil until) {
    double ran = 0;
    for (;;) {
        const double piece = board_->run_until(PIECE_S, until);
        ran += piece;
        if (piece < PIECE_S) break;
    }
    if (ran <= 0) return;
    const double ticks = std::max(1.0, std::ceil(ran / tick_s_ - 1e-9));
    clock_->set_next(std::max(0.0, ticks * tick_s_ - ran));
}

}  // namespace zorvan::controller::sim
