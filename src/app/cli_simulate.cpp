#include "app/cli_simulate.h"
#include "app/program_folder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string_view>

#include "app/cli_commands.h"
#include "app/trace_canon.h"
#include "config/text_file.h"
#include "display/cam_grid.h"
#include "display/stock_picture.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/machine_startup.h"
#include "machine/operator_panel.h"
#include "machine/stock_extents.h"
#include "machine/tool_path_sink.h"

namespace zorvan::app {
namespace {

constexpr const char* USAGE =
    "usage: zorvannc-cli simulate FILE --png OUT [--size WxH] [--resolution R] [--config-dir DIR]\n";

constexpr int DEFAULT_WIDTH_PX = 800;
constexpr int DEFAULT_HEIGHT_PX = 600;
constexpr int MAX_SIDE_PX = 16384;
constexpr double DEFAULT_CELLS_ACROSS = 1000;
// Keeps the grid within about 130 MB of cells.
constexpr double MAX_CELLS_ACROSS = 4000;

struct SimulateOptions {
    ProgramRunOptions run;
    std::string png;
    int width_px = DEFAULT_WIDTH_PX;
    int height_px = DEFAULT_HEIGHT_PX;
    double cells_across = DEFAULT_CELLS_ACROSS;
};

std::optional<int> parse_int(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> parse_real(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool parse_size(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return false;
    const auto w = parse_int(text.substr(0, x));
    const auto h = parse_int(text.substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > MAX_SIDE_PX || *h > MAX_SIDE_PX) return false;
    width = *w;
    height = *h;
    return true;
}

std::optional<SimulateOptions> parse_arguments(const std::vector<std::string>& args) {
    SimulateOptions options;
    options.run.config_dir = default_config_dir();
    std::optional<std::string> file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (take_flag_value(args, i, "--png", value)) {
            options.png = value;
        } else if (take_flag_value(args, i, "--size", value)) {
            if (!parse_size(value, options.width_px, options.height_px)) return std::nullopt;
        } else if (take_flag_value(args, i, "--resolution", value)) {
            const auto cells = parse_real(value);
            if (!cells || !(*cells >= 1 && *cells <= MAX_CELLS_ACROSS)) return std::nullopt;
            options.cells_across = *cells;
        } else if (take_flag_value(args, i, "--config-dir", value)) {
            options.run.config_dir = value;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return std::nullopt;
        } else if (!file) {
            file = arg;
        } else {
            return std::nullopt;
        }
    }
    if (!file || options.png.empty()) return std::nullopt;
    options.run.file = *file;
    return options;
}

struct PassResult {
    std::array<double, 6> extents{};  // program coordinates: min X, max X, min Y, max Y, min Z, max Z
    double widest_radius = 0;         // of the cutters the program selected, tool table units
};

// One run of the program on a fresh headless machine, as the preview runs it; with a stock the moves
// carve it and the tool changes shape its cutter.
PassResult run_pass(const ProgramRunOptions& options, std::string_view text, machine::StockSink* stock,
                    TraceErrorReporter* errors) {
    SwitchedReporter reporter(errors);
    machine::HeadlessOperatorPanel panel;
    machine::NullToolPathSink sink;
    machine::Canon canon(panel, sink);
    interp::Interpreter interpreter(canon, reporter, options.config_dir);
    machine::StartInterpreter(options.config_dir, options.units, interpreter, canon);
    if (stock != nullptr) {
        canon.SetStockSink(stock);
        canon.RenderedView = true;
    }
    reporter.enabled = true;
    // The stock's top is Z 0 and the tip cuts at the programmed Z: a length offset taken from the tool
    // table would lift every move by the tool's length above the stock.
    for (interp::CanonToolTableEntry& tool : interpreter.settings().tool_table)
        tool.length = 0;
    run_as_all(interpreter, options.file, text);
    PassResult result;
    result.extents = machine::StockExtents(canon);
    for (const config::ToolEntry& tool : canon.ToolList()) {
        if (!tool.Used) continue;
        const double diameter = tool.Diameter == 0 ? 0.25 : tool.Diameter;
        result.widest_radius = std::max(result.widest_radius, diameter / 2);
    }
    return result;
}

// The stock covers every point the cutter's edge reaches, so the picture shows whole grooves, and the
// cell count depends only on the requested resolution, not on the size of the part.
void setup_stock(display::TCamGrid& grid, const PassResult& path, double cells_across) {
    double x_low = path.extents[0] - path.widest_radius, x_high = path.extents[1] + path.widest_radius;
    double y_low = path.extents[2] - path.widest_radius, y_high = path.extents[3] + path.widest_radius;
    double span = std::max(x_high - x_low, y_high - y_low);
    if (!(span > 0)) {
        // A program that never leaves one point still shows a small square of stock around it.
        span = 1.0;
        x_low -= 0.5, x_high += 0.5, y_low -= 0.5, y_high += 0.5;
    }
    const double step = span / cells_across;
    grid.Resolution = 1.0;
    grid.SetupStock(x_low, x_high, y_low, y_high, step, step);
}

}  // namespace

display::TCamGrid simulate_stock(const ProgramRunOptions& run, std::string_view text, double cells_across,
                                 std::FILE* out) {
    const PassResult path = run_pass(run, text, nullptr, nullptr);
    display::TCamGrid grid;
    setup_stock(grid, path, cells_across);
    display::CamGridStock stock(grid);
    TraceOutput output(out);
    TraceErrorReporter errors(output);
    run_pass(run, text, &stock, &errors);
    return grid;
}

int run_simulate_command(const std::vector<std::string>& args_after_simulate, std::FILE* out,
                         std::FILE* err) {
    const auto options = parse_arguments(args_after_simulate);
    if (!options) {
        std::fputs(USAGE, err);
        return EXIT_USAGE;
    }
    const auto text = config::read_text_file(options->run.file);
    if (!text) {
        std::fprintf(err, "zorvannc-cli: cannot read %s\n", options->run.file.string().c_str());
        return EXIT_USAGE;
    }

    const display::TCamGrid grid = simulate_stock(options->run, *text, options->cells_across, out);
    if (const auto failure =
            display::save_stock_picture(grid, options->width_px, options->height_px, options->png)) {
        std::fprintf(err, "zorvannc-cli: %s\n", failure->c_str());
        return EXIT_USAGE;
    }
    return EXIT_CLEAN;
}

}  // namespace zorvan::app
