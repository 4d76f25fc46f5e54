// A simulated board that times a program inside the program: the host's calls reach it through the same
// library table as any board, on a virtual clock of one tick per call. Where the host would call again
// and again, a move the full buffer answers busy or a position query while the board moves, the board runs
// on at once to where those calls would end, in whole ticks, so a program's time costs no retries.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

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

// A timing board that runs in a thread of its own beside the host. The calls that only hand the board
// work (moves, delays, outputs and the settings that answer nothing but acceptance) are answered at once
// with acceptance and carried out in their order by the board's thread; a call that asks the board
// something waits until the board has caught up and is then made as on a TimingBoard. The board sees the
// same calls in the same order, so its time is the same. Should the board refuse one of the calls it was
// handed, the host was answered wrongly: `diverged` is set, and the run must be timed again on a
// TimingBoard.
class PipelinedTimingBoard {
  public:
    // One per thread at a time, as a TimingBoard.
    PipelinedTimingBoard(SimSettings settings, double tick_s);
    ~PipelinedTimingBoard();
    PipelinedTimingBoard(const PipelinedTimingBoard&) = delete;
    PipelinedTimingBoard& operator=(const PipelinedTimingBoard&) = delete;

    ZorvanApiTable Table() const;
    // The board's time once it has done all it was handed.
    double board_time_s();
    // Calls `on_mark(index, board time)` in the board's thread once the board has done all it was
    // handed before this call.
    void Mark(std::size_t index);
    void SetMarkHandler(std::function<void(std::size_t, double)> on_mark) { on_mark_ = std::move(on_mark); }
    bool diverged() const { return diverged_.load(std::memory_order_acquire); }

    struct Handed;
    // The host's side: hands a call over, or waits until the board has done every call handed over.
    void HandOver(const Handed& call);
    void CatchUp();
    // A call handed over in place: the next free slot of the ring, waited for, then its handing over.
    Handed& NextSlot();
    void Commit(std::uint8_t kind);

  private:
    void Work();
    void Carry(const Handed& call);
    void Publish();  // lets the board's thread see every call handed over

    TimingBoard board_;
    std::function<void(std::size_t, double)> on_mark_;
    std::atomic<bool> diverged_{false};
    static constexpr std::uint32_t RING = 1024;   // calls handed over and not yet done, at most
    static constexpr std::uint32_t BATCH = 128;   // calls handed over before the board's thread is woken
    static constexpr std::uint32_t PUBLISH = 16;  // calls handed over before the board's thread sees them
    std::unique_ptr<Handed[]> ring_;
    // Counts that wrap; their difference is what matters. Each on a cache line of its own, as each is
    // written by one thread and read by the other.
    alignas(64) std::atomic<std::uint32_t> handed_{0};
    alignas(64) std::atomic<std::uint32_t> done_{0};
    alignas(64) std::uint32_t done_seen_ = 0;  // the host's last look at done_
    std::uint32_t handed_here_ = 0;            // the host's own count, ahead of handed_ by unpublished calls
    std::thread worker_;
};

}  // namespace zorvan::controller::sim
