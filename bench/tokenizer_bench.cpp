// The editor's colouring: lines of a generated milling program scanned token by token, as the editor
// asks for them while it paints.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "display/gcode_tokenizer.h"
#include "program_generator.h"

namespace {

void BM_TokenizeLines(benchmark::State& state) {
    const std::string text = zorvan::bench::generate_milling_program(100000);
    const std::vector<std::string> lines = zorvan::app::split_lines(text);
    zorvan::display::TSynGCodeSyn scanner;
    long long tokens = 0;
    for (auto _ : state) {
        int number = 0;
        for (const std::string& line : lines) {
            scanner.SetLine(line, number++);
            do {
                scanner.Next();
                benchmark::DoNotOptimize(scanner.GetTokenAttribute());
                ++tokens;
            } while (!scanner.GetEol());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(lines.size()));
    state.counters["tokens/line"] =
        static_cast<double>(tokens) / static_cast<double>(state.iterations() * lines.size());
}
BENCHMARK(BM_TokenizeLines)->Unit(benchmark::kMillisecond);

}  // namespace
