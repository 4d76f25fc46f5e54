// The machine-time estimate's line times and its cancel, which the window's run display relies on.
#include "machine/machine_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

ProgramText feeds(int count) {
    ProgramText text;
    text.push_back("G21 G90 F600");
    for (int i = 1; i <= count; ++i)
        text.push_back("G1 X" + std::to_string(i % 2 ? 5 : 0) + " Y" + std::to_string(i % 3));
    text.push_back("G4 P2");
    text.push_back("M2");
    return text;
}

TEST(MachineTimeEstimate, LineTimesRiseToTheWholeTimeAndADwellCountsInFull) {
    zorvan::testing::TempDir machine;
    std::vector<float> times;
    MachineTimeRequest request{machine.path(), std::nullopt, feeds(40), "p.ngc", nullptr, &times};
    const MachineTime t = EstimateMachineTime(std::move(request));
    ASSERT_TRUE(t.known);
    EXPECT_FALSE(t.stopped);
    ASSERT_EQ(times.size(), 43u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_LE(times.back(), t.seconds);
    // 40 moves of 5 mm or more at 10 mm/s, then the two-second dwell the board waits out.
    EXPECT_GT(t.seconds, 40 * 0.5 + 2);
    EXPECT_GE(t.seconds - times[41], 2.0);
}

TEST(MachineTimeEstimate, ACancelGivesTheEstimateUp) {
    zorvan::testing::TempDir machine;
    std::atomic<bool> cancel{true};
    MachineTimeRequest request{machine.path(), std::nullopt, feeds(5000), "p.ngc", &cancel, nullptr};
    const MachineTime t = EstimateMachineTime(std::move(request));
    EXPECT_FALSE(t.known);
}

// Estimates run beside the window's own interpreter; two at once in two threads do not disturb each other.
TEST(MachineTimeEstimate, EstimatesInTwoThreadsAgree) {
    zorvan::testing::TempDir machine;
    double seconds[2] = {0, 0};
    auto estimate = [&](int slot) {
        seconds[slot] =
            EstimateMachineTime({machine.path(), std::nullopt, feeds(300), "p.ngc", nullptr, nullptr})
                .seconds;
    };
    std::thread first(estimate, 0), second(estimate, 1);
    first.join();
    second.join();
    EXPECT_GT(seconds[0], 0);
    EXPECT_EQ(seconds[0], seconds[1]);
}

}  // namespace
}  // namespace zorvan::machine

namespace zorvan::machine {
namespace {

// The estimate takes a copy of the window's lines into its thread; the copies share one buffer, and a
// line added to either must not show in the other.
TEST(ProgramTextCopies, ALineAddedToOneCopyIsNotInTheOther) {
    ProgramText original{"G0 X1", "G1 X2"};
    ProgramText copy = original;
    original.push_back("M2");
    copy.push_back("G1 X3");
    ASSERT_EQ(original.size(), 3u);
    ASSERT_EQ(copy.size(), 3u);
    EXPECT_EQ(original[2], "M2");
    EXPECT_EQ(copy[2], "G1 X3");
    EXPECT_EQ(copy[1], "G1 X2");
    ProgramText empty;
    ProgramText empty_copy = empty;
    empty_copy.push_back("M2");
    EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace zorvan::machine
