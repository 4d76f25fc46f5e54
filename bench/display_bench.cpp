// The tool-path view's speed: segments drawn into a full-HD picture, and the preview command end to end
// on a generated program of a million lines (read, two passes, PNG written).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "app/cli_preview.h"
#include "display/tool_path_view.h"
#include "program_generator.h"

namespace {

using namespace zorvan;

void BM_SegmentsIntoFullHdPicture(benchmark::State& state) {
    display::TVectorDisplay3D view(1920, 1080);
    view.FitWindow({0, 200, 0, 100, -10, 0, 0, 50, 100}, 20, true, 20);
    // Short moves of a few pixels, like a CAM program's, with now and then one across the picture.
    std::mt19937 random(1);
    std::uniform_real_distribution<double> step(-2.0, 2.0);
    std::uniform_int_distribution<int> kind(0, 99);
    std::vector<std::array<double, 3>> points(1 << 16);
    double x = 100, y = 50;
    for (auto& p : points) {
        if (kind(random) == 0) {
            x = 100 + 25 * step(random);
            y = 50 + 12 * step(random);
        } else {
            x += step(random);
            y += step(random);
        }
        p = {x, y, -1.0};
    }
    long segments = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            view.SetMoveKind(static_cast<int>(i & 3));
            view.LineTo3D(points[i][0], points[i][1], points[i][2]);
        }
        segments += static_cast<long>(points.size());
        benchmark::DoNotOptimize(view.ShowPicture().constBits());
    }
    state.counters["segments_per_second"] =
        benchmark::Counter(static_cast<double>(segments), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SegmentsIntoFullHdPicture)->Unit(benchmark::kMillisecond);

void BM_PreviewCommandOneMillionLines(benchmark::State& state) {
    constexpr long LINES = 1'000'000;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zorvan-preview-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path program = dir / "job.ngc";
    {
        std::ofstream file(program, std::ios::binary);
        file << bench::generate_milling_program(LINES);
    }
    const std::vector<std::string> args{program.string(), "--png",     (dir / "job.png").string(),
                                        "--size",         "1920x1080", "--config-dir",
                                        dir.string()};
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        if (app::run_preview_command(args, sink, sink) != 0) state.SkipWithError("the preview failed");
    }
    std::fclose(sink);
    std::error_code error;
    std::filesystem::remove_all(dir, error);
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(LINES * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PreviewCommandOneMillionLines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
