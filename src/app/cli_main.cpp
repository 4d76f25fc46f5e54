#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return zorvan::app::cli_main(args, stdout, stderr);
}
