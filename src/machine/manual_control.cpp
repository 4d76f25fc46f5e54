#include "machine/manual_control.h"

#include <cmath>

#include "config/number_text.h"
#include "machine/machine_startup.h"

namespace zorvan::machine {
namespace {

constexpr double CONTINUOUS_DISTANCE = 99.0;   // program units: a continuous jog runs until let go
constexpr double CONTINUOUS_DEGREES = 360.0;   // the A axis's continuous jog
constexpr double NUDGE = 0.001;                // program units: the rapid before a continuous jog
constexpr long OVERRIDE_CEILING = 65535 - 27;  // step-timer ticks, less the timer base
constexpr int MSG_COULD_NOT_RESET = 4;
constexpr double ONE_MOVE_SPEED = 9999999.0;  // the speed of a Step or distance jog, above RAPID_JOG

// The jog box's text with only what a number may hold, in its order.
std::string NumberCharacters(std::string_view text, char separator) {
    std::string kept;
    for (const char c : text) {
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'E' || c == 'e' || c == separator)
            kept.push_back(c);
    }
    return kept;
}

}  // namespace

void ManualSettings::HomePositionsToSteps(const std::array<double, 4>& units_per_step) {
    for (std::size_t axis = 0; axis < 4; ++axis) {
        if (units_per_step[axis] != 0.0)
            HomePosition[axis] = std::round(HomePosition[axis] / units_per_step[axis]);
    }
}

ManualSettings ManualSettingsFrom(const config::StartupSettings& s) {
    ManualSettings m;
    m.FastJog = s.FastJog;
    m.MedJog = s.MedJog;
    m.SlowJog = s.SlowJog;
    m.HomingVel = s.HomingVel;
    m.HOMELIM = s.HOMELIM;
    m.HomeDirections = s.HomeDirections;
    m.HomePosition = s.HomePosition;
    m.HomeOffset = s.HomeOffset;
    m.OverrideStep = OverrideStepFor(s.MaxSps);
    m.SAFETY = s.SAFETY;
    m.Keypad = s.Keypad;
    m.SpeedKeys = s.SpeedKeys;
    m.DecimalSeparator = s.DecimalSeparator;
    return m;
}

int OverrideStepFor(int max_sps) {
    const int m = max_sps;
    // A top speed below one step per second has no timer period to step by.
    if (m <= 0 || m - m / 50 <= 0) return 27;
    return static_cast<int>(std::lround(1.25e6 / (m - m / 50)) - std::lround(1.25e6 / m) + 27);
}

std::optional<double> ReadJogDistance(std::string_view text, char separator) {
    const std::string kept = NumberCharacters(text, separator);
    if (kept.empty() || kept == "-") return 0.0;
    return config::parse_real(kept, separator);
}

std::string ConversionErrorText(std::string_view text) {
    // Appended in place: GCC 12 warns falsely (-Wrestrict) about a string literal plus a string.
    std::string message = "'";
    message.append(text).append("' is not a valid floating point value");
    return message;
}

void SetSpindlePwm(Controller& controller, int percent) {
    const controller::ZorvanApiTable* api = controller.Api();
    if (!controller.ControllerPresent || api == nullptr) return;
    api->SetPWMOutput(static_cast<std::uint8_t>(percent));
}

void ManualControl::Flush() {
    if (canon_.Queue() != nullptr) canon_.Queue()->FlushMotion();
}

void ManualControl::QueryPosition() {
    ControllerCommand query;
    query.code = cmdGetPosition;
    controller_.ControllerDispatcher(query);
}

std::optional<ManualControl::JogMove> ManualControl::JogParameters(int axis) {
    ContinuousJog = true;
    const std::string text = view_->JogText();
    const double continuous = axis == AxisA ? CONTINUOUS_DEGREES : CONTINUOUS_DISTANCE;
    std::optional<JogMove> move;
    if (text == "Fast") {
        move = JogMove{continuous, settings.FastJog};
    } else if (text == "Med") {
        move = JogMove{continuous, settings.MedJog};
    } else if (text == "Slow") {
        move = JogMove{continuous, settings.SlowJog};
    } else {
        ContinuousJog = false;
        if (text == "Step") {
            move = JogMove{std::fabs(canon_.UnitsPerStep[static_cast<std::size_t>(axis)]), ONE_MOVE_SPEED};
        } else if (const auto distance = ReadJogDistance(text, settings.DecimalSeparator)) {
            move = JogMove{*distance, ONE_MOVE_SPEED};
        } else {
            panel_.ShowModalMessage(ConversionErrorText(NumberCharacters(text, settings.DecimalSeparator)));
        }
    }
    view_->FocusEditor();
    return move;
}

// What stays true: a continuous jog's feed is sent only while the button or key is held, and one that
// was let go while its feed was being handed to a busy board is ended once the board has it.
void ManualControl::Jog(int axis, int direction) {
    if (!MayStart()) return;
    runner_.ManualBusy = true;
    released_ = false;
    const long stops = controller_.EmergencyStops;
    canon_.RefreshPositionFromController();
    const interp::Position p = canon_.get_position();
    const auto move = JogParameters(axis);
    if (!move) {
        // Nothing moves, so nothing waits for a release: the flags are not left set.
        ContinuousJog = false;
        runner_.ManualBusy = false;
        return;
    }
    const double d = direction * move->distance;
    const bool continuous = move->speed <= RAPID_JOG;
    bool ends_on_release = false;  // a move that runs until let go was sent
    if (axis == AxisA) {
        ContinuousJog = false;
        if (continuous) {
            canon_.set_feed_rate(move->speed);
            ContinuousJog = true;
            ends_on_release = true;
        }
        const double a = panel_.DisplayPosition()[3] * canon_.UnitsPerStep[3];
        canon_.move_single_axis(8, p.x, p.y, p.z, a + d);
    } else {
        const auto to = [&p, axis](double delta) {
            std::array<double, 3> target{p.x, p.y, p.z};
            target[static_cast<std::size_t>(axis)] += delta;
            return target;
        };
        if (!continuous) {
            const auto t = to(d);
            canon_.straight_traverse(t[0], t[1], t[2]);
        } else {
            ContinuousJog = false;
            const auto nudge = to(direction * NUDGE);
            canon_.straight_traverse(nudge[0], nudge[1], nudge[2]);
            if (!released_ && !Stopped(stops)) {
                ContinuousJog = true;
                ends_on_release = true;
                canon_.set_feed_rate(move->speed);
                const auto t = to(d);
                canon_.straight_feed(t[0], t[1], t[2]);
            }
        }
    }
    Flush();
    if (ends_on_release && released_ && !Stopped(stops)) EndCurrentMove();
    WaitForMotionComplete(controller_, panel_);
    ContinuousJog = false;
    runner_.ManualBusy = false;
}

void ManualControl::EndJog() {
    released_ = true;
    if (!ContinuousJog) return;
    // Cleared first: a second release arriving inside the wait below has nothing left to end. The jog
    // itself clears ManualBusy as it unwinds, right after this wait.
    ContinuousJog = false;
    EndCurrentMove();
    WaitForMotionComplete(controller_, panel_);
}

void ManualControl::EndCurrentMove() {
    ControllerCommand end;
    end.code = cmdEndCurrentMove;
    bool ended = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (controller_.ControllerDispatcher(end) == Done) {
            ended = true;
            QueryMotionState(controller_);
        }
    }
    if (!ended && controller_.ControllerPresent) controller_.RaiseEmergencyStop();
}

void ManualControl::ZeroAxis(int axis) {
    // Counters changed under a moving program or jog would shift every target still to come.
    if (!MayStart()) return;
    if (!view_->Confirm(ZERO_QUESTION)) return;
    canon_.BacklashDisplayOffset[static_cast<std::size_t>(axis)] = 0.0;
    ControllerCommand zero;
    zero.code = cmdSetPosition;
    zero.axisMask = static_cast<std::uint8_t>(1 << axis);
    if (controller_.ControllerDispatcher(zero) != Done) return;
    // The other axes keep their place; the zeroed one is now at the machine's 0.
    canon_.CurrentPosition[static_cast<std::size_t>(axis)] = 0.0;
    QueryPosition();
}

void ManualControl::ZeroAll() {
    if (!MayStart()) return;
    if (!view_->Confirm(ZERO_QUESTION)) return;
    canon_.BacklashDisplayOffset = {};
    ControllerCommand zero;
    zero.code = cmdSetPosition;
    zero.axisMask = 15;
    if (controller_.ControllerDispatcher(zero) != Done) return;
    canon_.SetCurrentPosition(0.0, 0.0, 0.0, 0.0);
    QueryPosition();
}

void ManualControl::FeedOverride(int position) {
    const long value = static_cast<long>(settings.OverrideStep) * position;
    if (value > OVERRIDE_CEILING - settings.ControllerTimerBase) return;
    ControllerCommand c;
    c.code = cmdSetFeedOverride;
    c.speed = static_cast<std::int32_t>(value);
    controller_.ControllerDispatcher(c);
}

void ManualControl::Output(OutputButton button, bool down) {
    switch (button) {
        case OutputButton::Mist:
            down ? canon_.mist_on() : canon_.mist_off();
            break;
        case OutputButton::Flood:
            down ? canon_.flood_on() : canon_.flood_off();
            break;
        case OutputButton::SpindleClockwise:
            down ? canon_.start_spindle_clockwise() : canon_.stop_spindle_turning();
            break;
        case OutputButton::SpindleCounterClockwise:
            down ? canon_.start_spindle_counterclockwise() : canon_.stop_spindle_turning();
            break;
    }
}

void ManualControl::ExecuteCommand(std::string_view text) {
    if (!MayStart()) return;
    runner_.ManualBusy = true;
    canon_.RefreshPositionFromController();
    ++interpreting_;
    interpreter_.interpreter_synch();
    interpreter_.execute_direct(text);
    --interpreting_;
    Flush();
    WaitForMotionComplete(controller_, panel_);
    runner_.ManualBusy = false;
}

std::optional<std::string> ManualControl::SpeedKeyText(int key) const {
    if (key < KeyF1 || key > KeyF10) return std::nullopt;
    const auto index = static_cast<std::size_t>(key - KeyF1);
    if (index >= settings.SpeedKeys.size()) return std::nullopt;
    return settings.SpeedKeys[index];
}

bool ManualControl::SetCoordinates(double x, double y, double z, double a) {
    if (!MayStart()) return false;
    const auto steps = [this](double value, std::size_t axis) {
        const double per_step = canon_.UnitsPerStep[axis];
        return per_step != 0.0 ? ToCommandInt(value / per_step) : 0;
    };
    ControllerCommand set;
    set.code = cmdSetPosition;
    set.x = steps(x, 0), set.y = steps(y, 1), set.z = steps(z, 2), set.a = steps(a, 3);
    set.axisMask = 15;
    if (controller_.ControllerDispatcher(set) != Done) return false;
    // The fields are in program units; the canonical position is kept in millimetres.
    const double scale = canon_.LengthUnitScale;
    canon_.SetCurrentPosition(x * scale, y * scale, z * scale, a);
    QueryPosition();
    return true;
}

bool ManualControl::ResetController(const std::filesystem::path& config_dir) {
    // A run, a preview or a typed command is interpreting a line: the interpreter cannot be started
    // again under it. The machine is stopped; the reset can be asked for again once it has unwound.
    if (runner_.RunsOnStack() || interpreting_ > 0 || !view_->ManualAllowed()) {
        panel_.EmergencyStop(true);
        return false;
    }
    if (canon_.Queue() != nullptr) canon_.Queue()->DiscardMotion();
    const std::string name = interpreter_.program_name();
    StartInterpreter(config_dir, std::nullopt, interpreter_, canon_);
    interpreter_.set_program_name(name);
    canon_.mist_off();
    canon_.flood_off();
    canon_.stop_spindle_turning();
    panel_.EmergencyStop(true);
    panel_.ProcessMessages();
    view_->SelectControlCenter();
    if (StartController(config_dir, controller_, canon_, panel_)) {
        QueryMotionState(controller_);
        canon_.mist_off();
        canon_.flood_off();
        canon_.stop_spindle_turning();
        return true;
    }
    controller_.ControllerPresent = false;
    panel_.ShowModalMessage(view_->Message(MSG_COULD_NOT_RESET, "Could not Reset Controller"));
    panel_.ShowStatus("");
    return false;
}

}  // namespace zorvan::machine
