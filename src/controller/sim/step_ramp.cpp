#include "controller/sim/step_ramp.h"

#include <algorithm>

namespace zorvan::controller::sim {

StepRamp::StepRamp(double acceleration_sps2, double max_sps, double start_velocity_sps, int accel_scale) {
    const double start = std::min(start_velocity_sps, max_sps);
    rates_[0] = start;
    // Each step adds acceleration / rate: the rate gained over one step at constant acceleration.
    double previous = start;
    double e = start + acceleration_sps2 / start;
    for (int i = 0; i + 1 < ENTRIES; ++i) {
        double v = accel_scale != 0 ? previous + acceleration_sps2 / e
                                    : previous + (acceleration_sps2 / e) * (i + 1) / 4.0;
        v = std::min(v, max_sps);
        rates_[static_cast<std::size_t>(i) + 1] = v;
        previous = e = v;
    }
    steps_per_entry_ = accel_scale != 0 ? accel_scale : 1;
    for (std::size_t i = 0; i < rates_.size(); ++i)
        inverse_sums_[i + 1] = inverse_sums_[i] + 1.0 / rates_[i];
}

int StepRamp::index_at_or_below(double sps) const {
    const auto above = std::upper_bound(rates_.begin(), rates_.end(), sps);
    if (above == rates_.begin()) return 0;
    // Entries that the maximum has capped repeat one rate: the first of them is where the ramp gets there.
    const auto first = std::lower_bound(rates_.begin(), above, *(above - 1));
    return static_cast<int>(first - rates_.begin());
}

}  // namespace zorvan::controller::sim
