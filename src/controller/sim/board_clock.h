// The simulated board's sense of time. The board asks its clock once per library call how much time has
// passed and runs its motion for that long, so motion happens between calls as it would on a real board.
#pragma once

#include <chrono>
#include <thread>

namespace zorvan::controller::sim {

class BoardClock {
  public:
    virtual ~BoardClock() = default;
    // Seconds since the previous call (0 on the first).
    virtual double elapsed_s() = 0;
    // The time a position query takes to come back from the board.
    virtual void answer_position() {}
};

// Each call is a fixed slice of board time: runs are fast and the same every time.
class VirtualClock final : public BoardClock {
  public:
    explicit VirtualClock(double step_s) : step_s_(step_s > 0.0 ? step_s : 0.0) {}
    double elapsed_s() override { return step_s_; }

  private:
    double step_s_;  // seconds per call
};

// The wall clock, for the operator program: the motion keeps pace with real time.
class RealTimeClock final : public BoardClock {
  public:
    double elapsed_s() override {
        const auto now = std::chrono::steady_clock::now();
        const std::chrono::duration<double> passed = now - last_;
        last_ = now;
        return passed.count();
    }
    // A board on USB answers a query in about a millisecond; a host that polls for the end of a move
    // then polls a thousand times a second, not as fast as a core can spin.
    void answer_position() override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

  private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace zorvan::controller::sim
