#include "machine/motion_parameters.h"

#include <cmath>

#include "config/machine_config.h"

namespace zorvan::machine {

MotionParameters LoadMotionParameters(const std::filesystem::path& configuration_file,
                                      char decimal_separator) {
    MotionParameters p;
    const auto file = config::ProfileFile::load(configuration_file);
    const config::ControllerSettings c =
        config::read_controller_settings(file ? *file : config::ProfileFile::parse(""), decimal_separator);
    p.Acceleration = c.Acceleration;
    p.MaxSps = c.MaxSps;
    p.StartVelocity = c.StartVelocity;
    p.AccelScale = c.AccelScale;
    p.Contouring = c.Contouring;
    p.ControllerPort = c.ControllerPort;
    p.StepsPerUnit = c.StepsPerUnit;
    p.Backlash = c.Backlash_steps;
    p.AxisMaxSps = c.AxisMaxSps;
    p.MinRpm = c.MinRpm;
    p.MaxRpm = c.MaxRpm;
    p.MinPwmPercent = c.MinPwmPercent;
    p.MaxPwmPercent = c.MaxPwmPercent;
    return p;
}

std::uint16_t TimerReload(double steps_per_second) {
    // Ties go to the even count, as every rounding of the machine interface does.
    const long reload = 65562L - static_cast<long>(std::nearbyint(1250000.0 / steps_per_second));
    return static_cast<std::uint16_t>(((reload % 65536) + 65536) % 65536);
}

int RampRate(std::uint16_t entry) {
    // Entries near 65562 would divide by (almost) nothing; the table never holds them.
    const int divisor = 65562 - static_cast<int>(entry);
    return static_cast<int>(std::nearbyint(1250000.0 / divisor));
}

RampTable BuildRampTable(MotionParameters& p, std::string* message) {
    RampTable table;
    table.fill(32000);
    if (p.Acceleration <= 100) p.Acceleration = 100;
    if (p.MaxSps <= 40) p.MaxSps = 40;
    if (p.StartVelocity < 40) p.StartVelocity = 40;
    if (p.MaxSps < p.StartVelocity) {
        if (message != nullptr) *message = "START_VEL > MAXSPS in Ini file... Setting START_VEL = MAXSPS";
        p.StartVelocity = p.MaxSps;
    }
    if (p.AccelScale < 0 || p.AccelScale > 255) p.AccelScale = 1;
    // Each entry is one step of the ramp: the rate grows by acceleration / previous rate per step.
    double previous = p.StartVelocity;
    double e = p.StartVelocity + static_cast<double>(p.Acceleration) / p.StartVelocity;
    for (int i = 0; i < RAMP_ENTRIES; ++i) {
        double v =
            p.AccelScale != 0 ? previous + p.Acceleration / e : previous + (p.Acceleration / e) * (i + 1) / 4;
        if (v > p.MaxSps) v = p.MaxSps;
        table[static_cast<std::size_t>(i)] = TimerReload(v);
        previous = e = v;
    }
    return table;
}

}  // namespace zorvan::machine
