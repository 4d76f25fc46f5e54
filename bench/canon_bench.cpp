// The canonical functions' own speed: previewing into a sink that keeps every segment, and converting
// moves to board commands in control mode with the simulated board on its virtual clock.
#include <benchmark/benchmark.h>

#include <dlfcn.h>

#include <vector>

#include "app/cli_commands.h"
#include "controller/zorvan_api_table.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/controller_startup.h"
#include "program_generator.h"

namespace {

using namespace zorvan;

// Keeps every segment drawn, as a picture's display list would.
class RecordingSink final : public machine::ToolPathSink {
  public:
    struct Segment {
        int kind;
        double x, y, z;
    };
    void SetMoveKind(int kind) override { kind_ = kind; }
    void MoveTo3D(double x, double y, double z) override { segments.push_back({-1, x, y, z}); }
    void LineTo3D(double x, double y, double z) override { segments.push_back({kind_, x, y, z}); }
    double PixelsPerUnit() const override { return 4.0; }
    std::vector<Segment> segments;

  private:
    int kind_ = 0;
};

class QuietReporter final : public interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view) override { ++errors; }
    long errors = 0;
};

constexpr long LINES = 200'000;

const std::vector<std::string>& program_lines() {
    static const std::vector<std::string> lines = app::split_lines(bench::generate_milling_program(LINES));
    return lines;
}

void BM_PreviewIntoRecordingSink(benchmark::State& state) {
    const auto& lines = program_lines();
    long count = 0;
    for (auto _ : state) {
        machine::HeadlessOperatorPanel panel;
        RecordingSink sink;
        sink.segments.reserve(static_cast<std::size_t>(LINES) * 2);
        machine::Canon canon(panel, sink);
        QuietReporter reporter;
        interp::Interpreter interpreter(canon, reporter, "/nonexistent");
        interpreter.interpreter_init();
        interpreter.interpreter_reset();
        for (const std::string& line : lines)
            interpreter.interpret_line(line);
        count += static_cast<long>(lines.size());
        benchmark::DoNotOptimize(sink.segments.data());
    }
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PreviewIntoRecordingSink)->Unit(benchmark::kMillisecond);

void BM_ControlModeIntoTheQueue(benchmark::State& state) {
    const std::filesystem::path library = app::executable_dir() / controller::ZORVAN_API_LIBRARY;
    auto api = controller::load_zorvan_api(library);
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto virtual_clock =
        handle ? reinterpret_cast<void (*)(double)>(::dlsym(handle, "ZorvanSimUseVirtualClock")) : nullptr;
    if (!api || virtual_clock == nullptr) {
        state.SkipWithError("the simulated board library is not beside the benchmark");
        return;
    }
    virtual_clock(0.001);
    const auto& lines = program_lines();
    long moves = 0;
    for (auto _ : state) {
        machine::HeadlessOperatorPanel panel;
        machine::NullToolPathSink sink;
        machine::Controller controller(panel, api);
        machine::Canon canon(panel, sink, &controller);
        QuietReporter reporter;
        interp::Interpreter interpreter(canon, reporter, "/nonexistent");
        interpreter.interpreter_init();
        if (!machine::InitController(controller, *canon.Queue(), canon, panel, false)) {
            state.SkipWithError("the simulated board did not start");
            return;
        }
        canon.Queue()->SetContouring(1);
        canon.PreviewMode = false;
        interpreter.interpreter_reset();
        interpreter.interpreter_synch();
        for (const std::string& line : lines)
            interpreter.interpret_line(line);
        canon.Queue()->FlushMotion();
        moves += static_cast<long>(lines.size());
    }
    state.counters["moves_per_second"] =
        benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ControlModeIntoTheQueue)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
