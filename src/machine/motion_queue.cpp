#include "machine/motion_queue.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zorvan::machine {

bool MotionQueue::Dispatch(const ControllerCommand& command) {
    // The command is copied: the windows that run while the board is busy may empty the queue it came
    // from (an emergency stop) and even leave the emergency stop again.
    const ControllerCommand c = command;
    const long stops = controller_.EmergencyStops;
    DispatchResult result = controller_.ControllerDispatcher(c);
    while (result == Busy) {
        panel_.ProcessMessages();
        if (controller_.EStopActive || controller_.EmergencyStops != stops) return false;
        result = controller_.ControllerDispatcher(c);
    }
    // A limit switch has entered the emergency stop already; that is not entered twice.
    if (result == Failed) controller_.RaiseEmergencyStop();
    return true;
}

bool MotionQueue::SendFirst() {
    const ControllerCommand first = queue_.front();
    const long discards = discards_;
    const bool sent = Dispatch(first);
    // Emptied while the board was busy: what was queued is gone, the first command with it.
    if (discards_ != discards) return false;
    // A failed send enters the emergency stop and the command leaves the queue as if sent.
    if (sent) {
        queue_.pop_front();
        if (looked_ > 0) --looked_;
    }
    return sent && !controller_.EStopActive;
}

void MotionQueue::SendMotion(const ControllerCommand& command) {
    if (controller_.EStopActive) return;
    if (contouring_ <= 0) {
        Dispatch(command);
        return;
    }
    queue_.push_back(command);
    if (queue_.size() < MOTION_QUEUE_CAPACITY) return;
    LookAhead();
    SendFirst();
}

void MotionQueue::FlushMotion() {
    if (controller_.EStopActive) {
        DiscardMotion();
        return;
    }
    if (contouring_ != 0) LookAhead();
    while (!queue_.empty()) {
        if (!SendFirst()) return;
    }
}

int MotionQueue::RampLength(int steps) const {
    const int length = accel_scale_ != 0 ? steps / accel_scale_ : steps;
    return std::min(length, RAMP_ENTRIES - 1);
}

namespace {

// The timer value the board is sent for a speed (steps/s, not 0); it grows with the speed.
long ReloadOf(std::int64_t speed) {
    // rint rounds as nearbyint does (ties to even) and is worked out in place, not called.
    return 65562L - static_cast<long>(std::rint(1250000.0 / static_cast<double>(speed)));
}

// Above this speed every reload value is the largest, 65562: 1250000 / speed rounds to 0.
constexpr std::int64_t FASTEST_REACH = 2500000;

}  // namespace

void MotionQueue::SetRamp(const RampTable& table, int accel_scale) {
    looked_ = 0;
    ramp_ = table;
    accel_scale_ = accel_scale;
    for (std::size_t i = 0; i < ramp_.size(); ++i)
        ramp_rates_[i] = RampRate(ramp_[i]);
    ramp_ascending_ = std::is_sorted(ramp_.begin(), ramp_.end());
    if (!ramp_ascending_) return;
    // For each entry the highest speed whose reload value it reaches, so that a speed is placed without
    // working out its reload value; and where in that list each band of speeds begins.
    for (std::size_t i = 1; i < ramp_.size(); ++i) {
        std::int64_t low = 1, high = FASTEST_REACH;  // low is reached; the answer is no more than high
        while (low < high) {
            const std::int64_t mid = low + (high - low + 1) / 2;
            if (ReloadOf(mid) <= ramp_[i]) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        reach_[i] = low;
    }
    band_width_ = reach_[ramp_.size() - 1] / RAMP_BANDS + 1;
    std::size_t first = 1;
    for (std::size_t band = 0; band <= RAMP_BANDS; ++band) {
        while (first < ramp_.size() && reach_[first] < static_cast<std::int64_t>(band) * band_width_)
            ++first;
        band_first_[band] = static_cast<std::uint8_t>(first);
    }
}

int MotionQueue::RampIndex(int speed) const {
    if (speed == 0) return 0;
    const std::int64_t s = std::abs(static_cast<std::int64_t>(speed));
    if (ramp_ascending_) {
        // The first entry from 1 on that reaches the speed's reload value, found from the band the speed
        // falls in: the look-ahead asks this for every queued move on every send.
        if (s > reach_[ramp_.size() - 1]) return RAMP_ENTRIES - 1;
        std::size_t i = band_first_[static_cast<std::size_t>(s / band_width_)];
        while (reach_[i] < s)
            ++i;
        return static_cast<int>(i) - 1;
    }
    const long x = ReloadOf(s);
    for (int i = 1; i < RAMP_ENTRIES; ++i) {
        if (ramp_[static_cast<std::size_t>(i)] >= x) return i - 1;
    }
    return RAMP_ENTRIES - 1;
}

// What stays true: no move ends faster than it runs, a junction is entered no faster than the velocity
// jump between the two moves allows, the last queued move ends at rest, and every move can still brake
// to the end speed the next one needs within the next one's own ramp length.
//
// Each end speed follows from its own junction and the end speed after it, so the pass runs from the
// back and stops at the first command whose end speed is the one the previous pass gave it: everything
// before it is then unchanged too. The result is the same as a full pass over the queue.
void MotionQueue::LookAhead() {
    if (!controller_.ControllerPresent || contouring_ == 0 || queue_.empty()) {
        looked_ = 0;
        return;
    }
    const std::size_t n = queue_.size();
    // Commands before `looked_` hold the end speeds of the previous pass; the last of them ended at rest
    // then and has a successor now.
    const std::size_t fresh_from = looked_ > 0 ? looked_ - 1 : 0;
    queue_[n - 1].endSpeed = 0;
    for (std::size_t i = n - 1; i-- > 0;) {
        ControllerCommand& p = queue_[i];
        const ControllerCommand& q = queue_[i + 1];
        std::int32_t end = JunctionSpeed(p, q);
        const int k = std::min(RampLength(q.steps) + RampIndex(q.endSpeed), RAMP_ENTRIES - 1);
        const int v = ramp_rates_[static_cast<std::size_t>(k)];
        if (v < end) end = std::max(v, MIN_JUNCTION_SPEED);
        if (i < fresh_from && end == p.endSpeed) break;
        p.endSpeed = end;
    }
    looked_ = n;
}

std::int32_t MotionQueue::JunctionSpeed(const ControllerCommand& p, const ControllerCommand& q) const {
    const long jump = std::max({std::labs(static_cast<long>(p.vOutX) - q.vInX),
                                std::labs(static_cast<long>(p.vOutY) - q.vInY),
                                std::labs(static_cast<long>(p.vOutZ) - q.vInZ)});
    long g = p.speed - jump;
    if (contouring_ > 1 && jump > contouring_) g = MIN_JUNCTION_SPEED;
    if (g < MIN_JUNCTION_SPEED) g = MIN_JUNCTION_SPEED;
    return static_cast<std::int32_t>(std::min<long>(g, p.speed));
}

}  // namespace zorvan::machine
