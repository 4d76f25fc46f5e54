// The rendered view's carving speed: how many stock cells a cutter compares and lowers per second.
#include <benchmark/benchmark.h>

#include "display/cam_grid.h"

namespace {

using namespace zorvan;

// A 100 mm square of stock in 0.05 mm cells (about four million cells), carved by a 6 mm ball cutter
// (121 x 121 profile cells) along lines across the part, each pass a little deeper, as a finishing raster
// would.
void BM_CutLineBall6mmFineGrid(benchmark::State& state) {
    display::TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(0, 100, 0, 100, 0.05, 0.05);
    grid.SetCutter(config::StyleBall, 0, 6.0);
    double y = 5.0, z = -1.0;
    const unsigned long long before = grid.CellsStamped();
    for (auto _ : state) {
        grid.CutLine(5.0, y, z, 95.0, y + 0.5, z);
        y += 0.5;
        if (y > 95.0) y = 5.0, z -= 0.01;
    }
    const double cells = static_cast<double>(grid.CellsStamped() - before);
    state.counters["cells_stamped_per_s"] = benchmark::Counter(cells, benchmark::Counter::kIsRate);
    state.counters["cells_per_line"] = cells / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CutLineBall6mmFineGrid)->Unit(benchmark::kMillisecond);

}  // namespace
