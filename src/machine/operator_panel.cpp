#include "machine/operator_panel.h"

namespace zorvan::machine {

void HeadlessOperatorPanel::SetOutputButton(OutputButton button, int caption_entry, bool pressed) {
    Button& b = buttons[static_cast<int>(button)];
    b.caption_entry = caption_entry;
    b.pressed = pressed;
}

void HeadlessOperatorPanel::EmergencyStop(bool on) {
    if (on) ++emergency_stops;
    in_emergency_stop = on;
    if (on_emergency_stop) on_emergency_stop(on);
}

}  // namespace zorvan::machine
