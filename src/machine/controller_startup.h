// Finding the board and giving it the machine's acceleration, speed limit, position and arc direction.
#pragma once

#include "machine/canon.h"
#include "machine/controller_dispatcher.h"
#include "machine/motion_queue.h"
#include "machine/operator_panel.h"

namespace zorvan::machine {

// The board's arc-direction code from the signs of the X and Y scales.
int ArcDirectionCode(double x_steps_per_mm, double y_steps_per_mm);

// true when a board answered and took the set-up. ControllerPresent is set at the start and left set
// on failure: the caller clears it on a false result.
bool InitController(Controller& controller, MotionQueue& queue, Canon& canon, OperatorPanel& panel,
                    bool invert_step_pulse);

}  // namespace zorvan::machine
