// Moves wait here so that the speed each may end at can be raised where the path continues smoothly
// and lowered where the moves after it are too short to brake in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "machine/controller_command.h"
#include "machine/controller_dispatcher.h"
#include "machine/motion_parameters.h"

namespace zorvan::machine {

inline constexpr std::size_t MOTION_QUEUE_CAPACITY = 100;
inline constexpr int MIN_JUNCTION_SPEED = 20;  // steps/s

class MotionQueue {
  public:
    MotionQueue(Controller& controller, OperatorPanel& panel) : controller_(controller), panel_(panel) {
        ramp_rates_.fill(RampRate(0));  // as the empty table's entries give it
    }

    // Contouring and the ramp come from the controller start-up.
    void SetContouring(int contouring) {
        contouring_ = contouring;
        looked_ = 0;
    }
    int Contouring() const { return contouring_; }
    void SetRamp(const RampTable& table, int accel_scale);

    void SendMotion(const ControllerCommand& command);
    // Sends one command now: busy is retried while windows run, until the emergency stop; a failure
    // enters the emergency stop. false when the emergency stop cut the wait short.
    bool Dispatch(const ControllerCommand& command);
    void FlushMotion();
    void DiscardMotion() {
        queue_.clear();
        looked_ = 0;
        ++discards_;
    }
    std::size_t size() const { return queue_.size(); }
    const std::deque<ControllerCommand>& Queued() const { return queue_; }

    // The look-ahead over the queued commands (run before sending); public for its own tests.
    void LookAhead();
    int RampIndex(int speed) const;
    int RampLength(int steps) const;

  private:
    // Sends the first queued command and removes it; false when the emergency stop ended the sending.
    bool SendFirst();
    // The end speed the junction from p to q allows, before braking for what follows.
    std::int32_t JunctionSpeed(const ControllerCommand& p, const ControllerCommand& q) const;

    Controller& controller_;
    OperatorPanel& panel_;
    std::deque<ControllerCommand> queue_;
    int contouring_ = 0;
    RampTable ramp_{};
    std::array<int, RAMP_ENTRIES> ramp_rates_{};  // each entry's speed, steps/s, as RampRate gives it
    int accel_scale_ = 1;
    bool ramp_ascending_ = false;  // then RampIndex may look up the bands below
    static constexpr std::size_t RAMP_BANDS = 1024;
    std::array<std::int64_t, RAMP_ENTRIES> reach_{};  // the highest speed each entry reaches
    std::array<std::uint8_t, RAMP_BANDS + 1> band_first_{};
    std::int64_t band_width_ = 1;  // steps/s
    long discards_ = 0;            // times the queue was emptied without sending
    std::size_t looked_ = 0;       // leading commands whose end speeds the last look-ahead set
};

}  // namespace zorvan::machine
