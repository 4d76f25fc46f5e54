#include "machine/machine_startup.h"

#include <cctype>
#include <string_view>

#include "config/machine_config.h"
#include "config/profile_file.h"
#include "machine/controller_startup.h"

namespace zorvan::machine {
namespace {

bool is_inch(std::string_view units) {
    return units.size() == 3 && std::toupper(static_cast<unsigned char>(units[0])) == 'G' &&
           units[1] == '2' && units[2] == '0';
}

}  // namespace

void StartInterpreter(const std::filesystem::path& config_dir, const std::optional<std::string>& units,
                      interp::Interpreter& interpreter, Canon& canon) {
    // Separator first, so every later number reads with it.
    std::string start_units = "G21";
    const auto configuration = config::main_configuration_path(config_dir);
    if (auto ini = config::ProfileFile::load(configuration)) {
        interpreter.set_decimal_separator(config::read_decimal_separator(*ini));
        start_units = ini->read_string("RS274NGC", "UNITS", "G21");
    }
    canon.SetConfigurationFile(configuration, interpreter.decimal_separator());
    canon.BindInterpreterToolTable(&interpreter.settings().tool_table);
    canon.SetDirectExecutor(
        [&interpreter](std::string_view line) { return interpreter.execute_direct(line); });
    if (units) start_units = *units;
    interpreter.interpreter_init();
    interpreter.execute_direct(is_inch(start_units) ? "G20" : "G21");
}

bool StartController(const std::filesystem::path& config_dir, Controller& controller, Canon& canon,
                     OperatorPanel& panel) {
    const config::StartupSettings settings = config::load_startup_settings(config_dir);
    // The canon drops A moves and the board drives only this many axes; a machine changed between
    // starts must not keep the previous count.
    controller.AxisCount = settings.AxisCount;
    if (!InitController(controller, *canon.Queue(), canon, panel, settings.InvertStepPulse)) {
        controller.ControllerPresent = false;
        return false;
    }
    return true;
}

}  // namespace zorvan::machine
