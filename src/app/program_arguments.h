// The operator program's command line: at most one G-code program, opened at start-up as File > Open
// opens it. Qt's own options are taken out by the application object before these are read.
#pragma once

#include <string>
#include <vector>

namespace zorvan::app {

struct ProgramArguments {
    std::string program;  // empty: start with an empty editor
    bool help = false;    // --help or -h: print the usage and end
    std::string error;    // not empty: print it and the usage and end with status 2
};

// `arguments` without the program's own name. "--" ends the options, so a program may begin with "-".
ProgramArguments parse_program_arguments(const std::vector<std::string>& arguments);

// The usage text, ending with a line break.
std::string program_usage();

}  // namespace zorvan::app
