#include "app/cli_commands.h"
#include "app/program_folder.h"

#include <string_view>

#include "app/cli_config.h"
#include "app/cli_preview.h"
#include "app/cli_run.h"
#include "app/cli_simulate.h"
#include "app/cli_stats.h"
#include "app/cli_travel.h"
#include "app/trace_canon.h"
#include "config/text_file.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/machine_startup.h"
#include "machine/travel_check.h"

namespace zorvan::app {
namespace {

constexpr const char* USAGE =
    "usage: zorvannc-cli trace [--config-dir DIR] [--units G20|G21] FILE\n"
    "       zorvannc-cli check [--config-dir DIR] [--units G20|G21] [--travel] FILE\n"
    "       zorvannc-cli run [--config-dir DIR] [--units G20|G21] [--realtime] FILE\n"
    "       zorvannc-cli stats [--config-dir DIR] [--units G20|G21] FILE\n"
    "       zorvannc-cli preview FILE --png OUT [--view top|front|iso] [--size WxH] [--config-dir DIR]\n"
    "       zorvannc-cli simulate FILE --png OUT [--size WxH] [--resolution R] [--config-dir DIR]\n"
    "       zorvannc-cli config [--config-dir DIR]\n";

}  // namespace

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view take_line(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

machine::ProgramText program_lines(std::string text) {
    return machine::ProgramText::FromText(std::move(text));
}

std::optional<machine::ProgramText> read_program_file(const std::filesystem::path& path) {
    auto text = config::read_text_file(path);
    if (!text) return std::nullopt;
    return program_lines(std::move(*text));
}

std::vector<std::string> split_lines(std::string_view text) {
    return program_lines(std::string(text)).ToVector();
}

std::filesystem::path executable_dir() {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path();
    return exe.parent_path();
}

namespace {

// Program text already in memory, handed out as the editor's lines.
class TextLines {
  public:
    explicit TextLines(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        if (text_.empty()) return false;
        line = take_line(text_);
        return true;
    }
    bool failed() const { return false; }

  private:
    std::string_view text_;
};

// The preview "All" over lines from memory or from a file read as it goes; a file that fails part-way
// gets no closing message, since its end was never seen.
template <typename Lines>
long run_lines_as_all(interp::Interpreter& interpreter, const std::filesystem::path& file, Lines& source,
                      bool past_probes) {
    interpreter.interpreter_reset();
    interpreter.set_program_name(file.string());
    long lines = 0;
    std::string_view line;
    while (source.next(line)) {
        ++lines;
        const int result = interpreter.interpret_line(line);
        if (result != interp::RESULT_OK && !(past_probes && result == interp::RESULT_PROBE)) break;
    }
    if (!source.failed() && interpreter.block().m_modes[4] != 1) {
        interpreter.report_error("File ended with no stopping command given");
    }
    return lines;
}

template <typename Lines>
int run_program_lines(const ProgramRunOptions& options, Lines& source, bool print_calls, std::FILE* out,
                      std::FILE* err) {
    TraceOutput output(out);
    TraceErrorReporter errors(output);
    SwitchedReporter reporter(&errors);
    machine::HeadlessOperatorPanel panel;
    machine::NullToolPathSink sink;
    machine::Canon canon(panel, sink);
    // With --travel every move passes the table check on its way to the canon; without, nothing stands
    // between the tracer and the canon.
    std::optional<machine::TravelCheck> travel;
    std::optional<machine::TravelCheckingCanon> checking;
    if (options.travel) {
        travel.emplace(machine::TableLimitsOf(config::load_startup_settings(options.config_dir)),
                       TRAVEL_REPORTS_PRINTED);
        checking.emplace(canon, *travel);
    }
    TracingCanon tracer(checking ? static_cast<interp::CanonicalMachine&>(*checking) : canon, output);
    interp::Interpreter interpreter(tracer, reporter, options.config_dir);

    machine::StartInterpreter(options.config_dir, options.units, interpreter, canon);

    tracer.set_enabled(print_calls);
    reporter.enabled = true;
    long lines = 0;
    if (travel) {
        NumberedLines numbered(source, *travel);
        lines = run_lines_as_all(interpreter, options.file, numbered, false);
    } else {
        lines = run_lines_as_all(interpreter, options.file, source, false);
    }
    if (source.failed()) {
        output.flush();
        std::fprintf(err, "zorvannc-cli: cannot read %s\n", options.file.string().c_str());
        return EXIT_USAGE;
    }
    if (!print_calls) {
        output.append_int(lines);
        output.append(" lines interpreted\n");
    }
    if (travel) append_travel_report(output, *travel);
    output.flush();
    const bool excursions = travel && travel->Count() > 0;
    return errors.count() == 0 && !excursions ? EXIT_CLEAN : EXIT_REPORTED_ERROR;
}

}  // namespace

long run_as_all(interp::Interpreter& interpreter, const std::filesystem::path& file, std::string_view text,
                bool past_probes) {
    TextLines source(text);
    return run_lines_as_all(interpreter, file, source, past_probes);
}

int run_program_text(const ProgramRunOptions& options, std::string_view text, bool print_calls,
                     std::FILE* out) {
    TextLines source(text);
    return run_program_lines(options, source, print_calls, out, nullptr);
}

// The file is read as the lines are interpreted: memory stays bounded whatever the program's length.
int run_program(const ProgramRunOptions& options, bool print_calls, std::FILE* out, std::FILE* err) {
    config::TextFileLines source(options.file);
    if (!source.is_open()) {
        std::fprintf(err, "zorvannc-cli: cannot read %s\n", options.file.string().c_str());
        return EXIT_USAGE;
    }
    return run_program_lines(options, source, print_calls, out, err);
}

bool take_flag_value(const std::vector<std::string>& args, std::size_t& i, std::string_view flag,
                     std::string& value) {
    const std::string& arg = args[i];
    if (arg == flag) {
        if (i + 1 >= args.size()) return false;
        value = args[++i];
        return true;
    }
    if (arg.size() > flag.size() && arg.compare(0, flag.size(), flag) == 0 && arg[flag.size()] == '=') {
        value = arg.substr(flag.size() + 1);
        return true;
    }
    return false;
}

bool parse_program_options(const std::vector<std::string>& args, std::size_t first,
                           ProgramRunOptions& options, bool* realtime, bool accept_travel) {
    options.config_dir = default_config_dir();
    std::optional<std::string> file;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (take_flag_value(args, i, "--config-dir", value)) {
            options.config_dir = value;
        } else if (take_flag_value(args, i, "--units", value)) {
            if (!equals_ignoring_case(value, "G20") && !equals_ignoring_case(value, "G21")) return false;
            options.units = value;
        } else if (arg == "--realtime" && realtime != nullptr) {
            *realtime = true;
        } else if (arg == "--travel" && accept_travel) {
            options.travel = true;
        } else if ((arg.size() > 1 && arg[0] == '-' && arg != "-") || file) {
            return false;
        } else {
            file = arg;
        }
    }
    if (!file) return false;
    options.file = *file;
    return true;
}

int cli_main(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    if (!args.empty() && args[0] == "config")
        return run_config_command({args.begin() + 1, args.end()}, out, err);
    if (!args.empty() && args[0] == "run")
        return run_on_board_command({args.begin() + 1, args.end()}, out, err);
    if (!args.empty() && args[0] == "stats")
        return run_stats_command({args.begin() + 1, args.end()}, out, err);
    if (!args.empty() && args[0] == "simulate")
        return run_simulate_command({args.begin() + 1, args.end()}, out, err);
    if (!args.empty() && args[0] == "preview")
        return run_preview_command({args.begin() + 1, args.end()}, out, err);
    if (args.empty() || (args[0] != "trace" && args[0] != "check")) {
        std::fputs(USAGE, err);
        return EXIT_USAGE;
    }
    ProgramRunOptions options;
    if (!parse_program_options(args, 1, options, nullptr, args[0] == "check")) {
        std::fputs(USAGE, err);
        return EXIT_USAGE;
    }
    return run_program(options, args[0] == "trace", out, err);
}

}  // namespace zorvan::app
