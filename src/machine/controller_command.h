// One controller operation as a plain record, passed by value; the motion queue keeps its own copies.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace zorvan::machine {

enum CommandCode : std::int32_t {
    cmdNone = 0,
    cmdSetArcDirection = 1,
    cmdNone2 = 2,
    cmdGetFirmwareVersion = 3,
    cmdReset = 4,
    cmdGetPosition = 5,
    cmdPause = 6,
    cmdContinue = 7,
    cmdEndCurrentMove = 8,
    cmdEmergencyStop = 9,
    cmdSetPosition = 10,
    cmdSetOutput = 11,
    cmdDelay = 12,
    cmdLinearMove = 13,
    cmdRapidMove = 14,
    cmdArcCW = 15,
    cmdArcCCW = 16,
    cmdHome = 17,
    cmdSetFeedOverride = 18,
    cmdSetMaxSps = 19,
    cmdIndexMove = 20,
    cmdReadInputs = 21,
    cmdTweakZ = 22,
    cmdSetProbePolarity = 23,
};

struct ControllerCommand {
    std::int32_t code = cmdNone;
    std::int32_t x = 0;          // X target in steps; arcs: |X| of the start relative to the centre, steps
    std::int32_t y = 0;          // Y target in steps; arcs: |Y| of the start relative to the centre, steps
    std::int32_t z = 0;          // Z target in steps
    std::int32_t a = 0;          // A target in steps
    std::int32_t arcEndX = 0;    // arcs: |X| of the end relative to the centre, steps
    std::int32_t arcEndY = 0;    // arcs: |Y| of the end relative to the centre, steps
    std::int32_t arcRadius = 0;  // arcs: radius, steps
    std::int32_t speed = 0;      // steps/s; also override, max-SPS, tweak and homing values
    std::int32_t endSpeed = 0;   // steps/s at which the move may end
    double seconds = 0.0;        // dwell, seconds
    std::uint8_t axisMask = 0;   // axes X=1, Y=2, Z=4, A=8; outputs mist=1, flood=2, CW=4, CCW=8
    std::uint8_t quadrant = 0;   // arcs: 1..4; fourth argument of max-SPS
    std::uint8_t option = 0;     // output state, arc-direction code, probe polarity, homing bits, ...
    std::int32_t steps = 0;      // steps of the longest axis (look-ahead only)
    std::int32_t vInX = 0, vInY = 0;    // signed velocity at the start, steps/s (look-ahead only)
    std::int32_t vOutX = 0, vOutY = 0;  // signed velocity at the end, steps/s (look-ahead only)
    std::int32_t vInZ = 0, vOutZ = 0;   // signed Z velocity at the start and end, steps/s

    bool operator==(const ControllerCommand&) const = default;
};

enum DispatchResult : int { Failed = 0, Done = 1, Busy = 2 };

// Reals become integer fields rounded to the nearest integer, ties to even, and held within 32 bits.
inline std::int32_t ToCommandInt(double value) {
    // rint rounds as nearbyint does (ties to even) and is worked out in place, not called.
    const double rounded = std::rint(value);
    if (!(rounded > -2147483648.0)) return std::numeric_limits<std::int32_t>::min();
    if (!(rounded < 2147483647.0)) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

// A move's speed (steps/s): one that would round to 0 goes as 1, since a board given 0 either refuses
// the move or never ends it.
inline std::int32_t MoveSpeed(double steps_per_second) {
    const std::int32_t speed = ToCommandInt(steps_per_second);
    return speed < 1 ? 1 : speed;
}

}  // namespace zorvan::machine
