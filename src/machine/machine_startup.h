// The start-up both programs make from a configuration folder: the interpreter with its canonical
// functions, then the board with the configured axes and step pulse.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/controller_dispatcher.h"
#include "machine/operator_panel.h"

namespace zorvan::machine {

// The decimal separator and the configuration file of the folder, the interpreter's tool table and
// direct commands bound to the canon, interpreter_init, then the start units as a direct command:
// `units` ("G20" or "G21", any case) when given, else the configured RS274NGC/UNITS.
void StartInterpreter(const std::filesystem::path& config_dir, const std::optional<std::string>& units,
                      interp::Interpreter& interpreter, Canon& canon);

// The board started with the folder's TRAJ/AXES as the controller's axis count and its
// CONTROLLER/INVERTED as the step pulse, both read anew at each start. The canon drives `controller`
// through its queue. false, with ControllerPresent cleared, when no board took the set-up.
bool StartController(const std::filesystem::path& config_dir, Controller& controller, Canon& canon,
                     OperatorPanel& panel);

}  // namespace zorvan::machine
