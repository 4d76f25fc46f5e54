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

// The board in its own thread is handed the host's calls and answers them later; the time, the waits and
// the line times must be those of the board in the host's thread, whatever the program does.
TEST(MachineTimeEstimate, TheBoardInItsOwnThreadTimesAsInTheHostsThread) {
    zorvan::testing::TempDir machine;
    const struct {
        const char* name;
        ProgramText program;
    } cases[] = {
        {"feeds and a dwell", feeds(200)},
        {"arcs, rapids and outputs",
         {"G21 G90 F900", "M3 S1000", "M8", "G0 X10 Y0", "G2 X20 Y0 I5 J0", "G3 X10 Y0 I-5 J0",
          "G1 X10 Y10 F300", "G2 X10 Y10 I0 J-5", "M9", "M5", "G0 Z5", "M2"}},
        {"program stops",
         {"G21 G90 F600", "G1 X5", "M0", "G1 X0", "M1", "G1 Y5", "G4 P0.5", "M0", "G1 Y0", "M2"}},
        {"incremental short segments",
         [] {
             ProgramText text{"G21 G91 F1200"};
             for (int i = 0; i < 600; ++i)
                 text.push_back(i % 2 ? "G1 X0.05 Y0.02" : "G1 X0.03 Y-0.02 Z0.001");
             text.push_back("M2");
             return text;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> threaded_times, host_times;
        MachineTimeRequest threaded{machine.path(), std::nullopt, c.program,
                                    "p.ngc",        nullptr,      &threaded_times};
        MachineTimeRequest in_host = threaded;
        in_host.line_times = &host_times;
        in_host.board_thread = false;
        const MachineTime a = EstimateMachineTime(std::move(threaded));
        const MachineTime b = EstimateMachineTime(std::move(in_host));
        ASSERT_TRUE(a.known);
        EXPECT_GT(a.seconds, 0);
        EXPECT_EQ(a.seconds, b.seconds);
        EXPECT_EQ(a.operator_waits, b.operator_waits);
        EXPECT_EQ(a.stopped, b.stopped);
        EXPECT_EQ(threaded_times, host_times);
    }
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

// A file's text is kept with its own line breaks; lines added after it, ending in a carriage return or
// not, keep their characters, and every line before them still reads as it was.
TEST(ProgramTextCopies, LinesAddedAfterATakenOverTextReadAsGiven) {
    ProgramText text = ProgramText::FromText("G0\r\r\n\nG1\rX2\r\nM2\r");
    text.push_back("X\r");
    text.push_back("");
    text.push_back("Y");
    const std::vector<std::string> expected{"G0\r", "", "G1\rX2", "M2", "X\r", "", "Y"};
    EXPECT_EQ(text.ToVector(), expected);
    EXPECT_TRUE(ProgramText::FromText("").empty());
    EXPECT_EQ(ProgramText::FromText("\n").ToVector(), std::vector<std::string>{""});
}

}  // namespace
}  // namespace zorvan::machine
