// The simulated controller board behind the project's own libZorvanAPI.so: four step counters driven by a
// queue of moves that run over (board) time at their commanded step rates, travel-limit switches, a
// tool-length sensor, outputs and a spindle PWM duty. Each operation mirrors one library function, with its
// arguments in the same order, and answers one status byte.
//
// Time. Every operation first asks the clock how long it has been since the previous one and runs the
// motion for that long (VirtualClock for tests, RealTimeClock for the operator program); advance() runs it
// without a call.
//
// Motion. Moves run one after another. The longest axis of a move (its dominant axis) steps through the
// acceleration ramp (StepRamp): a move starts at the start velocity, or at the rate the previous move ended
// at when it follows on without a stop, climbs one ramp entry per AccelScale steps up to its speed, and
// brakes so that its last step is at its end speed; an end speed of 0 (or below the start velocity) means
// the start velocity, where a stepper stops at once. A speed at or below the start velocity is run flat.
// Speeds are capped at the board's maximum steps/s. The other axes follow in proportion (straight line in
// all four axes). Rapid moves are straight moves too. A board set for 3 axes does not drive A.
//
// Quadrant arcs. The start (x, y) and end (x, y) are magnitudes relative to the centre; the quadrant gives
// their signs (1: +x +y, 2: -x +y, 3: -x -y, 4: +x -y). The centre is the position where the arc begins
// less the start offset. The arc-direction code says which counters run against the arc's geometry: 3 none,
// 1 the Y counter, 0 the X counter, 2 both. The dominant axis's travel is the arc's step count and the
// speed its rate; the point moves evenly in angle, its distance from the centre going evenly from the
// start's to the end's, and the last step lands exactly on the end. An arc that cannot go the commanded way
// inside its quadrant, a quadrant outside 1..4, a radius of 0 or below or a start on the centre is refused.
//
// Queue. The buffer holds `buffer_depth` commands besides the one running; when full a command answers
// busy '\'. Moves, arcs, index moves, homing, tweaks, delays and outputs all take their turn in it. The
// position query answers idle '[' only when nothing runs and nothing waits, else 'Z'.
//
// Decisions on open points:
// - Before a successful reset every operation answers -1 (not initialised). A board configured absent
//   answers reset with -41 (no such port), the firmware query with 0 and everything else with -1. The reset
//   wants 27 as its second argument (else -44); it stops and empties everything, clears the emergency
//   stop, a pause and a pending error, switches the outputs and PWM off, sets the feed override to 0 and the
//   set-up values to their power-on defaults (acceleration 5000, 1000 steps/s, start velocity 100, AccelScale
//   1, 4 axes, arc code 3, probe polarity 0), keeps the counters and leaves the port variable alone.
// - A speed of 0 or below, a negative end speed or delay, a mask of 0 or above 15, an output number 0 and
//   a set-up value of 0 or below answer -44 (syntax) and change nothing.
// - Emergency stop: halts at once, empties the buffer, ends a pause, drops a pending error and switches all
//   outputs and the PWM off. The board then refuses motion (moves, arcs, index, home, tweak, delay,
//   outputs, continue) with -2 until the host has read its state with a position query, or reset it: a
//   command already on its way when the stop was given is not run after it, while the host's own way of
//   leaving the emergency stop (a position query) makes the board ready again. Position, set-position,
//   pause, end-move, settings and inputs are never refused. The board's emergency-stop input
//   (set_estop_input, a switch on the board) acts as an emergency stop when it closes, and while it is
//   held every motion command answers -2, position queries or not.
// - Switch stops: a step that closes a travel-limit switch is taken (the counter stands on the switch),
//   the motion stops, the buffer is emptied and the next operation that answers a status answers -49 once
//   and does nothing else. A move that starts on a closed switch runs when it moves that axis away from it
//   (or not at all) and stops at once, without a step, when it moves further in. The tool-length sensor
//   works alike with -43: it stops a step that closes it, and while it is closed it stops at once a move
//   that takes Z down. Neither the reset, the firmware query, the PWM call, the input read nor the
//   emergency stop report a pending error (the emergency stop drops it).
// - The sensor has travel ([PROBE] HYSTERESIS, steps): it closes at TRIP_Z, and once closed it opens again
//   only when Z rises above TRIP_Z + HYSTERESIS (or the tool leaves its radius); with 0 it opens at the
//   first step above TRIP_Z. A move (of any kind) that began with the sensor closed and ends with it still
//   closed, such as a back-off too short to open it, stops the board at its end as a switch stop does:
//   the next call that answers a status answers -43.
// - Homing (mask, direction bits, speed) is queued. Each masked axis heads for its home: the travel-limit
//   switch on the side its direction bit chooses (bit set: the maximum switch), or, when no switch is
//   configured on that side, counter 0 (a switch-less machine's home is where its counters were zeroed).
//   The axes move together in a straight line from the start velocity up to the homing speed and run into
//   their switches at that speed; reaching the home switch is no error. An axis already at or beyond its
//   switch stays. Other switches stop homing as they stop any move.
// - Pause brakes down the ramp to the start velocity and holds (a delay's time holds too); nothing new
//   starts until continue, which climbs the ramp again from where the braking got to (the start velocity
//   once it holds). A move that ends while braking is done; the next waits. End-current-move ends the
//   running move or delay at once where it is; the next command runs (or waits for continue when paused).
//   A following arc takes its centre from where the board then stands.
// - Feed override: the value is a signed number of ticks of the 1.25 MHz step timer taken off the step
//   period at the board's maximum steps/s (P = 1250000 / max steps/s ticks): every step rate is scaled by
//   P / (P - value). 0 is normal, positive faster, negative slower, as the host's override slider sends it.
//   The value is clamped to [-19 P, P - 54], i.e. 5 % of normal to a shortest step period of 54 ticks, and
//   no step rate goes above 1250000 / 54 steps/s. Delays are not scaled.
// - Tweak Z moves Z by the given number of steps (signed), queued like a move, flat at the start velocity;
//   a tweak that would take Z out of the counter's range stops the board when it comes to run: the buffer
//   is emptied and the next call answers -44.
// - Set-position is refused with busy '\' while anything runs or waits (the counters of a move in progress
//   are not changed under it).
// - Probe polarity selects the sensor input's level that means "closed": 0 (default) high, 1 low. The
//   simulated sensor drives its input high while the tool touches it, so polarity 1 reads an untouched
//   sensor (or none at all) as closed.
// - Input bits (ReadInputs): bit 0 the sensor input's level; bits 1..4 a closed travel-limit switch of X, Y,
//   Z, A (either end); bit 5 the emergency-stop input held.
// - The accel/max-SPS settings are accepted only while idle (else busy); a maximum above the step timer's
//   fastest rate (1250000 / 54 steps/s) is used as that. The arc code (0..3) and the PWM duty (clamped to
//   100 %) are kept as given; the invert-step-pulse byte (a simulated step has no pulse) and the last
//   byte of SetMaxSPS are ignored.
// - Counters are 32-bit and never wrap: targets are 32-bit, and an arc whose end would lie out of range
//   stops the board when it comes to run, like such a tweak.
// - A board set to die ([FAULTS] DEAD_AFTER=N) is gone after its Nth library call, counting every call
//   since it was made (the library loaded), the reset, firmware query, emergency stop, PWM and input read
//   included: from then on every call answers -39 (time-out), the firmware query 0 and the input read 0,
//   its motion stands where it was, and a reset does not bring it back.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

#include "controller/sim/board_clock.h"
#include "controller/sim/sim_settings.h"
#include "controller/sim/step_ramp.h"

namespace zorvan::controller::sim {

using Counters = std::array<std::int32_t, 4>;  // X, Y, Z, A, in steps

namespace status {
inline constexpr std::uint8_t ACCEPTED = 'Z';
inline constexpr std::uint8_t IDLE = '[';
inline constexpr std::uint8_t BUSY = '\\';
constexpr std::uint8_t error(int code) {
    return static_cast<std::uint8_t>(256 + code);
}
}  // namespace status

inline constexpr double STEP_TIMER_HZ = 1250000.0;   // the step timer's tick rate
inline constexpr double SHORTEST_STEP_TICKS = 54.0;  // the shortest step period the timer can make

class SimulatedBoard {
  public:
    SimulatedBoard(SimSettings settings, std::unique_ptr<BoardClock> clock);
    ~SimulatedBoard();
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    // The library's operations. The counters after the call are counters().
    std::uint8_t reset(std::int32_t* port, std::int32_t mode);
    double firmware_version();
    std::uint8_t set_acceleration(std::int32_t acceleration, std::int32_t max_sps,
                                  std::int32_t start_velocity, std::uint8_t accel_scale);
    std::uint8_t set_max_sps(std::int32_t max_sps, std::int32_t axis_count, std::uint8_t invert_step_pulse,
                             std::uint8_t reserved);
    std::uint8_t set_arc_direction(std::uint8_t code);
    std::uint8_t set_position(const Counters& position, std::uint8_t axis_mask);
    std::uint8_t get_position();
    std::uint8_t linear_move(const Counters& target, std::int32_t speed, std::int32_t end_speed);
    std::uint8_t rapid_move(const Counters& target, std::int32_t speed, std::int32_t end_speed);
    std::uint8_t index_move(const Counters& target, std::int32_t speed, std::uint8_t axis_mask);
    std::uint8_t arc_move(bool counter_clockwise, std::int32_t radius, std::int32_t start_x,
                          std::int32_t start_y, std::int32_t end_x, std::int32_t end_y, std::int32_t speed,
                          std::int32_t end_speed, std::uint8_t quadrant);
    std::uint8_t delay(double seconds);
    std::uint8_t set_output(std::uint8_t output, std::uint8_t state);
    std::uint8_t home(std::uint8_t axis_mask, std::uint8_t direction_bits, std::int32_t speed);
    std::uint8_t set_feed_override(std::int32_t value);
    std::uint8_t tweak_z(std::int32_t steps);
    std::uint8_t set_probe_polarity(std::uint8_t polarity);
    std::uint8_t set_pwm_output(std::uint8_t percent);
    std::uint8_t read_inputs();
    std::uint8_t pause();
    std::uint8_t resume();  // ZorvanContinue
    std::uint8_t end_current_move();
    std::uint8_t emergency_stop();

    // For tests, the bench and the library's test functions.
    void use_clock(std::unique_ptr<BoardClock> clock);
    void advance(double seconds);
    void set_estop_input(bool held);
    const Counters& counters() const { return counters_; }
    // false once the board is gone (DEAD_AFTER): it then fills in no position either.
    bool answers() const { return !unplugged_; }
    std::uint8_t outputs() const { return outputs_; }
    std::uint8_t pwm_percent() const { return pwm_percent_; }
    double board_time_s() const { return board_time_s_; }
    const SimSettings& settings() const { return settings_; }
    // The dominant axis's step rate of the last step, with the feed override; 0 when stopped.
    double current_rate_sps() const;
    bool idle() const;
    bool paused() const { return paused_; }
    std::size_t queued() const { return queue_.size(); }
    double feed_override_factor() const { return override_factor_; }
    const StepRamp& ramp() const { return *ramp_; }

  private:
    // One queued command.
    struct Command {
        enum class Kind { Straight, Index, Arc, Home, Tweak, Delay, Output };
        Kind kind = Kind::Straight;
        Counters target{};
        std::uint8_t mask = 0;
        double speed_sps = 0.0;
        double end_speed_sps = 0.0;
        // Quadrant arcs: magnitudes relative to the centre, in steps.
        bool counter_clockwise = false;
        std::int32_t start_x = 0, start_y = 0, end_x = 0, end_y = 0;
        std::uint8_t quadrant = 1;
        std::uint8_t arc_code = 3;  // the arc-direction code when the arc was given
        double seconds = 0.0;
        std::uint8_t output = 0, state = 0;
        std::uint8_t directions = 0;
        std::int32_t tweak_steps = 0;
    };
    struct Motion;
    enum class Call;

    // Runs the clock, then answers for the board when the call does not get to its own work: gone, not
    // initialised, an injected fault, or a pending switch stop.
    std::optional<std::uint8_t> enter(Call call);
    // Counts the call towards DEAD_AFTER; true once the board is gone.
    bool unplugged();
    std::uint8_t queue_command(const Command& command);
    bool motion_refused() const { return estop_latched_ || estop_input_; }
    void set_feed_override_value(std::int32_t value);
    void restore_power_on_setup();

  public:
    // What a run stops at besides its time: nothing, a free place in the buffer, or an idle board.
    enum class RunUntil { TimeUsed, Room, Idle };
    // Runs the motion for at most `seconds`, stopping early when `until` is reached; returns the time
    // run. With TimeUsed the whole time passes, moving or not.
    double run_until(double seconds, RunUntil until);

  private:
    // The motion engine (board_motion.cpp).
    void run(double seconds);
    bool run_block(double& budget);
    bool run_ramp(double& budget, bool climbing);
    bool meets_no_switch(const Motion& m) const;
    void start_next();
    bool start_motion(const Command& c);
    double next_step_rate();
    bool take_step();
    // Brings the counters to the motion's step after steps that were only counted.
    void refresh_counters();
    Counters position_at(std::int64_t n) const;
    // Whether the tool presses the sensor at p, given whether it pressed it a step before.
    bool sensor_touched(const Counters& p, bool pressed) const;
    bool probe_closed(bool touched) const;  // as the board reads it, through the polarity
    struct SwitchStop {
        std::uint8_t status;
        bool step_taken;  // the step that closes the switch is taken; one further in is not
    };
    // A step from where the board stands (before) to after.
    std::optional<SwitchStop> switch_stop(const Counters& before, const Counters& after) const;
    void finish_command();
    void stop_all(std::optional<std::uint8_t> pending);

    SimSettings settings_;
    std::unique_ptr<BoardClock> clock_;
    bool initialised_ = false;

    // Set-up values.
    double acceleration_sps2_ = 5000.0;
    double max_sps_ = 1000.0;
    double start_velocity_sps_ = 100.0;
    int accel_scale_ = 1;
    int axis_count_ = 4;
    std::uint8_t arc_code_ = 3;
    std::uint8_t probe_polarity_ = 0;
    std::int32_t override_value_ = 0;  // step-timer ticks
    double override_factor_ = 1.0;
    std::unique_ptr<StepRamp> ramp_;

    // Machine state.
    Counters counters_{};
    bool counters_behind_ = false;  // steps of a free-running motion were counted, not yet placed
    std::uint8_t outputs_ = 0;
    std::uint8_t pwm_percent_ = 0;
    bool paused_ = false;
    bool estop_latched_ = false;
    bool estop_input_ = false;
    std::optional<std::uint8_t> pending_;  // a switch stop's status, answered by the next call
    bool sensor_pressed_ = false;          // the tool holds the sensor down (it has travel)
    double board_time_s_ = 0.0;

    std::deque<Command> queue_;
    // Kept in place, not allocated each time: a program gives the board a million of them.
    std::optional<Command> running_;  // the command in progress, if any
    Motion* motion_ = nullptr;        // its motion, when it moves: in motion_store_
    std::unique_ptr<Motion> motion_store_;
    double delay_left_s_ = 0.0;  // a running delay's remaining time
    int carry_index_ = 0;        // ramp entry a following move may start from
    double last_rate_sps_ = 0.0;

    // Calls counted for fault injection, since the last reset.
    int move_calls_ = 0;
    int position_calls_ = 0;
    int output_calls_ = 0;
    int any_calls_ = 0;
    // Every call since the board was made, which a reset does not clear; and whether it has died of them.
    std::int64_t calls_made_ = 0;
    bool unplugged_ = false;
};

}  // namespace zorvan::controller::sim
