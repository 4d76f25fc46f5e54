// The board library's 24 calls over a simulated board, whatever holds the board: the library's one board
// per process, or a board that times a program inside the program. `Source` gives board(), and is told
// before each call that queues a command (before_queue) and before each position query (before_poll).
#pragma once

#include "controller/ZorvanAPI.h"
#include "controller/sim/simulated_board.h"
#include "controller/zorvan_api_table.h"

namespace zorvan::controller::sim {

template <class Source>
struct BoardCalls {
    // The four position variables, which a caller may leave out; a board that is gone fills in none.
    static ZorvanStatus with_position(ZorvanStatus status, int32_t* px, int32_t* py, int32_t* pz,
                                      int32_t* pa) {
        if (!Source::board().answers()) return status;
        const Counters& c = Source::board().counters();
        if (px != nullptr) *px = c[0];
        if (py != nullptr) *py = c[1];
        if (pz != nullptr) *pz = c[2];
        if (pa != nullptr) *pa = c[3];
        return status;
    }

    static ZorvanStatus Reset(int32_t* port, int32_t mode) { return Source::board().reset(port, mode); }
    static double GetFirmwareVersion() { return Source::board().firmware_version(); }
    static ZorvanStatus SetAccelleration(int32_t acceleration, int32_t max_sps, int32_t start_velocity,
                                         uint8_t accel_scale) {
        return Source::board().set_acceleration(acceleration, max_sps, start_velocity, accel_scale);
    }
    static ZorvanStatus SetMaxSPS(int32_t max_sps, int32_t axis_count, uint8_t invert_step_pulse,
                                  uint8_t reserved) {
        return Source::board().set_max_sps(max_sps, axis_count, invert_step_pulse, reserved);
    }
    static ZorvanStatus SetArcDirection(uint8_t code) { return Source::board().set_arc_direction(code); }
    static ZorvanStatus SetPosition(int32_t x, int32_t y, int32_t z, int32_t a, uint8_t axis_mask) {
        return Source::board().set_position({x, y, z, a}, axis_mask);
    }
    static ZorvanStatus GetPosition(int32_t* x, int32_t* y, int32_t* z, int32_t* a) {
        Source::before_poll();
        return with_position(Source::board().get_position(), x, y, z, a);
    }
    static ZorvanStatus LinearMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                   int32_t end_speed, int32_t* px, int32_t* py, int32_t* pz, int32_t* pa) {
        Source::before_queue();
        return with_position(Source::board().linear_move({x, y, z, a}, speed, end_speed), px, py, pz, pa);
    }
    static ZorvanStatus RapidMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                  int32_t end_speed, int32_t* px, int32_t* py, int32_t* pz, int32_t* pa) {
        Source::before_queue();
        return with_position(Source::board().rapid_move({x, y, z, a}, speed, end_speed), px, py, pz, pa);
    }
    static ZorvanStatus IndexMove(int32_t x, int32_t y, int32_t z, int32_t a, int32_t speed,
                                  uint8_t axis_mask, int32_t* px, int32_t* py, int32_t* pz, int32_t* pa) {
        Source::before_queue();
        return with_position(Source::board().index_move({x, y, z, a}, speed, axis_mask), px, py, pz, pa);
    }
    template <bool CounterClockwise>
    static ZorvanStatus QuadrantArc(int32_t radius, int32_t start_x, int32_t start_y, int32_t end_x,
                                    int32_t end_y, int32_t speed, int32_t end_speed, uint8_t quadrant,
                                    int32_t* px, int32_t* py, int32_t* pz, int32_t* pa) {
        Source::before_queue();
        const ZorvanStatus s = Source::board().arc_move(CounterClockwise, radius, start_x, start_y, end_x,
                                                        end_y, speed, end_speed, quadrant);
        return with_position(s, px, py, pz, pa);
    }
    static ZorvanStatus Delay(int32_t* px, int32_t* py, int32_t* pz, double seconds, int32_t* pa) {
        Source::before_queue();
        return with_position(Source::board().delay(seconds), px, py, pz, pa);
    }
    static ZorvanStatus SetOutput(uint8_t output, uint8_t state, int32_t* px, int32_t* py, int32_t* pz,
                                  int32_t* pa) {
        Source::before_queue();
        return with_position(Source::board().set_output(output, state), px, py, pz, pa);
    }
    static ZorvanStatus Home(uint8_t axis_mask, uint8_t direction_bits, int32_t speed) {
        return Source::board().home(axis_mask, direction_bits, speed);
    }
    static ZorvanStatus SetFeedOverride(int32_t value) { return Source::board().set_feed_override(value); }
    static ZorvanStatus TweakZAxis(int32_t value) { return Source::board().tweak_z(value); }
    static ZorvanStatus SetProbePolarity(uint8_t polarity) {
        return Source::board().set_probe_polarity(polarity);
    }
    static ZorvanStatus SetPWMOutput(uint8_t percent) { return Source::board().set_pwm_output(percent); }
    static uint8_t ReadInputs() { return Source::board().read_inputs(); }
    static ZorvanStatus Pause() { return Source::board().pause(); }
    static ZorvanStatus Continue() { return Source::board().resume(); }
    static ZorvanStatus EndCurrentMove() { return Source::board().end_current_move(); }
    static ZorvanStatus EmStop() { return Source::board().emergency_stop(); }

    static ZorvanApiTable Table() {
        ZorvanApiTable t;
        t.Reset = &Reset;
        t.GetFirmwareVersion = &GetFirmwareVersion;
        t.SetAccelleration = &SetAccelleration;
        t.SetMaxSPS = &SetMaxSPS;
        t.SetArcDirection = &SetArcDirection;
        t.SetPosition = &SetPosition;
        t.GetPosition = &GetPosition;
        t.LinearMove = &LinearMove;
        t.RapidMove = &RapidMove;
        t.IndexMove = &IndexMove;
        t.QuadrantArcMoveCW = &QuadrantArc<false>;
        t.QuadrantArcMoveCCW = &QuadrantArc<true>;
        t.Delay = &Delay;
        t.SetOutput = &SetOutput;
        t.Home = &Home;
        t.SetFeedOverride = &SetFeedOverride;
        t.TweakZAxis = &TweakZAxis;
        t.SetProbePolarity = &SetProbePolarity;
        t.SetPWMOutput = &SetPWMOutput;
        t.ReadInputs = &ReadInputs;
        t.Pause = &Pause;
        t.Continue = &Continue;
        t.EndCurrentMove = &EndCurrentMove;
        t.EmStop = &EmStop;
        return t;
    }
};

}  // namespace zorvan::controller::sim
