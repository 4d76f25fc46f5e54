#include "app/cli_preview.h"
#include "app/program_folder.h"

#include <charconv>
#include <optional>
#include <system_error>

#include "app/cli_commands.h"
#include "app/trace_canon.h"
#include "config/machine_config.h"
#include "config/text_file.h"
#include "display/machine_drawing.h"
#include "display/tool_path_view.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/controller_dispatcher.h"
#include "machine/machine_startup.h"
#include "machine/program_runner.h"

namespace zorvan::app {
namespace {

constexpr const char* USAGE =
    "usage: zorvannc-cli preview FILE --png OUT [--view top|front|iso] [--size WxH] [--config-dir DIR]\n";
constexpr int kLargestSide = 8192;  // pixels; a picture of 256 MB at most

std::optional<std::pair<int, int>> parse_size(std::string_view text) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    int width = 0, height = 0;
    const auto whole = [](std::string_view part, int& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return error == std::errc() && end == part.data() + part.size() && !part.empty();
    };
    if (!whole(text.substr(0, x), width) || !whole(text.substr(x + 1), height)) return std::nullopt;
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) return std::nullopt;
    return std::pair{width, height};
}

}  // namespace

QImage draw_preview(const PreviewOptions& options, std::string_view text, std::FILE* out) {
    TraceOutput output(out);
    TraceErrorReporter errors(output);
    SwitchedReporter reporter(&errors);
    machine::HeadlessOperatorPanel panel;
    display::TVectorDisplay3D view(options.width, options.height);
    machine::Canon canon(panel, view);
    interp::Interpreter interpreter(canon, reporter, options.config_dir);
    machine::StartInterpreter(options.config_dir, std::nullopt, interpreter, canon);

    const config::StartupSettings settings = config::load_startup_settings(options.config_dir);
    view.ColorLinear = settings.ColorLinear;
    view.ColorRapid = settings.ColorRapid;
    view.ColorCW = settings.ColorCW;
    view.ColorCCW = settings.ColorCCW;
    view.SetBackgroundColor(settings.ColorBackground);
    const display::ViewBox table = display::table_box(settings);

    machine::Controller controller(panel, std::nullopt);
    machine::ProgramRunner runner(interpreter, canon, controller, panel);
    runner.ControlCenter = false;
    runner.lines = program_lines(std::string(text));
    interpreter.set_program_name(options.file.string());

    if (options.view_mode == 2)
        view.ViewFront();
    else if (options.view_mode == 3)
        view.ViewIsometric();
    else
        view.ViewTop();
    view.FitWindow(table, 20, true, 20);
    view.ClearPicture();
    display::draw_machine_and_tool(view, table, panel, canon);
    runner.All();

    const auto e = canon.PathExtentsInProgramUnits();
    const display::ViewBox drawn{
        e[0], e[1], e[2], e[3], e[4], e[5], (e[5] - e[4]) / 2, (e[3] - e[2]) / 2, (e[1] - e[0]) / 2};
    view.FitWindow(drawn, 20, true, 20);
    view.ClearPicture();
    display::draw_machine_and_tool(view, table, panel, canon);
    reporter.enabled = true;
    runner.All();
    output.flush();
    return view.ShowPicture();
}

int run_preview_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    PreviewOptions options;
    options.config_dir = default_config_dir();
    std::optional<std::string> file, png;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        bool missing_value = false;
        if (take_flag_value(args, i, "--png", value)) {
            png = value;
        } else if (take_flag_value(args, i, "--config-dir", value)) {
            options.config_dir = value;
        } else if (take_flag_value(args, i, "--view", value)) {
            if (value == "top")
                options.view_mode = 1;
            else if (value == "front")
                options.view_mode = 2;
            else if (value == "iso")
                options.view_mode = 3;
            else
                missing_value = true;
        } else if (take_flag_value(args, i, "--size", value)) {
            const auto size = parse_size(value);
            if (!size) {
                missing_value = true;
            } else {
                options.width = size->first;
                options.height = size->second;
            }
        } else if (missing_value || (arg.size() > 1 && arg[0] == '-') || file) {
            missing_value = true;
        } else {
            file = arg;
        }
        if (missing_value) {
            std::fputs(USAGE, err);
            return EXIT_USAGE;
        }
    }
    if (!file || !png || png->empty()) {
        std::fputs(USAGE, err);
        return EXIT_USAGE;
    }
    options.file = *file;
    const auto text = config::read_text_file(options.file);
    if (!text) {
        std::fprintf(err, "zorvannc-cli: cannot read %s\n", file->c_str());
        return EXIT_USAGE;
    }
    const QImage picture = draw_preview(options, *text, out);

    // Written beside the target and renamed into place, so a failed save leaves no half picture.
    const std::filesystem::path target = *png;
    std::filesystem::path temporary = target;
    temporary += ".part";
    std::error_code error;
    if (!picture.save(QString::fromStdString(temporary.string()), "PNG")) {
        std::filesystem::remove(temporary, error);
        std::fprintf(err, "zorvannc-cli: cannot write %s\n", png->c_str());
        return EXIT_USAGE;
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        std::fprintf(err, "zorvannc-cli: cannot write %s\n", png->c_str());
        return EXIT_USAGE;
    }
    return EXIT_CLEAN;
}

}  // namespace zorvan::app
