// A program runner made ready for GO on the fake board, as the runner's tests start it.
#pragma once

#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/fake_board.h"
#include "machine/operator_panel.h"
#include "machine/program_runner.h"

namespace zorvan::testing {

// The board reset and present, the emergency stop wired to the runner, the interpreter in millimetres
// at the start of "test.ngc", the canon out of preview, and the runner showing on view.
inline void ReadyForGo(machine::HeadlessOperatorPanel& panel, machine::Controller& controller,
                       machine::Canon& canon, interp::Interpreter& interpreter,
                       machine::ProgramRunner& runner, machine::RunView& view) {
    fake_board(true);
    controller.ControllerPresent = true;
    panel.on_emergency_stop = [&runner](bool on) { runner.EmergencyStop(on); };
    interpreter.interpreter_init();
    interpreter.execute_direct("G21");
    canon.PreviewMode = false;
    interpreter.set_program_name("test.ngc");
    runner.SetView(&view);
}

}  // namespace zorvan::testing
