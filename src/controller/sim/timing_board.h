// A simulated board that times a program inside the program: the host's calls reach it through the same
// library table as any board, on a virtual clock of one tick per call. Where the host would call again
// and again, a move the full buffer answers busy or a position query while the board moves, the board runs
// on at once to where those calls would end, in whole ticks, so a program's time costs no retries.
#pragma once

#include <memory>

#include "controller/sim/simulated_board.h"
#include "controller/zorvan_api_table.h"

namespace zorvan::controller::sim {

class TimingBoard {
  public:
    // One timing board per thread at a time: the library table holds plain functions.
    TimingBoard(SimSettings settings, double tick_s);
    ~TimingBoard();
    TimingBoard(const TimingBoard&) = delete;
    TimingBoard& operator=(const TimingBoard&) = delete;

    ZorvanApiTable Table() const;
    double board_time_s() const { return board_->board_time_s(); }
    SimulatedBoard& board() { return *board_; }

    // Before a queued command: the calls answered busy until the buffer has room.
    void MakeRoom();
    // Before a position query: the queries that would find the board still moving.
    void RunToIdle();

  private:
    class TickClock;
    void RunOnUntil(SimulatedBoard::RunUntil until);

    TickClock* clock_ = nullptr;  // owned by the board
    std::unique_ptr<SimulatedBoard> board_;
    double tick_s_;
};

}  // namespace zorvan::controller::sim
