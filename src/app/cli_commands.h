// The headless commands of zorvannc-cli, callable from tests and benchmarks.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/program_text.h"

namespace zorvan::app {

struct ProgramRunOptions {
    std::filesystem::path config_dir;  // where ZorvanNC.Ini, the parameter file and the tool table live
    std::optional<std::string> units;  // "G20" or "G21", overriding the configured start units
    std::filesystem::path file;
    bool travel = false;  // check: also every move against the machine's table
};

// Exit statuses of the commands.
inline constexpr int EXIT_CLEAN = 0;
inline constexpr int EXIT_REPORTED_ERROR = 1;
inline constexpr int EXIT_USAGE = 2;

// Runs the program as the preview "All" runs it. With print_calls every canonical call is printed
// (trace); without, only the errors and a closing count (check). The file is read as its lines are
// interpreted, so memory does not grow with the program's length. With options.travel every move is
// also checked against the machine's table and the excursions follow the count; any of them makes the
// status EXIT_REPORTED_ERROR, as an error in the program does.
int run_program(const ProgramRunOptions& options, bool print_calls, std::FILE* out, std::FILE* err);

// Runs program text that is already in memory; used by run_program and by the benchmarks.
int run_program_text(const ProgramRunOptions& options, std::string_view text, bool print_calls,
                     std::FILE* out);

// The whole command line: "trace" and "check".
int cli_main(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

std::filesystem::path executable_dir();

bool equals_ignoring_case(std::string_view a, std::string_view b);

// "--flag value" or "--flag=value" at args[i]: the value, with i moved past what was taken. false when
// args[i] is another argument or the flag has no value after it.
bool take_flag_value(const std::vector<std::string>& args, std::size_t& i, std::string_view flag,
                     std::string& value);

// The options of the commands that run a program: [--config-dir DIR] [--units G20|G21] FILE,
// --realtime where `realtime` is given, and --travel (into options.travel) where `accept_travel` is set.
// false for anything else (a usage error).
bool parse_program_options(const std::vector<std::string>& args, std::size_t first,
                           ProgramRunOptions& options, bool* realtime, bool accept_travel = false);

// Runs a program's text as the preview "All" runs it: interpreter_reset, every line through interpret_line
// until a result other than 0 (probe results too unless past_probes), then "File ended with no stopping
// command given" unless a program end stopped it. Returns the number of lines handed to the interpreter.
long run_as_all(interp::Interpreter& interpreter, const std::filesystem::path& file, std::string_view text,
                bool past_probes = false);

// The program text as the editor's lines: split at line feeds, a carriage return before one dropped, and
// no empty line after a final line feed. take_line removes the first line from the text and returns it.
std::string_view take_line(std::string_view& text);
std::vector<std::string> split_lines(std::string_view text);
machine::ProgramText program_lines(std::string text);  // the same lines, the text taken over
// A program file's lines, found as the file is read; nullopt when it cannot be read.
std::optional<machine::ProgramText> read_program_file(const std::filesystem::path& path);

}  // namespace zorvan::app
