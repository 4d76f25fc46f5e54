#include "machine/operator_panel.h"

namespace zorvan::machine {

void HeadlessOperatorPanel::SetOutputButton(OutputButton button, int caption_entry, bool pressed) {
    Button& b = buttons[static_cast<int>(button)];
    b.caption_entry = caption_entry;
    b.pressed = pressed;
}

}  // namespace zorvan::machine
