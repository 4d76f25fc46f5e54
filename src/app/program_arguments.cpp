#include "app/program_arguments.h"

namespace zorvan::app {

ProgramArguments parse_program_arguments(const std::vector<std::string>& arguments) {
    ProgramArguments result;
    bool options_ended = false;
    for (const std::string& argument : arguments) {
        if (!options_ended && argument == "--") {
            options_ended = true;
        } else if (!options_ended && (argument == "--help" || argument == "-h")) {
            result.help = true;
        } else if (!options_ended && argument.size() > 1 && argument[0] == '-') {
            result.error = "unknown option " + argument;
            return result;
        } else if (!result.program.empty()) {
            result.error = "one program at a time: " + result.program + " and " + argument;
            return result;
        } else {
            result.program = argument;
        }
    }
    return result;
}

std::string program_usage() {
    return "usage: zorvannc [PROGRAM]\n"
           "Starts the operator program on the board library beside it and opens PROGRAM, a G-code file,\n"
           "in the editor as File > Open does.\n";
}

}  // namespace zorvan::app
