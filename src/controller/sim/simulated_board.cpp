#include "controller/sim/simulated_board.h"

#include <algorithm>
#include <cmath>

#include "controller/sim/board_items.h"

namespace zorvan::controller::sim {

SimulatedBoard::SimulatedBoard(SimSettings settings, std::unique_ptr<BoardClock> clock)
    : settings_(std::move(settings)), clock_(std::move(clock)) {
    if (!clock_) clock_ = std::make_unique<RealTimeClock>();
    restore_power_on_setup();
    sensor_pressed_ = sensor_touched(counters_, false);
}

SimulatedBoard::~SimulatedBoard() = default;

void SimulatedBoard::restore_power_on_setup() {
    acceleration_sps2_ = 5000.0;
    max_sps_ = 1000.0;
    start_velocity_sps_ = 100.0;
    accel_scale_ = 1;
    axis_count_ = 4;
    arc_code_ = 3;
    probe_polarity_ = 0;
    override_value_ = 0;
    override_factor_ = 1.0;
    ramp_ = std::make_unique<StepRamp>(acceleration_sps2_, max_sps_, start_velocity_sps_, accel_scale_);
}

// ---- call prologue -------------------------------------------------------------------------------------

bool SimulatedBoard::unplugged() {
    const int dead_after = settings_.faults.dead_after;
    if (!unplugged_ && dead_after > 0 && ++calls_made_ > dead_after) unplugged_ = true;
    return unplugged_;
}

std::optional<std::uint8_t> SimulatedBoard::enter(Call call) {
    if (unplugged()) return TIMED_OUT;
    run(clock_->elapsed_s());
    if (!settings_.present || !initialised_) return NOT_INITIALISED;

    ++any_calls_;
    if (call == Call::Move) ++move_calls_;
    if (call == Call::Position) ++position_calls_;
    if (call == Call::Output) ++output_calls_;
    const auto count_for = [&](CallKind kind) {
        switch (kind) {
            case CallKind::Move:
                return call == Call::Move ? move_calls_ : 0;
            case CallKind::Position:
                return call == Call::Position ? position_calls_ : 0;
            case CallKind::Output:
                return call == Call::Output ? output_calls_ : 0;
            case CallKind::Any:
                return any_calls_;
        }
        return 0;
    };
    const FaultPlan& f = settings_.faults;
    if (f.timeout_every > 0) {
        const int n = count_for(f.timeout_on);
        if (n > 0 && n % f.timeout_every == 0) return TIMED_OUT;
    }
    if (f.busy_every > 0) {
        const int n = count_for(f.busy_on);
        if (n > 0 && n % f.busy_every == 0) return status::BUSY;
    }
    if (f.fail_move > 0 && call == Call::Move && move_calls_ == f.fail_move) return f.fail_status;

    if (pending_) {
        const std::uint8_t s = *pending_;
        pending_.reset();
        return s;
    }
    return std::nullopt;
}

std::uint8_t SimulatedBoard::queue_command(const Command& command) {
    if (queue_.size() >= static_cast<std::size_t>(settings_.buffer_depth)) return status::BUSY;
    queue_.push_back(command);
    run(0.0);  // an idle board starts it now
    return status::ACCEPTED;
}

// ---- set-up --------------------------------------------------------------------------------------------

std::uint8_t SimulatedBoard::reset(std::int32_t* port, std::int32_t mode) {
    (void)port;  // the simulated board has no port to choose
    if (unplugged()) return TIMED_OUT;
    run(clock_->elapsed_s());
    if (!settings_.present) return NO_SUCH_PORT;
    if (mode != RESET_MODE) return SYNTAX_ERROR;
    stop_all(std::nullopt);
    pending_.reset();
    paused_ = false;
    estop_latched_ = false;
    outputs_ = 0;
    pwm_percent_ = 0;
    restore_power_on_setup();
    move_calls_ = position_calls_ = output_calls_ = any_calls_ = 0;
    initialised_ = true;
    return status::ACCEPTED;
}

double SimulatedBoard::firmware_version() {
    if (unplugged()) return 0.0;
    run(clock_->elapsed_s());
    return settings_.present ? settings_.firmware_version : 0.0;
}

std::uint8_t SimulatedBoard::set_acceleration(std::int32_t acceleration, std::int32_t max_sps,
                                              std::int32_t start_velocity, std::uint8_t accel_scale) {
    if (auto s = enter(Call::Other)) return *s;
    if (acceleration <= 0 || max_sps <= 0 || start_velocity <= 0) return SYNTAX_ERROR;
    if (!idle()) return status::BUSY;
    acceleration_sps2_ = acceleration;
    max_sps_ = std::min<double>(max_sps, FASTEST_STEP_SPS);
    start_velocity_sps_ = start_velocity;
    accel_scale_ = accel_scale;
    ramp_ = std::make_unique<StepRamp>(acceleration_sps2_, max_sps_, start_velocity_sps_, accel_scale_);
    set_feed_override_value(override_value_);
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::set_max_sps(std::int32_t max_sps, std::int32_t axis_count,
                                         std::uint8_t invert_step_pulse, std::uint8_t reserved) {
    // A simulated step has no pulse to invert, and the last byte means nothing to this board.
    (void)invert_step_pulse;
    (void)reserved;
    if (auto s = enter(Call::Other)) return *s;
    if (max_sps <= 0 || axis_count < 1 || axis_count > 4) return SYNTAX_ERROR;
    if (!idle()) return status::BUSY;
    max_sps_ = std::min<double>(max_sps, FASTEST_STEP_SPS);
    axis_count_ = axis_count;
    ramp_ = std::make_unique<StepRamp>(acceleration_sps2_, max_sps_, start_velocity_sps_, accel_scale_);
    set_feed_override_value(override_value_);
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::set_arc_direction(std::uint8_t code) {
    if (auto s = enter(Call::Other)) return *s;
    if (code > 3) return SYNTAX_ERROR;
    arc_code_ = code;
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::set_position(const Counters& position, std::uint8_t axis_mask) {
    if (auto s = enter(Call::Other)) return *s;
    if (axis_mask == 0 || axis_mask > 15) return SYNTAX_ERROR;
    if (!idle()) return status::BUSY;
    for (std::size_t i = 0; i < 4; ++i) {
        if (axis_mask & (1u << i)) counters_[i] = position[i];
    }
    // The sensor sits at fixed counts, so new counts can put the tool on it or off it.
    sensor_pressed_ = sensor_touched(counters_, sensor_pressed_);
    return status::ACCEPTED;
}

void SimulatedBoard::set_feed_override_value(std::int32_t value) {
    const double period_ticks = STEP_TIMER_HZ / max_sps_;
    const double v = std::clamp<double>(value, -19.0 * period_ticks, period_ticks - SHORTEST_STEP_TICKS);
    override_value_ = value;
    override_factor_ = period_ticks / (period_ticks - v);
}

std::uint8_t SimulatedBoard::set_feed_override(std::int32_t value) {
    if (auto s = enter(Call::Other)) return *s;
    set_feed_override_value(value);
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::set_probe_polarity(std::uint8_t polarity) {
    if (auto s = enter(Call::Other)) return *s;
    if (polarity > 1) return SYNTAX_ERROR;
    probe_polarity_ = polarity;
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::set_pwm_output(std::uint8_t percent) {
    if (unplugged()) return TIMED_OUT;
    run(clock_->elapsed_s());
    if (!settings_.present || !initialised_) return NOT_INITIALISED;
    pwm_percent_ = std::min<std::uint8_t>(percent, 100);
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::read_inputs() {
    if (unplugged()) return 0;
    run(clock_->elapsed_s());
    if (!settings_.present || !initialised_) return 0;
    std::uint8_t bits = sensor_pressed_ ? 1 : 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const AxisSwitches& sw = settings_.limits[i];
        if ((sw.min_steps && counters_[i] <= *sw.min_steps) ||
            (sw.max_steps && counters_[i] >= *sw.max_steps)) {
            bits |= static_cast<std::uint8_t>(1u << (i + 1));
        }
    }
    if (estop_input_) bits |= 1u << 5;
    return bits;
}

// ---- queued commands -----------------------------------------------------------------------------------

std::uint8_t SimulatedBoard::linear_move(const Counters& target, std::int32_t speed, std::int32_t end_speed) {
    if (auto s = enter(Call::Move)) return *s;
    if (motion_refused()) return IN_ESTOP;
    if (speed <= 0 || end_speed < 0) return SYNTAX_ERROR;
    Command c;
    c.kind = Command::Kind::Straight;
    c.target = target;
    c.speed_sps = speed;
    c.end_speed_sps = end_speed;
    return queue_command(c);
}

std::uint8_t SimulatedBoard::rapid_move(const Counters& target, std::int32_t speed, std::int32_t end_speed) {
    return linear_move(target, speed, end_speed);
}

std::uint8_t SimulatedBoard::index_move(const Counters& target, std::int32_t speed, std::uint8_t axis_mask) {
    if (auto s = enter(Call::Move)) return *s;
    if (motion_refused()) return IN_ESTOP;
    if (speed <= 0 || axis_mask == 0 || axis_mask > 15) return SYNTAX_ERROR;
    Command c;
    c.kind = Command::Kind::Index;
    c.target = target;
    c.mask = axis_mask;
    c.speed_sps = speed;
    return queue_command(c);
}

std::uint8_t SimulatedBoard::arc_move(bool counter_clockwise, std::int32_t radius, std::int32_t start_x,
                                      std::int32_t start_y, std::int32_t end_x, std::int32_t end_y,
                                      std::int32_t speed, std::int32_t end_speed, std::uint8_t quadrant) {
    if (auto s = enter(Call::Move)) return *s;
    if (motion_refused()) return IN_ESTOP;
    if (speed <= 0 || end_speed < 0 || quadrant < 1 || quadrant > 4 || radius <= 0) return SYNTAX_ERROR;
    if (start_x < 0 || start_y < 0 || end_x < 0 || end_y < 0) return SYNTAX_ERROR;
    if ((start_x == 0 && start_y == 0) || (end_x == 0 && end_y == 0)) return SYNTAX_ERROR;
    // The arc stays in its quadrant: the end must lie the commanded way round from the start (within half
    // a step at the radius, which rounding of the offsets may cost).
    const double sweep = quadrant_angle(quadrant, end_x, end_y) - quadrant_angle(quadrant, start_x, start_y);
    const double tolerance = 0.5 / std::hypot(static_cast<double>(start_x), static_cast<double>(start_y));
    if (counter_clockwise ? sweep < -tolerance : sweep > tolerance) return SYNTAX_ERROR;
    Command c;
    c.kind = Command::Kind::Arc;
    c.counter_clockwise = counter_clockwise;
    c.start_x = start_x;
    c.start_y = start_y;
    c.end_x = end_x;
    c.end_y = end_y;
    c.quadrant = quadrant;
    c.arc_code = arc_code_;
    c.speed_sps = speed;
    c.end_speed_sps = end_speed;
    return queue_command(c);
}

std::uint8_t SimulatedBoard::delay(double seconds) {
    if (auto s = enter(Call::Move)) return *s;
    if (motion_refused()) return IN_ESTOP;
    if (!(seconds >= 0.0) || !std::isfinite(seconds)) return SYNTAX_ERROR;
    Command c;
    c.kind = Command::Kind::Delay;
    c.seconds = seconds;
    return queue_command(c);
}

std::uint8_t SimulatedBoard::set_output(std::uint8_t output, std::uint8_t state) {
    if (auto s = enter(Call::Output)) return *s;
    if (motion_refused()) return IN_ESTOP;
    if (output == 0) return SYNTAX_ERROR;
    Command c;
    c.kind = Command::Kind::Output;
    c.output = output;
    c.state = state;
    return queue_command(c);
}

std::uint8_t SimulatedBoard::home(std::uint8_t axis_mask, std::uint8_t direction_bits, std::int32_t speed) {
    if (auto s = enter(Call::Move)) return *s;
    if (motion_refused()) return IN_ESTOP;
    if (speed <= 0 || axis_mask == 0 || axis_mask > 15) return SYNTAX_ERROR;
    Command c;
    c.kind = Command::Kind::Home;
    c.mask = axis_mask;
    c.directions = direction_bits;
    c.speed_sps = speed;
    return queue_command(c);
}

std::uint8_t SimulatedBoard::tweak_z(std::int32_t steps) {
    if (auto s = enter(Call::Move)) return *s;
    if (motion_refused()) return IN_ESTOP;
    Command c;
    c.kind = Command::Kind::Tweak;
    c.tweak_steps = steps;
    return queue_command(c);
}

// ---- run control ---------------------------------------------------------------------------------------

std::uint8_t SimulatedBoard::get_position() {
    clock_->answer_position();
    if (auto s = enter(Call::Position)) return *s;
    estop_latched_ = false;  // the host has seen the board's state after its emergency stop
    return idle() ? status::IDLE : status::ACCEPTED;
}

std::uint8_t SimulatedBoard::pause() {
    if (auto s = enter(Call::Other)) return *s;
    paused_ = true;
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::resume() {
    if (auto s = enter(Call::Other)) return *s;
    if (motion_refused()) return IN_ESTOP;
    paused_ = false;
    if (motion_ && motion_->braking) {
        // Climb again from wherever the braking got to.
        motion_->braking = false;
        motion_->climb_from = motion_->last_index;
        motion_->climb_n = motion_->n;
    }
    run(0.0);
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::end_current_move() {
    if (auto s = enter(Call::Other)) return *s;
    if (running_) {
        running_.reset();
        motion_ = nullptr;
        carry_index_ = 0;
        last_rate_sps_ = 0.0;
        run(0.0);
    }
    return status::ACCEPTED;
}

std::uint8_t SimulatedBoard::emergency_stop() {
    if (unplugged()) return TIMED_OUT;
    run(clock_->elapsed_s());
    if (!settings_.present || !initialised_) return NOT_INITIALISED;
    stop_all(std::nullopt);
    pending_.reset();
    paused_ = false;
    outputs_ = 0;
    pwm_percent_ = 0;
    estop_latched_ = true;
    return status::ACCEPTED;
}

void SimulatedBoard::set_estop_input(bool held) {
    if (unplugged_) return;  // a board without power sees no switch
    if (held && !estop_input_) {
        stop_all(std::nullopt);
        pending_.reset();
        paused_ = false;
        outputs_ = 0;
        pwm_percent_ = 0;
    }
    estop_input_ = held;
}

void SimulatedBoard::use_clock(std::unique_ptr<BoardClock> clock) {
    if (clock) clock_ = std::move(clock);
}

void SimulatedBoard::advance(double seconds) {
    run(seconds);
}

bool SimulatedBoard::idle() const {
    return !running_ && queue_.empty();
}

double SimulatedBoard::current_rate_sps() const {
    return motion_ && motion_->step_due ? last_rate_sps_ : 0.0;
}

}  // namespace zorvan::controller::sim
