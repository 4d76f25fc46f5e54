// The acceleration ramp that the setup dialog plots: the velocity the controller reaches at each ramp
// entry, the curve of velocity over time, and the ramp's total time.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "machine/motion_parameters.h"

namespace zorvan::machine {

// The four ramp fields of the setup dialog as typed.
struct ProfileFields {
    int StartVelocity = 100;  // steps/s
    int MaxVelocity = 1000;   // steps/s
    int Acceleration = 5000;  // steps/s²
    int AccelScale = 1;       // motor steps per ramp entry; 0 selects the steeper ramp
};

struct ProfilePoint {
    double x;  // time scaled so that the ramp's total time spans 0 to the maximum velocity
    double y;  // steps/s
};

struct AccelerationProfile {
    std::array<int, RAMP_ENTRIES> Velocities{};  // steps/s, rounded ties to even
    int StartVelocity = 0;                       // steps/s, after the limits
    int MaxVelocity = 0;                         // steps/s, after the limits; the plot's square window
    int Acceleration = 0;                        // steps/s², after the limits
    int AccelScale = 0;                          // after the limits
    std::vector<ProfilePoint> Polyline;          // from (0, start velocity) to the end of the ramp
    double TotalTime_s = 0;                      // the time label's value, seconds
    std::string TimeLabel;                       // "%.3F" of the total time
};

// The ramp's velocities. A start velocity above the maximum is lowered to it, and written back into
// `fields` as the dialog writes it back into its start field; the other limits are not written back.
std::array<int, RAMP_ENTRIES> ComputeProfile(ProfileFields& fields);

// The velocities together with the plotted curve and the total time.
AccelerationProfile DrawProfile(ProfileFields& fields);

}  // namespace zorvan::machine
