// The operator program's command line: one program to open, the usage, and what is refused.
#include "app/program_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zorvan::app {
namespace {

struct ArgumentsCase {
    std::vector<std::string> arguments;
    std::string program;
    bool help;
    std::string error;
};

TEST(ProgramArguments, OneProgramHelpAndWhatIsRefused) {
    const std::vector<ArgumentsCase> cases = {
        {{}, "", false, ""},
        {{"part.ngc"}, "part.ngc", false, ""},
        {{"--help"}, "", true, ""},
        {{"part.ngc", "-h"}, "part.ngc", true, ""},
        {{"--", "-odd.ngc"}, "-odd.ngc", false, ""},
        {{"-"}, "-", false, ""},
        {{"--units=G20", "part.ngc"}, "", false, "unknown option --units=G20"},
        {{"a.ngc", "b.ngc"}, "a.ngc", false, "one program at a time: a.ngc and b.ngc"},
    };
    for (const ArgumentsCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const ProgramArguments parsed = parse_program_arguments(c.arguments);
        EXPECT_EQ(parsed.program, c.program);
        EXPECT_EQ(parsed.help, c.help);
        EXPECT_EQ(parsed.error, c.error);
    }
}

}  // namespace
}  // namespace zorvan::app
