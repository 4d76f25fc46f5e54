// Lines per second of the interpreter alone, of the trace and check commands, and of the floor: reading
// the same text and converting every number in it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "app/cli_commands.h"
#include "interp/interpreter.h"
#include "program_generator.h"

namespace {

using zorvan::interp::CanonToolTableEntry;
using zorvan::interp::Position;

// A machine that records nothing: what is left is the interpreter's own work.
class NullCanon final : public zorvan::interp::CanonicalMachine {
  public:
    void init_canon(const std::string&) override {}
    void exit_canon() override {}
    void use_length_units(int) override {}
    void set_origin_offsets(double, double, double) override {}
    void use_tool_length_offset(double) override {}
    void set_feed_rate(double) override {}
    void set_feed_reference(int) override {}
    void select_plane(int) override {}
    void set_motion_control_mode(int) override {}
    void straight_traverse(double, double, double) override {}
    void straight_feed(double, double, double) override {}
    void straight_probe(double, double, double) override {}
    void arc_feed(double, double, double, double, int, double) override {}
    void dwell(double) override {}
    void move_single_axis(int, double, double, double, double) override {}
    void set_spindle_speed(double) override {}
    void start_spindle_clockwise() override {}
    void start_spindle_counterclockwise() override {}
    void stop_spindle_turning() override {}
    void start_speed_feed_synch() override {}
    void stop_speed_feed_synch() override {}
    void orient_spindle(double) override {}
    void mist_on() override {}
    void mist_off() override {}
    void flood_on() override {}
    void flood_off() override {}
    void enable_feed_override() override {}
    void disable_feed_override() override {}
    void enable_speed_override() override {}
    void disable_speed_override() override {}
    void select_tool(int) override {}
    void change_tool(int) override {}
    void turn_probe_on() override {}
    void turn_probe_off() override {}
    void program_stop() override {}
    void optional_program_stop() override {}
    void program_end() override {}
    void pallet_shuttle() override {}
    Position get_position() override { return {}; }
    double get_feed_rate() override { return 0; }
    double get_traverse_rate() override { return 0; }
    int get_flood() override { return 0; }
    int get_mist() override { return 0; }
    int get_selected_tool_slot() override { return 0; }
    int get_tool_slot() override { return 1; }
    double get_spindle_speed() override { return 0; }
    int get_spindle_state() override { return 1; }
    int get_motion_control_mode() override { return 2; }
    int get_tool_max() override { return 32; }
    // Every tool 2 mm across, so compensated programs have a radius to work with.
    CanonToolTableEntry get_tool_table_entry(int index) override { return {index, 0.0, 2.0}; }
    Position get_probe_position() override { return {}; }
    double get_probe_value() override { return 1.0; }
    int queue_empty() override { return 1; }
};

class CountingReporter final : public zorvan::interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view) override { ++errors; }
    long errors = 0;
};

constexpr long PROGRAM_LINES = 1'000'000;
constexpr long COMPENSATED_MOVES = 100'000;
constexpr long CYCLE_HOLES = 100'000;

const std::string& program() {
    static const std::string text = zorvan::bench::generate_milling_program(PROGRAM_LINES);
    return text;
}

const std::string& compensated_program() {
    static const std::string text = zorvan::bench::generate_compensated_program(COMPENSATED_MOVES);
    return text;
}

const std::string& cycle_program() {
    static const std::string text = zorvan::bench::generate_cycle_program(CYCLE_HOLES);
    return text;
}

long count_lines(std::string_view text) {
    long lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

// A configuration folder whose tool 1 is 2 mm across, for the compensated program.
const std::filesystem::path& config_dir() {
    static const std::filesystem::path dir = [] {
        auto path = std::filesystem::temp_directory_path() / "zorvan-bench-config";
        std::filesystem::create_directories(path);
        std::ofstream(path / "ZorvanNC.tbl", std::ios::binary)
            << "SLOT ID LEN DIAM STYLE ANG/RAD COMMENT\r\nSTYLE\r\n\r\n0 0 0 0 0 0 Tool Reset\r\n"
               "1 1 0 2 0 0 Flat 2\r\n";
        return path;
    }();
    return dir;
}

template <typename Fn>
void for_each_line(std::string_view text, Fn&& fn) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        fn(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

void interpret_alone(benchmark::State& state, const std::string& text) {
    long lines = 0;
    long errors = 0;
    for (auto _ : state) {
        NullCanon canon;
        CountingReporter reporter;
        zorvan::interp::Interpreter interpreter(canon, reporter, "/nonexistent");
        interpreter.interpreter_init();
        interpreter.interpreter_reset();
        for_each_line(text, [&](std::string_view line) {
            interpreter.interpret_line(line);
            ++lines;
        });
        errors += reporter.errors;
    }
    if (errors != 0) state.SkipWithError("the generated program raised errors");
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
void run_cli(benchmark::State& state, const std::string& text, bool print_calls) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    zorvan::app::ProgramRunOptions options;
    options.config_dir = config_dir();
    const long program_lines = count_lines(text);
    long lines = 0;
    for (auto _ : state) {
        if (zorvan::app::run_program_text(options, text, print_calls, sink) != 0) {
            state.SkipWithError("the generated program raised errors");
        }
        lines += program_lines;
    }
    std::fclose(sink);
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}

void BM_InterpreterAlone(benchmark::State& state) {
    interpret_alone(state, program());
}
BENCHMARK(BM_InterpreterAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Trace(benchmark::State& state) {
    run_cli(state, program(), true);
}
BENCHMARK(BM_Trace)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Check(benchmark::State& state) {
    run_cli(state, program(), false);
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_CompensatedInterpreterAlone(benchmark::State& state) {
    interpret_alone(state, compensated_program());
}
BENCHMARK(BM_CompensatedInterpreterAlone)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_CompensatedCheck(benchmark::State& state) {
    run_cli(state, compensated_program(), false);
}
BENCHMARK(BM_CompensatedCheck)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_CycleInterpreterAlone(benchmark::State& state) {
    interpret_alone(state, cycle_program());
}
BENCHMARK(BM_CycleInterpreterAlone)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_CycleCheck(benchmark::State& state) {
    run_cli(state, cycle_program(), false);
}
BENCHMARK(BM_CycleCheck)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The floor: split the text into lines and convert every number in it, nothing else.
void BM_ReadAndConvertNumbers(benchmark::State& state) {
    const std::string& text = program();
    long lines = 0;
    double sum = 0;
    for (auto _ : state) {
        for_each_line(text, [&](std::string_view line) {
            std::string copy(line);
            const char* p = copy.c_str();
            while (*p) {
                if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
                    char* end;
                    sum += std::strtod(p, &end);
                    p = end > p ? end : p + 1;
                } else {
                    ++p;
                }
            }
            ++lines;
        });
    }
    benchmark::DoNotOptimize(sum);
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadAndConvertNumbers)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
