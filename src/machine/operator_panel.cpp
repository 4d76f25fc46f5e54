#include "machine/operator_panel.h"

#include <cmath>

namespace zorvan::machine {

void HeadlessOperatorPanel::SetOutputButton(OutputButton button, int caption_entry, bool pressed) {
    Button& b = buttons[static_cast<int>(button)];
    b.caption_entry = caption_entry;
    b.pressed = pressed;
}

std::array<double, 4> HeadlessOperatorPanel::DisplayPosition() const {
    std::array<double, 4> position{};
    for (std::size_t axis = 0; axis < 4; ++axis) {
        position[axis] =
            display_steps[axis] - (backlash_offsets != nullptr ? (*backlash_offsets)[axis] : 0.0);
    }
    return position;
}

void HeadlessOperatorPanel::EmergencyStop(bool on) {
    if (on) ++emergency_stops;
    in_emergency_stop = on;
    if (on_emergency_stop) on_emergency_stop(on);
}

void ShowRoundedPosition(OperatorPanel& panel, const std::array<double, 4>& steps) {
    panel.UpdatePositionDisplay(
        static_cast<std::int32_t>(std::lround(steps[0])), static_cast<std::int32_t>(std::lround(steps[1])),
        static_cast<std::int32_t>(std::lround(steps[2])), static_cast<std::int32_t>(std::lround(steps[3])));
}

}  // namespace zorvan::machine
