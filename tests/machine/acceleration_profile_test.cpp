// The plotted acceleration ramp: its velocities, the limits applied to the four fields, the curve and the
// total time.
#include "machine/acceleration_profile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zorvan::machine {
namespace {

TEST(ComputeProfileTest, EachEntryAddsAccelerationOverThePreviousVelocity) {
    ProfileFields fields{100, 1000, 5000, 1};
    const auto v = ComputeProfile(fields);
    // e = 100 + 5000/100 = 150; 100 + 5000/150 = 133.33; 133.33 + 5000/133.33 = 170.83; then 200.10.
    EXPECT_EQ(v[0], 133);
    EXPECT_EQ(v[1], 171);
    EXPECT_EQ(v[2], 200);
    EXPECT_EQ(v[RAMP_ENTRIES - 1], 1000);
    for (std::size_t i = 1; i < v.size(); ++i)
        EXPECT_GE(v[i], v[i - 1]);
}

TEST(ComputeProfileTest, AccelScaleZeroGrowsTheStepByAnEighthOfTheEntryNumber) {
    ProfileFields fields{100, 1000, 5000, 0};
    const auto v = ComputeProfile(fields);
    // 100 + (5000/150)·1/8 = 104.17; 104.17 + (5000/104.17)·2/8 = 116.17.
    EXPECT_EQ(v[0], 104);
    EXPECT_EQ(v[1], 116);
}

TEST(ComputeProfileTest, VelocitiesRoundHalfToEven) {
    // e = 42 + 47628/42 = 1176 and 47628/1176 = 40.5, so the first velocity is exactly 82.5.
    ProfileFields fields{42, 1000, 47628, 1};
    EXPECT_EQ(ComputeProfile(fields)[0], 82);
}

TEST(ComputeProfileTest, FollowsTheControllersRampExceptForTheSteepRamp) {
    for (int scale : {1, 0}) {
        ProfileFields fields{100, 2000, 8000, scale};
        const auto v = ComputeProfile(fields);
        MotionParameters p;
        p.StartVelocity = 100, p.MaxSps = 2000, p.Acceleration = 8000, p.AccelScale = scale;
        const RampTable table = BuildRampTable(p, nullptr);
        if (scale == 1) {
            for (std::size_t i = 0; i < v.size(); ++i)
                EXPECT_NEAR(RampRate(table[i]), v[i], v[i] * 0.01) << "entry " << i;
        } else {
            // The steep ramp here grows by eighths where the controller's grows by quarters.
            EXPECT_LT(v[0], RampRate(table[0]));
        }
    }
}

struct LimitCase {
    ProfileFields typed;
    ProfileFields used;  // as the ramp is computed
    int start_field_after;
};

class ProfileLimitsTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ProfileLimitsTest, FieldsAreLimitedAndOnlyALoweredStartIsWrittenBack) {
    const LimitCase& c = GetParam();
    ProfileFields typed = c.typed;
    ProfileFields used = c.used;
    const auto expected = ComputeProfile(used);
    EXPECT_EQ(ComputeProfile(typed), expected);
    EXPECT_EQ(typed.StartVelocity, c.start_field_after);
    EXPECT_EQ(typed.MaxVelocity, c.typed.MaxVelocity);
    EXPECT_EQ(typed.Acceleration, c.typed.Acceleration);
    EXPECT_EQ(typed.AccelScale, c.typed.AccelScale);

    ProfileFields again = c.typed;
    const AccelerationProfile profile = DrawProfile(again);
    EXPECT_EQ(profile.StartVelocity, c.used.StartVelocity);
    EXPECT_EQ(profile.MaxVelocity, c.used.MaxVelocity);
    EXPECT_EQ(profile.Acceleration, c.used.Acceleration);
    EXPECT_EQ(profile.AccelScale, c.used.AccelScale);
    EXPECT_EQ(again.StartVelocity, c.start_field_after);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ProfileLimitsTest,
    ::testing::Values(LimitCase{{100, 30, 5000, 1}, {40, 40, 5000, 1}, 40},      // maximum 30 plotted as 40
                      LimitCase{{500, 300, 5000, 1}, {300, 300, 5000, 1}, 300},  // start above maximum
                      LimitCase{{10, 1000, 5000, 1}, {40, 1000, 5000, 1}, 10},   // start raised, not written
                      LimitCase{{100, 1000, 50, 1}, {100, 1000, 100, 1}, 100},
                      LimitCase{{100, 1000, 5000, 300}, {100, 1000, 5000, 1}, 100},  // scale 300 as 1
                      LimitCase{{100, 1000, 5000, -1}, {100, 1000, 5000, 1}, 100},
                      LimitCase{{100, 1000, 5000, 255}, {100, 1000, 5000, 255}, 100}));

TEST(DrawProfileTest, ALargeAccelerationIsAStepFromStartToMaximum) {
    ProfileFields fields{600, 1000, 10000000, 1};
    const AccelerationProfile profile = DrawProfile(fields);
    for (int v : profile.Velocities)
        EXPECT_EQ(v, 1000);
    EXPECT_NEAR(profile.TotalTime_s, 0.244, 1e-12);
    EXPECT_EQ(profile.TimeLabel, "0.244");
    ASSERT_EQ(profile.Polyline.size(), 246u);
    EXPECT_EQ(profile.Polyline.front().x, 0.0);
    EXPECT_EQ(profile.Polyline.front().y, 600.0);
    // Entry 0 is spent before the first point, entry i ends at (i + 1) / 1000 s.
    EXPECT_NEAR(profile.Polyline[1].x, 0.002 * 1000 / 0.244, 1e-9);
    EXPECT_EQ(profile.Polyline[1].y, 1000.0);
    EXPECT_NEAR(profile.Polyline.back().x, 0.246 * 1000 / 0.244, 1e-9);
    EXPECT_EQ(profile.Polyline.back().y, 1000.0);
}

TEST(DrawProfileTest, TotalTimeCountsTheStepsOfEntriesOneTo244) {
    for (int scale : {1, 3, 0}) {
        ProfileFields fields{100, 1000, 5000, scale};
        const AccelerationProfile profile = DrawProfile(fields);
        double expected = 0;
        for (int i = 1; i < RAMP_ENTRIES; ++i) {
            const int steps = scale == 0 ? i / 8 + 1 : scale;
            expected += static_cast<double>(steps) / profile.Velocities[static_cast<std::size_t>(i)];
        }
        EXPECT_NEAR(profile.TotalTime_s, expected, 1e-12) << "scale " << scale;
        char label[32];
        std::snprintf(label, sizeof label, "%.3f", expected);
        EXPECT_EQ(profile.TimeLabel, label);
    }
}

TEST(DrawProfileTest, TheSteepRampDrawsAPointAfterEveryStep) {
    ProfileFields fields{100, 1000, 5000, 0};
    const AccelerationProfile profile = DrawProfile(fields);
    std::size_t points = 2;  // the start and the closing point
    for (int i = 1; i < RAMP_ENTRIES; ++i)
        points += static_cast<std::size_t>(i / 8 + 1);
    EXPECT_EQ(profile.Polyline.size(), points);
    // Within one entry the velocity holds while time advances.
    EXPECT_EQ(profile.Polyline[1].y, profile.Velocities[1]);
    EXPECT_EQ(profile.Polyline[2].y, profile.Velocities[2]);
    for (std::size_t i = 1; i < profile.Polyline.size(); ++i)
        EXPECT_GT(profile.Polyline[i].x, profile.Polyline[i - 1].x);
}

TEST(DrawProfileTest, EveryEntryEndsWhereItsStepsHaveRun) {
    ProfileFields fields{100, 1000, 5000, 2};
    const AccelerationProfile profile = DrawProfile(fields);
    ASSERT_EQ(profile.Polyline.size(), static_cast<std::size_t>(RAMP_ENTRIES + 1));
    double t = 1.0 / profile.Velocities[0];
    for (int i = 1; i < RAMP_ENTRIES; ++i) {
        t += 2.0 / profile.Velocities[static_cast<std::size_t>(i)];
        EXPECT_NEAR(profile.Polyline[static_cast<std::size_t>(i)].x, t * 1000 / profile.TotalTime_s, 1e-9);
    }
    // The last point spends entry 244 once more and lands a little beyond the window.
    EXPECT_GT(profile.Polyline.back().x, 1000.0);
    EXPECT_EQ(profile.Polyline.back().y, 1000.0);
}

}  // namespace
}  // namespace zorvan::machine
