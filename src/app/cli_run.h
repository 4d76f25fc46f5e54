// zorvannc-cli run: a program run on the board as GO runs it, printing what the board is sent.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace zorvan::app {

// Exit status when the run ended in the emergency stop (a limit switch, a failed dispatch).
inline constexpr int EXIT_EMERGENCY_STOP = 3;

// args are those after "run".
int run_on_board_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace zorvan::app
