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
    for (std::size_t i = 0; i < rates_.size(); ++i) {
        inverse_sums_[i + 1] = inverse_sums_[i] + 1.0 / rates_[i];
        run_start_[i] = i > 0 && rates_[i] == rates_[i - 1] ? run_start_[i - 1] : static_cast<int>(i);
    }
    const double span = rates_[TOP] - rates_[0];
    band_per_sps_ = span > 0 ? BANDS / span : 0;
    for (int band = 0; band <= BANDS; ++band) {
        const double floor = rates_[0] + band / band_per_sps_;
        below_band_[static_cast<std::size_t>(band)] = static_cast<std::uint8_t>(
            span > 0 ? std::lower_bound(rates_.begin(), rates_.end(), floor) - rates_.begin() : 0);
    }
}

// The band the rate falls in says where to start, and a step or two finds the entry: every move asks,
// and a search by halves costs more. Rounding may pick a neighbouring band; the steps put that right.
int StepRamp::first_index_above(double sps) const {
    if (!(sps >= rates_[0])) return 0;
    if (sps >= rates_[TOP]) return ENTRIES;
    const auto band = static_cast<std::size_t>(std::min<double>((sps - rates_[0]) * band_per_sps_, BANDS));
    int i = below_band_[band];
    while (i > 0 && rates_[static_cast<std::size_t>(i) - 1] > sps)
        --i;
    while (i < ENTRIES && rates_[static_cast<std::size_t>(i)] <= sps)
        ++i;
    return i;
}

int StepRamp::index_at_or_below(double sps) const {
    return place_of(sps).at_or_below;
}

// The climb stands at climb_from + k on the k-th block of per_entry steps from climb_n; the brake's entry
// is at most that once steps - 1 - n < (climb_from + k - end_index + 1) * per_entry. Solved for the first
// block where that happens inside it, rather than tried step by step.
std::int64_t climb_end(std::int64_t climb_from, std::int64_t climb_n, std::int64_t end_index,
                       std::int64_t steps, std::int64_t cap, std::int64_t per_entry) {
    const std::int64_t p = per_entry;
    const auto floor_div = [](std::int64_t a, std::int64_t b) {
        return a >= 0 ? a / b : -((-a + b - 1) / b);
    };
    const std::int64_t at_cap = climb_n + std::max<std::int64_t>(0, cap - climb_from) * p;
    const std::int64_t k =
        std::max({std::int64_t{0}, end_index - climb_from,
                  floor_div(steps - climb_n - (climb_from - end_index + 2) * p, 2 * p) + 1});
    const std::int64_t at_brake = std::max(climb_n + k * p, steps - (climb_from + k - end_index + 1) * p);
    return std::min({steps, at_cap, at_brake});
}

}  // namespace zorvan::controller::sim
