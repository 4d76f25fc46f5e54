// The board's acceleration ramp: a table of step rates that a move walks up while it gains speed and down
// while it brakes, one entry per AccelScale motor steps. Entry 0 is the start velocity; each further entry
// is the rate after one more ramp step, grown as the host grows its own ramp table (rate + acceleration /
// previous rate, or with AccelScale 0 the steeper growth of one step per entry), never above the maximum.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace zorvan::controller::sim {

class StepRamp {
  public:
    static constexpr int ENTRIES = 246;  // the start velocity and 245 ramp steps
    static constexpr int TOP = ENTRIES - 1;

    // Values in steps/s² and steps/s, all above 0; accel_scale 0..255.
    StepRamp(double acceleration_sps2, double max_sps, double start_velocity_sps, int accel_scale);

    double rate_sps(int index) const { return rates_[static_cast<std::size_t>(index)]; }
    // The first entry with the highest rate at most `sps` (where the ramp reaches that rate); 0 when even
    // the start velocity is faster.
    int index_at_or_below(double sps) const;
    // That entry, and the first entry whose rate is at least `sps` (ENTRIES when the ramp never gets
    // there), from one look at the table.
    struct Place {
        int at_or_below;
        int first_at_or_above;
    };
    Place place_of(double sps) const {
        const int above = first_index_above(sps);
        if (above == 0) return {0, 0};
        const auto last = static_cast<std::size_t>(above) - 1;
        // Entries that the maximum has capped repeat one rate: the first of them is where the ramp gets
        // there.
        return {run_start_[last], rates_[last] == sps ? run_start_[last] : above};
    }
    // The seconds of one step at each entry below `index`, added up (index 0..ENTRIES).
    double inverse_sum(int index) const { return inverse_sums_[static_cast<std::size_t>(index)]; }
    // Motor steps spent on each entry.
    int steps_per_entry() const { return steps_per_entry_; }
    // The highest entry from `lowest` up to TOP whose inverse_sum is at most `sum`; `lowest` when none is.
    int last_entry_within(double sum, int lowest) const {
        const auto end = inverse_sums_.begin() + TOP + 1;
        const auto above = std::upper_bound(inverse_sums_.begin() + lowest, end, sum);
        return above == inverse_sums_.begin() + lowest ? lowest
                                                       : static_cast<int>(above - inverse_sums_.begin()) - 1;
    }

  private:
    // The first entry whose rate is above `sps`; ENTRIES when none is.
    int first_index_above(double sps) const;

    std::array<double, ENTRIES> rates_{};
    std::array<int, ENTRIES> run_start_{};  // the first entry with the same rate as each
    // The rates from the first to the last cut into equal bands: the entries below each band's floor.
    static constexpr int BANDS = 1024;
    std::array<std::uint8_t, BANDS + 1> below_band_{};
    double band_per_sps_ = 0;
    std::array<double, ENTRIES + 1> inverse_sums_{};
    int steps_per_entry_ = 1;
};

// A move's climb starts at entry `climb_from` on step `climb_n` and rises an entry every `per_entry` steps;
// its brake, counted back from the last step (`steps - 1`), stands `end_index` entries up there and rises
// as far towards the start. The first step from `climb_n` on at which the climb has reached `cap` or the
// brake's entry; `steps` when neither comes before the end.
std::int64_t climb_end(std::int64_t climb_from, std::int64_t climb_n, std::int64_t end_index,
                       std::int64_t steps, std::int64_t cap, std::int64_t per_entry);

}  // namespace zorvan::controller::sim
