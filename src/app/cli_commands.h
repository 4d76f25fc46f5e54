// The headless commands of zorvannc-cli, callable from tests and benchmarks.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zorvan::app {

struct ProgramRunOptions {
    std::filesystem::path config_dir;  // where ZorvanNC.Ini, the parameter file and the tool table live
    std::optional<std::string> units;  // "G20" or "G21", overriding the configured start units
    std::filesystem::path file;
};

// Exit statuses of the commands.
inline constexpr int EXIT_CLEAN = 0;
inline constexpr int EXIT_REPORTED_ERROR = 1;
inline constexpr int EXIT_USAGE = 2;

// Runs the program as the preview "All" runs it. With print_calls every canonical call is printed
// (trace); without, only the errors and a closing count (check).
int run_program(const ProgramRunOptions& options, bool print_calls, std::FILE* out, std::FILE* err);

// Runs program text that is already in memory; used by run_program and by the benchmarks.
int run_program_text(const ProgramRunOptions& options, std::string_view text, bool print_calls,
                     std::FILE* out);

// The whole command line: "trace" and "check".
int cli_main(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

std::filesystem::path executable_dir();

}  // namespace zorvan::app
