#include "machine/acceleration_profile.h"

#include <cmath>
#include <cstdio>

namespace zorvan::machine {
namespace {

// The dialog's limits, the same as those the ramp table applies at controller start-up.
ProfileFields Limited(ProfileFields& fields) {
    ProfileFields f = fields;
    if (f.Acceleration <= 100) f.Acceleration = 100;
    if (f.MaxVelocity <= 40) f.MaxVelocity = 40;
    if (f.StartVelocity < 40) f.StartVelocity = 40;
    if (f.MaxVelocity < f.StartVelocity) {
        f.StartVelocity = f.MaxVelocity;
        fields.StartVelocity = f.MaxVelocity;
    }
    if (f.AccelScale < 0 || f.AccelScale > 255) f.AccelScale = 1;
    return f;
}

// Each entry adds acceleration / previous velocity, as the controller's table does; with accel scale 0
// the increase grows with the entry, here by an eighth of the entry's number where the controller's
// table takes a quarter.
std::array<int, RAMP_ENTRIES> Velocities(const ProfileFields& f) {
    std::array<int, RAMP_ENTRIES> entries{};
    double previous = f.StartVelocity;
    double e = f.StartVelocity + static_cast<double>(f.Acceleration) / f.StartVelocity;
    for (int i = 0; i < RAMP_ENTRIES; ++i) {
        double v =
            f.AccelScale != 0 ? previous + f.Acceleration / e : previous + (f.Acceleration / e) * (i + 1) / 8;
        if (v > f.MaxVelocity) v = f.MaxVelocity;
        entries[static_cast<std::size_t>(i)] = static_cast<int>(std::nearbyint(v));
        previous = e = v;
    }
    return entries;
}

int StepsOfEntry(int accel_scale, int entry) {
    if (accel_scale == 0) return entry / 8 + 1;
    return accel_scale;
}

}  // namespace

std::array<int, RAMP_ENTRIES> ComputeProfile(ProfileFields& fields) {
    return Velocities(Limited(fields));
}

// The curve keeps the controller's timing: every step of an entry lasts 1 / its velocity. The total time
// counts entries 1 to 244 only, while the curve also spends entry 0 at its start and entry 244 once
// more at its end, so the last point lies a little beyond the square window.
AccelerationProfile DrawProfile(ProfileFields& fields) {
    const ProfileFields f = Limited(fields);
    AccelerationProfile profile;
    profile.Velocities = Velocities(f);
    profile.StartVelocity = f.StartVelocity;
    profile.MaxVelocity = f.MaxVelocity;
    profile.Acceleration = f.Acceleration;
    profile.AccelScale = f.AccelScale;
    const auto& v = profile.Velocities;

    double total = 0;
    for (int i = 1; i < RAMP_ENTRIES; ++i)
        total += static_cast<double>(StepsOfEntry(f.AccelScale, i)) / v[static_cast<std::size_t>(i)];
    profile.TotalTime_s = total;

    const double scale = f.MaxVelocity / total;
    profile.Polyline.push_back({0.0, static_cast<double>(f.StartVelocity)});
    double t = 1.0 / v[0];
    for (int i = 1; i < RAMP_ENTRIES; ++i) {
        const int velocity = v[static_cast<std::size_t>(i)];
        const int steps = StepsOfEntry(f.AccelScale, i);
        for (int step = 0; step < steps; ++step) {
            t += 1.0 / velocity;
            if (f.AccelScale == 0) profile.Polyline.push_back({t * scale, static_cast<double>(velocity)});
        }
        if (f.AccelScale != 0) profile.Polyline.push_back({t * scale, static_cast<double>(velocity)});
    }
    t += 1.0 / v[RAMP_ENTRIES - 1];
    profile.Polyline.push_back({t * scale, static_cast<double>(f.MaxVelocity)});

    char label[64];
    std::snprintf(label, sizeof label, "%.3f", total);
    profile.TimeLabel = label;
    return profile;
}

}  // namespace zorvan::machine
