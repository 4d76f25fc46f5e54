// The motion parameters of the machine, loaded from the configuration at each initialisation of the
// canonical functions, and the ramp table built from them at controller start-up.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace zorvan::machine {

struct MotionParameters {
    int Acceleration = 5000;  // steps/s²
    int MaxSps = 1000;        // steps/s, the global maximum
    int StartVelocity = 100;  // steps/s
    int AccelScale = 1;       // motor steps per ramp entry; 0 selects the steeper ramp
    int Contouring = 0;       // 0 sends every move at once; above 1 also the largest junction jump, steps/s
    int ControllerPort = 0;
    std::array<double, 4> StepsPerUnit{100.0, 100.0, 100.0, 100.0};  // X, Y, Z steps per mm; A per degree
    std::array<int, 4> Backlash{};                                   // steps
    std::array<int, 4> AxisMaxSps{1000, 1000, 1000, 1000};           // steps/s
    int MinRpm = 0;                                                  // rpm
    int MaxRpm = 10000;                                              // rpm
    int MinPwmPercent = 0;                                           // percent
    int MaxPwmPercent = 100;                                         // percent
};

// Reads the controller's keys of the configuration file; a missing file or key gives the defaults.
MotionParameters LoadMotionParameters(const std::filesystem::path& configuration_file,
                                      char decimal_separator);

inline constexpr int RAMP_ENTRIES = 245;

// Step rates along the acceleration ramp, each kept as the reload value of a 16-bit timer counting at
// 1 250 000 Hz, the form the board uses.
using RampTable = std::array<std::uint16_t, RAMP_ENTRIES>;

// The reload value of a step rate (steps/s), and the step rate of a reload value.
std::uint16_t TimerReload(double steps_per_second);
int RampRate(std::uint16_t entry);

// Fills the table from the parameters after clamping them to what the board can do; a start velocity
// above the maximum is lowered with `message` set to the text the operator must see.
RampTable BuildRampTable(MotionParameters& parameters, std::string* message);

}  // namespace zorvan::machine
