// Lines per second of the interpreter alone, of the trace and check commands, and of the floor: reading
// the same text and converting every number in it. The check command also runs as a whole process on a
// generated program file, with its peak resident memory; BIG=1 adds a program of ten million lines.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "app/cli_commands.h"
#include "config/text_file.h"
#include "interp/interpreter.h"
#include "machine/machine_time.h"
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

// The example configuration that comes with the program (contouring on, eight steps a ramp entry, a
// simulated board with its sensor), copied beside the bench's own: a run may write its files there.
const std::filesystem::path& examples_config_dir() {
    static const std::filesystem::path dir = [] {
        auto path = std::filesystem::temp_directory_path() / "zorvan-bench-examples";
        std::filesystem::create_directories(path);
        for (const char* name : {"ZorvanNC.Ini", "ZorvanSim.Ini", "ZorvanNC.tbl", "ZorvanNC.Var",
                                 "ToolChange.Cfg", "Language.cfg"})
            std::filesystem::copy_file(std::filesystem::path(ZORVAN_EXAMPLES_DIR) / name, path / name,
                                       std::filesystem::copy_options::overwrite_existing);
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

constexpr long BIG_PROGRAM_LINES = 10'000'000;
constexpr int PROCESS_RUNS = 5;  // best of: the machine's other work only ever adds time

// The generated milling program of `lines` lines as a file beside the configuration.
std::filesystem::path program_file(long lines) {
    const auto path = config_dir() / ("check-" + std::to_string(lines) + ".ngc");
    std::ofstream(path, std::ios::binary)
        << (lines == PROGRAM_LINES ? program() : zorvan::bench::generate_milling_program(lines));
    return path;
}

struct ProcessRun {
    int status = -1;
    double seconds = 0;
    double max_resident_mib = 0;  // the kernel's peak resident set of the process
};

// Runs a command with its output to /dev/null, waits for it and prints "status seconds peak-KiB". The
// benchmark starts the command through this, in a small process of its own: a process forked from the
// benchmark itself would count the benchmark's memory at the fork as its peak.
int measure_command(char** argv) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d %.6f %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds, usage.ru_maxrss);
    return 0;
}

ProcessRun run_process(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string self = "/proc/self/exe";
    std::string measure = "--measure";
    argv.push_back(self.data());
    argv.push_back(measure.data());
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ProcessRun run;
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) return run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe_ends[1], STDOUT_FILENO);
        ::close(pipe_ends[0]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipe_ends[1]);
    char answer[128] = {};
    std::size_t got = 0;
    for (ssize_t n;
         got + 1 < sizeof answer && (n = ::read(pipe_ends[0], answer + got, sizeof answer - 1 - got)) > 0;)
        got += static_cast<std::size_t>(n);
    ::close(pipe_ends[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return run;
    long peak_kib = 0;
    if (std::sscanf(answer, "%d %lf %ld", &run.status, &run.seconds, &peak_kib) != 3) run.status = -1;
    run.max_resident_mib = static_cast<double>(peak_kib) / 1024.0;
    return run;
}

// zorvannc-cli check on a program file: the best of a few runs, lines per second at that time, and the
// largest peak resident memory of any run.
void BM_CheckProcess(benchmark::State& state, long lines, const std::filesystem::path& config) {
    const auto file = program_file(lines);
    const std::string cli = (zorvan::app::executable_dir() / "zorvannc-cli").string();
    double best_seconds = 0;
    double max_resident_mib = 0;
    for (auto _ : state) {
        const ProcessRun run = run_process({cli, "check", "--config-dir", config.string(), file.string()});
        if (run.status != 0) {
            state.SkipWithError("zorvannc-cli check failed on the generated program");
            break;
        }
        state.SetIterationTime(run.seconds);
        best_seconds = best_seconds == 0 ? run.seconds : std::min(best_seconds, run.seconds);
        max_resident_mib = std::max(max_resident_mib, run.max_resident_mib);
    }
    std::filesystem::remove(file);
    state.counters["best_s"] = best_seconds;
    state.counters["lines_per_second"] = best_seconds > 0 ? static_cast<double>(lines) / best_seconds : 0;
    state.counters["max_resident_MiB"] = max_resident_mib;
}

// The machine-time estimate stats makes (GO's run on the simulated board's model), from reading the
// file to the time: to set beside check's time on the same program.
void BM_MachineTime(benchmark::State& state, long lines, const std::filesystem::path& config) {
    const auto file = program_file(lines);
    double best_seconds = 0;
    double machine_seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto lines = zorvan::app::read_program_file(file);
        zorvan::machine::MachineTimeRequest request;
        request.config_dir = config;
        if (lines) request.lines = std::move(*lines);
        request.program_name = file.string();
        const zorvan::machine::MachineTime time = zorvan::machine::EstimateMachineTime(std::move(request));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!time.known || time.stopped) {
            state.SkipWithError("the generated program could not be timed");
            break;
        }
        state.SetIterationTime(seconds);
        best_seconds = best_seconds == 0 ? seconds : std::min(best_seconds, seconds);
        machine_seconds = time.seconds;
    }
    std::filesystem::remove(file);
    state.counters["best_s"] = best_seconds;
    state.counters["lines_per_second"] = best_seconds > 0 ? static_cast<double>(lines) / best_seconds : 0;
    state.counters["machine_s"] = machine_seconds;
}

// The floor that check is measured against: read the same file and convert every number in it with strtod,
// nothing else.
void BM_FloorFile(benchmark::State& state, long lines) {
    const auto file = program_file(lines);
    double best_seconds = 0;
    double sum = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int fd = ::open(file.c_str(), O_RDONLY);
        std::vector<char> buffer(1 << 17);
        std::size_t kept = 0;
        for (;;) {
            const ssize_t got = ::read(fd, buffer.data() + kept, buffer.size() - 1 - kept);
            if (got <= 0) break;
            const std::size_t filled = kept + static_cast<std::size_t>(got);
            // Whole lines only, so that no number is cut at the end of a read.
            std::size_t end = filled;
            while (end > 0 && buffer[end - 1] != '\n')
                --end;
            const char saved = buffer[end];
            buffer[end] = 0;
            for (const char* p = buffer.data(); *p != 0;) {
                if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
                    char* stop = nullptr;
                    sum += std::strtod(p, &stop);
                    p = stop > p ? stop : p + 1;
                } else {
                    ++p;
                }
            }
            buffer[end] = saved;
            kept = filled - end;
            std::copy(buffer.data() + end, buffer.data() + filled, buffer.data());
        }
        ::close(fd);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        best_seconds = best_seconds == 0 ? seconds : std::min(best_seconds, seconds);
    }
    benchmark::DoNotOptimize(sum);
    std::filesystem::remove(file);
    state.counters["best_s"] = best_seconds;
    state.counters["lines_per_second"] = best_seconds > 0 ? static_cast<double>(lines) / best_seconds : 0;
}

const bool process_benchmarks_registered = [] {
    std::vector<long> sizes = {PROGRAM_LINES};
    const char* big = std::getenv("BIG");
    if (big != nullptr && std::string_view(big) == "1") sizes.push_back(BIG_PROGRAM_LINES);
    for (long lines : sizes) {
        std::string suffix = "/";  // appended: GCC 12 warns falsely (-Wrestrict) about "/" + a string
        suffix.append(std::to_string(lines));
        // Each with the bench's bare configuration, then with the example one.
        for (const bool examples : {false, true}) {
            const std::filesystem::path config = examples ? examples_config_dir() : config_dir();
            const std::string named = suffix + (examples ? "/examples" : "");
            benchmark::RegisterBenchmark(("BM_CheckProcess" + named).c_str(), BM_CheckProcess, lines, config)
                ->UseManualTime()
                ->Iterations(PROCESS_RUNS)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("BM_MachineTime" + named).c_str(), BM_MachineTime, lines, config)
                ->UseManualTime()
                ->Iterations(PROCESS_RUNS)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("BM_FloorFile" + suffix).c_str(), BM_FloorFile, lines)
            ->UseManualTime()
            ->Iterations(PROCESS_RUNS)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string_view(argv[1]) == "--measure") return measure_command(argv + 2);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
