// The board's motion engine: runs the queue over board time one dominant-axis step at a time, as the
// board's step timer would, with the ramp, the pause, the feed override and the switches.
#include <algorithm>
#include <cmath>

#include "controller/sim/board_items.h"
#include "controller/sim/simulated_board.h"

namespace zorvan::controller::sim {

void SimulatedBoard::run(double seconds) {
    run_until(seconds, RunUntil::TimeUsed);
}

double SimulatedBoard::run_until(double seconds, RunUntil until) {
    if (unplugged_) return 0.0;  // a board without power moves nothing, ever again
    const double given = seconds > 0.0 && std::isfinite(seconds) ? seconds : 0.0;
    double budget = given;
    const auto reached = [&] {
        if (until == RunUntil::Room) return queue_.size() < static_cast<std::size_t>(settings_.buffer_depth);
        if (until == RunUntil::Idle) return idle();
        return false;
    };
    for (;;) {
        if (reached()) break;
        if (!running_) {
            if (paused_ || queue_.empty()) break;
            start_next();
            continue;
        }
        if (!motion_) {  // a delay, which a pause holds
            if (paused_) break;
            if (budget + TIME_EPSILON_S < delay_left_s_) {
                delay_left_s_ -= budget;
                budget = 0.0;
                break;
            }
            budget = std::max(0.0, budget - delay_left_s_);
            finish_command();
            continue;
        }
        Motion& m = *motion_;
        if (!m.step_due && m.free_running && !paused_ && m.n < m.steps) {
            if (!run_block(budget)) break;
            continue;
        }
        if (!m.step_due) {
            if (m.n >= m.steps) {
                refresh_counters();
                // Ending as closed as it began (a back-off too short to open the sensor) is reported as
                // a stop on the sensor, so that the host backs off again.
                if (m.began_on_probe && probe_closed(sensor_pressed_)) {
                    stop_all(PROBE_SWITCH);
                } else {
                    finish_command();
                }
                continue;
            }
            const double rate = next_step_rate();
            if (rate <= 0.0) break;  // braked to a hold by a pause
            m.wait_s = 1.0 / rate;
            m.step_due = true;
            last_rate_sps_ = rate;
        }
        if (budget + TIME_EPSILON_S < m.wait_s) {
            m.wait_s -= budget;
            budget = 0.0;
            break;
        }
        budget = std::max(0.0, budget - m.wait_s);
        m.step_due = false;
        take_step();
    }
    refresh_counters();
    const double used = given - budget;
    board_time_s_ += until == RunUntil::TimeUsed ? given : used;
    return until == RunUntil::TimeUsed ? given : used;
}

// Steps of a motion that can meet no switch run a whole stretch of equal rate at once: the ramp entry
// changes only every steps_per_entry steps, and at the ceiling not at all, so a long move at speed costs
// a few stretches rather than a loop turn per step. The steps and their times are the ones the step loop
// would take.
bool SimulatedBoard::run_block(double& budget) {
    Motion& m = *motion_;
    const std::int64_t per_entry = ramp_->steps_per_entry();
    const std::int64_t climbed = m.climb_from + (m.n - m.climb_n) / per_entry;
    const std::int64_t brake_room = m.end_index + (m.steps - 1 - m.n) / per_entry;
    // Every entry from `m.ceiling_reached` up runs at the ceiling and stands at the ceiling's entry.
    const std::int64_t capped = std::min<std::int64_t>(StepRamp::TOP, m.ceiling_reached);
    const bool ramp_rates =
        override_factor_ > 0 && ramp_->rate_sps(StepRamp::TOP) * override_factor_ <= FASTEST_STEP_SPS;
    if (ramp_rates && climbed < std::min(brake_room, capped)) return run_ramp(budget, true);
    if (ramp_rates && brake_room < std::min(climbed, capped)) return run_ramp(budget, false);
    const std::int64_t key = std::min({climbed, brake_room, capped});
    std::int64_t end = m.steps;
    if (climbed == key && key < capped) end = std::min(end, m.n + per_entry - (m.n - m.climb_n) % per_entry);
    if (key > m.end_index) end = std::min(end, std::max(m.n + 1, m.steps - (key - m.end_index) * per_entry));
    const std::int64_t k = std::min<std::int64_t>({climbed, brake_room, StepRamp::TOP});
    m.last_index = static_cast<int>(std::min<std::int64_t>(k, m.ceiling_index));
    const double rate = std::min(
        std::min(ramp_->rate_sps(static_cast<int>(k)), m.ceiling_sps) * override_factor_, FASTEST_STEP_SPS);
    last_rate_sps_ = rate;
    const double wait = 1.0 / rate;
    const std::int64_t stretch = end - m.n;
    const double fit = std::floor((budget + TIME_EPSILON_S) / wait);
    const std::int64_t taken = fit >= static_cast<double>(stretch) ? stretch : static_cast<std::int64_t>(fit);
    budget = std::max(0.0, budget - static_cast<double>(taken) * wait);
    m.n += taken;
    // Nothing looks at the counters between stretches: they are brought up to date where the run stops
    // inside the motion and where the motion ends.
    if (taken == stretch && m.n < m.steps) return true;
    counters_ = position_at(m.n);
    if (taken == stretch) return true;
    m.step_due = true;
    m.wait_s = wait - budget;
    budget = 0.0;
    return false;
}

// A climb or a brake below the ceiling: each step runs at its ramp entry's rate, the entry moving one
// up (or down) every steps_per_entry steps, so the time of any number of its steps is a difference of
// the ramp's running sums. Where the climb ends and how many steps fit the budget follow from those sums
// and the entry arithmetic, not from walking the steps.
bool SimulatedBoard::run_ramp(double& budget, bool climbing) {
    Motion& m = *motion_;
    const std::int64_t per_entry = ramp_->steps_per_entry();
    const std::int64_t capped = std::min<std::int64_t>(StepRamp::TOP, m.ceiling_reached);
    // Steps counted from where the entries start: the climb's first step, or the move's last one.
    const std::int64_t base = climbing ? m.climb_from : m.end_index;
    const auto entry_of = [&](std::int64_t n) {
        return climbing ? m.climb_from + (n - m.climb_n) / per_entry
                        : m.end_index + (m.steps - 1 - n) / per_entry;
    };
    // Seconds of the first x steps counted from `base`, at override 1.
    const auto sum = [&](std::int64_t x) {
        const std::int64_t e = base + x / per_entry;
        const double whole = static_cast<double>(per_entry) * (ramp_->inverse_sum(static_cast<int>(e)) -
                                                               ramp_->inverse_sum(static_cast<int>(base)));
        const std::int64_t part = x % per_entry;
        return part == 0 ? whole : whole + static_cast<double>(part) / ramp_->rate_sps(static_cast<int>(e));
    };
    // The steps of this stretch: a climb ends where it meets the brake or the ceiling, a brake at the end.
    const std::int64_t last =
        climbing ? climb_end(m.climb_from, m.climb_n, m.end_index, m.steps, capped, per_entry) : m.steps;
    const std::int64_t stretch = last - m.n;
    const double factor = 1.0 / override_factor_;
    const std::int64_t from = climbing ? m.n - m.climb_n : m.steps - m.n;
    const double sum_from = sum(from);
    const auto seconds = [&](std::int64_t j) {
        return (climbing ? sum(from + j) - sum_from : sum_from - sum(from - j)) * factor;
    };
    const double limit = budget + TIME_EPSILON_S;
    std::int64_t taken = stretch;
    if (seconds(stretch) > limit) {
        // The steps that fit: first reckoned from the ramp's running sums, then confirmed or found by
        // halves with the same sums, so that the count is the one the step loop would reach.
        const double edge =
            climbing ? sum_from + limit * override_factor_ : sum_from - limit * override_factor_;
        const double base_sum = ramp_->inverse_sum(static_cast<int>(base));
        const int e = ramp_->last_entry_within(edge / static_cast<double>(per_entry) + base_sum,
                                               static_cast<int>(base));
        const double into =
            (edge - static_cast<double>(per_entry) * (ramp_->inverse_sum(e) - base_sum)) * ramp_->rate_sps(e);
        const double part = std::clamp(climbing ? std::floor(into) : std::ceil(into), 0.0,
                                       static_cast<double>(per_entry - 1));
        const std::int64_t x = (e - base) * per_entry + static_cast<std::int64_t>(part);
        const std::int64_t guess = std::clamp<std::int64_t>(climbing ? x - from : from - x, 0, stretch - 1);
        std::int64_t low = 0, high = stretch;  // low fits, high does not
        if (guess >= 2 && seconds(guess - 2) <= limit) low = guess - 2;
        if (guess + 3 < stretch && seconds(guess + 3) > limit) high = guess + 3;
        while (high - low > 1) {
            const std::int64_t mid = low + (high - low) / 2;
            (seconds(mid) <= limit ? low : high) = mid;
        }
        taken = low;
    }
    const double spent = seconds(taken);
    if (taken > 0) {
        const std::int64_t e = entry_of(m.n + taken - 1);
        m.last_index = static_cast<int>(std::min<std::int64_t>(e, m.ceiling_index));
        last_rate_sps_ = ramp_->rate_sps(static_cast<int>(e)) * override_factor_;
    }
    m.n += taken;
    if (taken == stretch) {
        budget = std::max(0.0, budget - spent);
        if (m.n >= m.steps) counters_ = position_at(m.n);
        return true;
    }
    counters_ = position_at(m.n);
    // The step now due stands at its own entry, as the step loop would have scheduled it.
    const std::int64_t due = entry_of(m.n);
    m.last_index = static_cast<int>(std::min<std::int64_t>(due, m.ceiling_index));
    const double rate = ramp_->rate_sps(static_cast<int>(due)) * override_factor_;
    last_rate_sps_ = rate;
    m.step_due = true;
    m.wait_s = std::max(0.0, 1.0 / rate - (budget - spent));
    budget = 0.0;
    return false;
}

void SimulatedBoard::start_next() {
    const Command c = queue_.front();
    queue_.pop_front();
    switch (c.kind) {
        case Command::Kind::Output:
            if (c.state != 0) {
                outputs_ |= c.output;
            } else {
                outputs_ &= static_cast<std::uint8_t>(~c.output);
            }
            carry_index_ = 0;
            return;
        case Command::Kind::Delay:
            running_ = c;
            delay_left_s_ = c.seconds;
            carry_index_ = 0;
            return;
        default:
            running_ = c;
            if (!start_motion(c)) stop_all(SYNTAX_ERROR);
            return;
    }
}

bool SimulatedBoard::start_motion(const Command& c) {
    Motion built{};
    Motion* const m = &built;
    for (std::size_t i = 0; i < 4; ++i)
        m->from[i] = m->to[i] = counters_[i];
    const std::size_t driven = static_cast<std::size_t>(axis_count_);
    double speed_sps = c.speed_sps;
    double end_sps = 0.0;  // stop
    switch (c.kind) {
        case Command::Kind::Straight:
            for (std::size_t i = 0; i < driven; ++i)
                m->to[i] = c.target[i];
            end_sps = c.end_speed_sps;
            break;
        case Command::Kind::Index:
            for (std::size_t i = 0; i < driven; ++i) {
                if (c.mask & (1u << i)) m->to[i] = c.target[i];
            }
            break;
        case Command::Kind::Tweak:
            m->to[2] = m->from[2] + c.tweak_steps;
            if (!in_counter_range(m->to[2])) return false;
            speed_sps = start_velocity_sps_;
            break;
        case Command::Kind::Home:
            m->homing = true;
            m->home_mask = c.mask;
            m->home_directions = c.directions;
            for (std::size_t i = 0; i < driven; ++i) {
                if (!(c.mask & (1u << i))) continue;
                const bool up = (c.directions & (1u << i)) != 0;
                const auto& edge = up ? settings_.limits[i].max_steps : settings_.limits[i].min_steps;
                if (!edge) {
                    m->to[i] = 0;
                } else {
                    m->to[i] = up ? std::max<std::int64_t>(m->from[i], *edge)
                                  : std::min<std::int64_t>(m->from[i], *edge);
                }
            }
            end_sps = speed_sps;  // homing runs into its switch
            break;
        case Command::Kind::Arc: {
            const int sign_x = (c.quadrant == 1 || c.quadrant == 4) ? 1 : -1;
            const int sign_y = (c.quadrant == 1 || c.quadrant == 2) ? 1 : -1;
            m->arc = true;
            m->mirror_x = (c.arc_code == 0 || c.arc_code == 2) ? -1 : 1;
            m->mirror_y = (c.arc_code == 1 || c.arc_code == 2) ? -1 : 1;
            const std::int64_t sx = std::int64_t{sign_x} * c.start_x, sy = std::int64_t{sign_y} * c.start_y;
            const std::int64_t ex = std::int64_t{sign_x} * c.end_x, ey = std::int64_t{sign_y} * c.end_y;
            m->centre_x = m->from[0] - m->mirror_x * sx;
            m->centre_y = m->from[1] - m->mirror_y * sy;
            m->to[0] = m->centre_x + m->mirror_x * ex;
            m->to[1] = m->centre_y + m->mirror_y * ey;
            if (!in_counter_range(m->to[0]) || !in_counter_range(m->to[1])) return false;
            m->angle0 = quadrant_angle(c.quadrant, c.start_x, c.start_y);
            m->sweep = quadrant_angle(c.quadrant, c.end_x, c.end_y) - m->angle0;
            m->radius0 = std::hypot(static_cast<double>(sx), static_cast<double>(sy));
            m->radius1 = std::hypot(static_cast<double>(ex), static_cast<double>(ey));
            end_sps = c.end_speed_sps;
            break;
        }
        case Command::Kind::Delay:
        case Command::Kind::Output:
            return true;
    }
    for (std::size_t i = 0; i < 4; ++i)
        m->steps = std::max(m->steps, std::abs(m->to[i] - m->from[i]));

    m->ceiling_sps = std::min(speed_sps, max_sps_);
    const StepRamp::Place ceiling = ramp_->place_of(m->ceiling_sps);
    m->ceiling_index = ceiling.at_or_below;
    m->end_index = end_sps >= m->ceiling_sps
                       ? StepRamp::TOP
                       : ramp_->index_at_or_below(std::max(end_sps, start_velocity_sps_));
    m->climb_from = carry_index_;
    m->climb_n = 0;
    m->last_index = std::min(carry_index_, m->ceiling_index);
    m->began_on_probe = probe_closed(sensor_pressed_);
    m->ceiling_reached = ceiling.first_at_or_above;
    m->free_running = meets_no_switch(*m);
    if (!motion_store_) motion_store_ = std::make_unique<Motion>();
    *motion_store_ = built;
    motion_ = motion_store_.get();
    // A move further onto a closed switch is stopped before it takes a step; one that meets no switch
    // stands on none.
    if (motion_->steps > 0 && !motion_->free_running) {
        const auto stop = switch_stop(counters_, position_at(1));
        if (stop && !stop->step_taken) stop_all(stop->status);
    }
    return true;
}

// The ramp entry of the next step is the lowest of: the climb since the move (or the resume) began, the
// entry from which the steps left still brake down to the end speed, the top of the ramp and, during a
// pause, the braking towards the hold. The step runs at that entry's rate, no faster than the move's speed.
double SimulatedBoard::next_step_rate() {
    Motion& m = *motion_;
    const std::int64_t per_entry = ramp_->steps_per_entry();
    const std::int64_t climbed = m.climb_from + (m.n - m.climb_n) / per_entry;
    const std::int64_t brake_room = m.end_index + (m.steps - 1 - m.n) / per_entry;
    std::int64_t k = std::min<std::int64_t>({climbed, brake_room, StepRamp::TOP});
    if (paused_) {
        if (!m.braking) {
            m.braking = true;
            m.brake_from = m.last_index;
            m.brake_n = m.n;
        }
        const std::int64_t braked = m.brake_from - 1 - (m.n - m.brake_n) / per_entry;
        if (braked < 0) return 0.0;
        k = std::min(k, braked);
    }
    m.last_index = static_cast<int>(std::min<std::int64_t>(k, m.ceiling_index));
    const double rate = std::min(ramp_->rate_sps(static_cast<int>(k)), m.ceiling_sps) * override_factor_;
    return std::min(rate, FASTEST_STEP_SPS);
}

bool SimulatedBoard::take_step() {
    Motion& m = *motion_;
    // A step that can meet no switch is only counted; the counters catch up where the run stops.
    if (m.free_running) {
        ++m.n;
        counters_behind_ = true;
        return true;
    }
    const Counters before = counters_;
    const Counters after = position_at(m.n + 1);
    const auto stop = switch_stop(before, after);
    if (!stop || stop->step_taken) {
        sensor_pressed_ = sensor_touched(after, sensor_pressed_);
        counters_ = after;
        ++m.n;
    }
    if (stop) {
        stop_all(stop->status);
        return false;
    }
    return true;
}

void SimulatedBoard::refresh_counters() {
    if (!counters_behind_) return;
    counters_behind_ = false;
    if (motion_) counters_ = position_at(motion_->n);
}

bool SimulatedBoard::meets_no_switch(const Motion& m) const {
    if (m.homing || probe_polarity_ != 0 || sensor_pressed_) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        std::int64_t low = std::min(m.from[i], m.to[i]), high = std::max(m.from[i], m.to[i]);
        if (m.arc && i < 2) {
            // The whole circle, a step wider for rounding: an arc's steps stay inside it.
            const std::int64_t r = static_cast<std::int64_t>(std::ceil(std::max(m.radius0, m.radius1))) + 1;
            const std::int64_t centre = i == 0 ? m.centre_x : m.centre_y;
            low = centre - r, high = centre + r;
        }
        if (low == high) continue;
        const auto& limits = settings_.limits[i];
        if (limits.max_steps && high >= *limits.max_steps) return false;
        if (limits.min_steps && low <= *limits.min_steps) return false;
    }
    // Above its switching height the sensor cannot close, wherever it stands.
    if (settings_.probe.trip_z_steps && std::min(m.from[2], m.to[2]) <= *settings_.probe.trip_z_steps)
        return false;
    return true;
}

Counters SimulatedBoard::position_at(std::int64_t n) const {
    const Motion& m = *motion_;
    Counters p{};
    if (n >= m.steps) {
        for (std::size_t i = 0; i < 4; ++i)
            p[i] = saturate(m.to[i]);
        return p;
    }
    const double t = static_cast<double>(n) / static_cast<double>(m.steps);
    if (m.arc) {
        const double angle = m.angle0 + m.sweep * t;
        const double radius = m.radius0 + (m.radius1 - m.radius0) * t;
        p[0] = saturate(m.centre_x + m.mirror_x * std::llround(radius * std::cos(angle)));
        p[1] = saturate(m.centre_y + m.mirror_y * std::llround(radius * std::sin(angle)));
        p[2] = saturate(m.from[2]);
        p[3] = saturate(m.from[3]);
        return p;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        p[i] = saturate(m.from[i] + std::llround(static_cast<double>(m.to[i] - m.from[i]) * t));
    }
    return p;
}

bool SimulatedBoard::sensor_touched(const Counters& p, bool pressed) const {
    const ProbeSwitch& probe = settings_.probe;
    if (!probe.trip_z_steps) return false;
    // Pressed, the sensor's travel keeps it closed until the tool has risen past it.
    const std::int64_t opens_above =
        std::int64_t{*probe.trip_z_steps} + (pressed ? probe.hysteresis_steps : 0);
    if (p[2] > opens_above) return false;
    if (!probe.x_steps || !probe.y_steps) return true;
    const double dx = static_cast<double>(p[0]) - *probe.x_steps;
    const double dy = static_cast<double>(p[1]) - *probe.y_steps;
    const double r = probe.radius_steps;
    return dx * dx + dy * dy <= r * r;
}

bool SimulatedBoard::probe_closed(bool touched) const {
    return touched != (probe_polarity_ != 0);
}

std::optional<SimulatedBoard::SwitchStop> SimulatedBoard::switch_stop(const Counters& before,
                                                                      const Counters& after) const {
    const Motion& m = *motion_;
    std::optional<SwitchStop> found;
    // A stop before the step outranks one after it; among equals the first found (limits before the sensor).
    const auto note = [&found](SwitchStop s) {
        if (!found || (found->step_taken && !s.step_taken)) found = s;
    };
    for (std::size_t i = 0; i < 4; ++i) {
        if (after[i] == before[i]) continue;
        const bool up = after[i] > before[i];
        const unsigned bit = 1u << i;
        // Homing ends on the switch it heads for: reaching it is the point, not a fault.
        if (m.homing && (m.home_mask & bit) && ((m.home_directions & bit) != 0) == up) continue;
        const auto& edge = up ? settings_.limits[i].max_steps : settings_.limits[i].min_steps;
        if (!edge) continue;
        const bool closed_before = up ? before[i] >= *edge : before[i] <= *edge;
        const bool closed_after = up ? after[i] >= *edge : after[i] <= *edge;
        if (closed_before) {
            note({LIMIT_SWITCH, false});
        } else if (closed_after) {
            note({LIMIT_SWITCH, true});
        }
    }
    const bool was_closed = probe_closed(sensor_pressed_);
    if (was_closed && after[2] < before[2]) {
        note({PROBE_SWITCH, false});
    } else if (!was_closed && probe_closed(sensor_touched(after, sensor_pressed_))) {
        note({PROBE_SWITCH, true});
    }
    return found;
}

void SimulatedBoard::finish_command() {
    // A move that follows at once may start at the rate this one ended at; after anything else the
    // motors have stopped.
    carry_index_ = motion_ && !motion_->homing ? motion_->last_index : 0;
    if (queue_.empty() || paused_) carry_index_ = 0;
    running_.reset();
    motion_ = nullptr;
}

void SimulatedBoard::stop_all(std::optional<std::uint8_t> pending) {
    refresh_counters();
    queue_.clear();
    running_.reset();
    motion_ = nullptr;
    delay_left_s_ = 0.0;
    carry_index_ = 0;
    last_rate_sps_ = 0.0;
    if (pending) pending_ = pending;
}

}  // namespace zorvan::controller::sim
