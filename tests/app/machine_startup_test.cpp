// The controller start-up that the window and `zorvannc-cli run` share, on the recording board: what
// it hands the board from the configuration, read anew at every start.
#include "machine/machine_startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine/fake_board.h"
#include "support/temp_dir.h"

namespace zorvan::machine {
namespace {

using testing::fake_board;

class ControllerStart : public ::testing::Test {
  protected:
    ControllerStart() { fake_board(true); }

    // The board's SetMaxSPS call of the last start.
    std::string max_sps_call() const {
        for (const std::string& call : fake_board().calls) {
            if (call.rfind("SetMaxSPS(", 0) == 0) return call;
        }
        return "none";
    }

    zorvan::testing::TempDir temp;
    HeadlessOperatorPanel panel;
    NullToolPathSink sink;
    Controller controller{panel, testing::fake_board_table()};
    Canon canon{panel, sink, &controller};
};

// One machine started again after each change of its configuration: a count from an earlier start
// must not stay.
TEST_F(ControllerStart, TakesTheAxesAndTheStepPulseFromTheConfigurationAtEachStart) {
    struct Case {
        const char* ini;  // nullptr: no configuration file
        int axes;
        const char* max_sps_call;
    };
    const Case cases[] = {
        {nullptr, 3, "SetMaxSPS(1000, 3, 0, 0)"},
        {"[TRAJ]\r\nAXES=4\r\n", 4, "SetMaxSPS(1000, 4, 0, 0)"},
        {"[CONTROLLER]\r\nINVERTED=1\r\n", 3, "SetMaxSPS(1000, 3, 1, 0)"},
        {"[TRAJ]\r\nAXES=4\r\n[CONTROLLER]\r\nINVERTED=1\r\n", 4, "SetMaxSPS(1000, 4, 1, 0)"},
        {"[TRAJ]\r\nAXES=3\r\n[CONTROLLER]\r\nINVERTED=0\r\n", 3, "SetMaxSPS(1000, 3, 0, 0)"},
    };
    for (const Case& c : cases) {
        const std::string name = c.ini ? c.ini : "(no file)";
        if (c.ini) temp.write("ZorvanNC.Ini", c.ini);
        fake_board().calls.clear();
        EXPECT_TRUE(StartController(temp.path(), controller, canon, panel)) << name;
        EXPECT_TRUE(controller.ControllerPresent) << name;
        EXPECT_EQ(controller.AxisCount, c.axes) << name;
        EXPECT_EQ(max_sps_call(), c.max_sps_call) << name;
    }
}

TEST_F(ControllerStart, ABoardThatDoesNotAnswerLeavesTheControllerAbsent) {
    temp.write("ZorvanNC.Ini", "[TRAJ]\r\nAXES=4\r\n");
    fake_board().firmware_version = 0.0;
    EXPECT_FALSE(StartController(temp.path(), controller, canon, panel));
    EXPECT_FALSE(controller.ControllerPresent);
    EXPECT_EQ(controller.AxisCount, 4);
}

}  // namespace
}  // namespace zorvan::machine
