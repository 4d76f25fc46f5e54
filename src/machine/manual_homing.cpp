// Homing: by the board's own home command, or (HOMELIM) by an ordinary move that the home switch ends.
// Either way an axis's home position is set only when its move reached the switch: a move cut short by
// the emergency stop, refused by the board or ended without the switch leaves the counters alone.
#include "machine/manual_control.h"

namespace zorvan::machine {
namespace {

constexpr double HOME_SEARCH = 999.0;  // program units (A: degrees) towards the switch
constexpr int OFFSET_MOVES = 51;       // moves to the home offset: the first moves, the others repeat it
constexpr std::uint8_t ALL_AXES = 15;

// The probe input is the home switch: while a homing move runs, its closing is the move's answer.
class HomeSwitchExpected {
  public:
    explicit HomeSwitchExpected(Controller& controller) : controller_(controller) {
        controller_.ProbeExpected = true;
        controller_.ProbeTripped = false;
    }
    ~HomeSwitchExpected() { controller_.ProbeExpected = false; }
    HomeSwitchExpected(const HomeSwitchExpected&) = delete;
    HomeSwitchExpected& operator=(const HomeSwitchExpected&) = delete;

  private:
    Controller& controller_;
};

}  // namespace

void ManualControl::HomeAll() {
    if (settings.HOMELIM) {
        for (const int axis : {AxisZ, AxisY, AxisX}) {
            if (!HomeAxis(axis)) return;
        }
        if (controller_.AxisCount > 3) HomeAxis(AxisA);
        return;
    }
    if (!MayStart() || !HomingPossible()) return;
    canon_.use_tool_length_offset(0.0);
    canon_.set_origin_offsets(0.0, 0.0, 0.0);
    runner_.ManualBusy = true;
    const long stops = controller_.EmergencyStops;
    WaitForMotionComplete(controller_, panel_);
    bool homed = !Stopped(stops) && SendHome(4, stops) && SendHome(ALL_AXES, stops);
    if (homed) homed = SetHomePosition(ALL_AXES);
    if (homed) {
        std::array<double, 4> steps{};
        for (std::size_t axis = 0; axis < 4; ++axis)
            steps[axis] = ToCommandInt(settings.HomePosition[axis]);
        canon_.SetPositionFromSteps(steps);
        QueryPosition();
        const auto& offset = settings.HomeOffset;
        canon_.straight_traverse(offset[0], offset[1], offset[2]);
        canon_.move_single_axis(8, 0.0, 0.0, 0.0, offset[3]);
        WaitForMotionComplete(controller_, panel_);
    }
    runner_.ManualBusy = false;
}

bool ManualControl::HomeAxis(int axis) {
    if (!MayStart() || !HomingPossible()) return false;
    runner_.ManualBusy = true;
    const long stops = controller_.EmergencyStops;
    WaitForMotionComplete(controller_, panel_);
    // The moves to the offset keep the other axes where the board has them, not where a preview or a
    // program last left the canonical position.
    canon_.RefreshPositionFromController();
    const auto mask = static_cast<std::uint8_t>(1 << axis);
    const bool homed = !Stopped(stops) && HomeAxisMove(axis, stops) && SetHomePosition(mask);
    if (homed) {
        const double steps_per_unit = canon_.Parameters().StepsPerUnit[static_cast<std::size_t>(axis)];
        if (steps_per_unit != 0.0)
            canon_.CurrentPosition[static_cast<std::size_t>(axis)] =
                ToCommandInt(settings.HomePosition[static_cast<std::size_t>(axis)]) / steps_per_unit;
        QueryPosition();
        MoveToHomeOffset(axis);
        WaitForMotionComplete(controller_, panel_);
    }
    runner_.ManualBusy = false;
    return homed;
}

bool ManualControl::HomingPossible() {
    // Homing moves the machine; in the Edit Center its moves would only be drawn.
    if (canon_.PreviewMode) return false;
    if (controller_.EStopActive) {
        panel_.ShowStatus(controller_.StatusMessages()[MsgControllerInEStop]);
        return false;
    }
    return true;
}

bool ManualControl::SendHome(std::uint8_t mask, long stops) {
    if (canon_.Queue() == nullptr) return false;
    ControllerCommand home;
    home.code = cmdHome;
    home.axisMask = mask;
    home.option = static_cast<std::uint8_t>(settings.HomeDirections);
    home.speed = settings.HomingVel;
    // Sent as a move is: retried while the board is busy, and refused it stops the machine.
    canon_.Queue()->Dispatch(home);
    if (Stopped(stops)) return false;
    WaitForMotionComplete(controller_, panel_);
    return !Stopped(stops);
}

bool ManualControl::HomeAxisMove(int axis, long stops) {
    if (!settings.HOMELIM) return SendHome(static_cast<std::uint8_t>(1 << axis), stops);
    const double search = (settings.HomeDirections & (1 << axis)) != 0 ? HOME_SEARCH : -HOME_SEARCH;
    const HomeSwitchExpected expected(controller_);
    const interp::Position p = canon_.get_position();
    if (axis == AxisA) {
        canon_.move_single_axis(8, p.x, p.y, p.z, p.a + search);
    } else {
        canon_.set_feed_rate(settings.HomingVel * canon_.UnitsPerStep[static_cast<std::size_t>(axis)] * 60.0);
        std::array<double, 3> target{p.x, p.y, p.z};
        target[static_cast<std::size_t>(axis)] += search;
        canon_.straight_feed(target[0], target[1], target[2]);
    }
    Flush();
    // A move that starts on the switch is answered by it at once, before the wait polls.
    bool tripped = controller_.ProbeTripped;
    if (!Stopped(stops)) WaitForMotionComplete(controller_, panel_);
    if (Stopped(stops)) return false;
    tripped = tripped || controller_.ProbeTripped;
    if (!tripped) panel_.ShowStatus(HOME_NOT_FOUND);
    return tripped;
}

bool ManualControl::SetHomePosition(std::uint8_t mask) {
    ControllerCommand set;
    set.code = cmdSetPosition;
    set.x = ToCommandInt(settings.HomePosition[0]);
    set.y = ToCommandInt(settings.HomePosition[1]);
    set.z = ToCommandInt(settings.HomePosition[2]);
    set.a = ToCommandInt(settings.HomePosition[3]);
    set.axisMask = mask;
    return controller_.ControllerDispatcher(set) == Done;
}

void ManualControl::MoveToHomeOffset(int axis) {
    const interp::Position p = canon_.get_position();
    const double offset = settings.HomeOffset[static_cast<std::size_t>(axis)];
    for (int move = 0; move < OFFSET_MOVES && !controller_.EStopActive; ++move) {
        if (axis == AxisA) {
            canon_.move_single_axis(8, p.x, p.y, p.z, offset);
        } else {
            std::array<double, 3> target{p.x, p.y, p.z};
            target[static_cast<std::size_t>(axis)] = offset;
            canon_.straight_traverse(target[0], target[1], target[2]);
        }
    }
}

}  // namespace zorvan::machine
