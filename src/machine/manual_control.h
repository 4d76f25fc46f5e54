// Manual machine control: jogs, homing, zeroing, typed commands (MDI), the feed-override and spindle
// sliders, the output buttons, the keyboard and the controller reset, as the machine panel drives them.
// Free of any window: the window only wires its controls to these operations.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/machine_config.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/controller_dispatcher.h"
#include "machine/operator_panel.h"
#include "machine/program_runner.h"

namespace zorvan::machine {

// What the manual operations ask of the window beyond the operator panel and the run view. Without a
// window the jog box says "Slow", every question is answered No and the clicks do nothing.
class ManualView : public RunView {
  public:
    // The jog box's text, which selects the jog kind.
    virtual std::string JogText() const { return "Slow"; }
    virtual void SetJogText(std::string_view) {}
    // The keyboard goes back to the editor, so that the jog box does not keep the keys.
    virtual void FocusEditor() {}
    // A question with the buttons Yes and No; true for Yes.
    virtual bool Confirm(std::string_view) { return false; }
    // No run or preview of the window is under way (a manual operation would change the canonical
    // position under it).
    virtual bool ManualAllowed() const { return true; }
    virtual bool OutputButtonDown(OutputButton) const { return false; }
    // The keyboard's clicks on the window's buttons GO and Reset (ESTP).
    virtual void ClickGo() {}
    virtual void ClickStop() {}
    // Selects the Control Center as its menu item does.
    virtual void SelectControlCenter() {}
};

// Key codes of the keyboard rules, in the desktop's virtual-key numbering that the window maps to.
enum KeyCode : int {
    KeyEnter = 13,
    KeyShift = 16,
    KeyPause = 19,
    KeyEscape = 27,
    KeyPageUp = 33,
    KeyPageDown = 34,
    KeyLeft = 37,
    KeyUp = 38,
    KeyRight = 39,
    KeyDown = 40,
    KeyNumpad0 = 96,
    KeyNumpad3 = 99,
    KeyNumpad8 = 104,
    KeyNumpad9 = 105,
    KeyMultiply = 106,
    KeyAdd = 107,
    KeySeparator = 108,
    KeySubtract = 109,
    KeyDecimal = 110,
    KeyDivide = 111,
    KeyF1 = 112,
    KeyF5 = 116,
    KeyF9 = 120,
    KeyF10 = 121,
};

enum JogAxis : int { AxisX = 0, AxisY = 1, AxisZ = 2, AxisA = 3 };

// The question before any zeroing.
inline constexpr const char* ZERO_QUESTION = "OK to Zero Coordinates?";
// The status of a homing move against the switch that ended without meeting it.
inline constexpr const char* HOME_NOT_FOUND = "Home switch not found.";
// Jog speeds above this are no feed: the jog is one move at rapid speed.
inline constexpr double RAPID_JOG = 999999.0;  // program units per minute

// What the manual operations take from the configuration.
struct ManualSettings {
    double FastJog = 1.0;  // continuous jog feeds, program units per minute
    double MedJog = 1.0;
    double SlowJog = 1.0;
    int HomingVel = 100;  // steps/s
    bool HOMELIM = false;
    int HomeDirections = 0;                // bits 1, 2, 4, 8 for X, Y, Z, A: set homes towards +
    std::array<double, 4> HomePosition{};  // configuration units (A: degrees) until HomePositionsToSteps
    std::array<double, 4> HomeOffset{};    // configuration units (A: degrees)
    int OverrideStep = 27;                 // step-timer ticks per position of the feed-override slider
    int ControllerTimerBase = 65000;       // step-timer reload of the board's top speed
    bool SAFETY = true;
    bool Keypad = false;
    std::vector<std::string> SpeedKeys;  // F1 to F10 in the command box
    char DecimalSeparator = '.';

    // From here on the home positions are motor steps; an axis without steps keeps its value rather
    // than becoming infinite.
    void HomePositionsToSteps(const std::array<double, 4>& units_per_step);
};

ManualSettings ManualSettingsFrom(const config::StartupSettings& settings);
// Ticks per slider position: round(1.25e6 / (m - m div 50)) - round(1.25e6 / m) + 27 for MAXSPS m.
int OverrideStepFor(int max_sps);

// The jog box's text read as a distance: only digits, signs, exponent letters and the decimal
// separator are kept; nothing or a lone "-" is 0. nullopt when what is kept is no number.
std::optional<double> ReadJogDistance(std::string_view text, char separator);
// The text of the standard conversion error for what the jog box read.
std::string ConversionErrorText(std::string_view text);

// The spindle slider's handler: the slider's percentage to the board's PWM output whenever a board is
// present, in preview mode too. The library's answer is not examined.
void SetSpindlePwm(Controller& controller, int percent);

class ManualControl {
  public:
    ManualControl(interp::Interpreter& interpreter, Canon& canon, Controller& controller,
                  OperatorPanel& panel, ProgramRunner& runner)
        : interpreter_(interpreter), canon_(canon), controller_(controller), panel_(panel), runner_(runner) {}

    void SetView(ManualView* view) { view_ = view != nullptr ? view : &no_view_; }

    ManualSettings settings;
    // A jog that must be ended on release is moving.
    bool ContinuousJog = false;

    // Jogs. The distance (program units, degrees for A) and the speed (program units per minute, above
    // RAPID_JOG for a move at rapid speed) of a jog of the axis, from the jog box; nullopt, with the
    // conversion error shown, when the box holds no number.
    struct JogMove {
        double distance = 0.0;
        double speed = 0.0;
    };
    std::optional<JogMove> JogParameters(int axis);
    // Jogs the axis by +d (direction 1) or -d (-1) and waits until it stops.
    void Jog(int axis, int direction);
    // The button or key was let go (or the window lost the keyboard): a continuous jog stops.
    void EndJog();

    // Homing: Home (all axes, btnHome) and the menu's single axes. false when the axis was not homed.
    void HomeAll();
    bool HomeAxis(int axis);

    // Zeroing, after the operator's Yes.
    void ZeroAxis(int axis);
    void ZeroAll();

    // The feed-override slider at position -25 .. 25.
    void FeedOverride(int position);
    void SpindlePwm(int percent) { SetSpindlePwm(controller_, percent); }
    // An output button clicked into the state down.
    void Output(OutputButton button, bool down);

    // The command box's line run as a direct command (Enter).
    void ExecuteCommand(std::string_view text);
    // The stored command of F1 .. F10, if the speed-key list has one for the key.
    std::optional<std::string> SpeedKeyText(int key) const;

    // The keyboard, which sees every key before the focused control. FormKeyDown returns true when the
    // key is swallowed (it reaches no control).
    bool FormKeyDown(int key);
    void FormKeyUp(int key);
    void FormKeyPress(int character);

    // The coordinates dialog's Set: the board's counters to the four values (program units, A degrees).
    // false when the board did not take them.
    bool SetCoordinates(double x, double y, double z, double a);

    // Controller > Reset: the interpreter and the controller started again, in the emergency stop.
    // false when no board took the start-up (the program goes on without one).
    bool ResetController(const std::filesystem::path& config_dir);

  private:
    bool MayStart() const { return !runner_.Running && !runner_.ManualBusy && view_->ManualAllowed(); }
    bool Stopped(long stops) const { return controller_.EStopActive || controller_.EmergencyStops != stops; }
    void Flush();
    void QueryPosition();
    // Sends cmdEndCurrentMove twice; a board that ends neither keeps moving, so it is stopped.
    void EndCurrentMove();
    void KeypadKey(int key);
    bool HomingPossible();
    bool SendHome(std::uint8_t mask, long stops);
    bool HomeAxisMove(int axis, long stops);
    bool SetHomePosition(std::uint8_t mask);
    void MoveToHomeOffset(int axis);

    interp::Interpreter& interpreter_;
    Canon& canon_;
    Controller& controller_;
    OperatorPanel& panel_;
    ProgramRunner& runner_;
    ManualView no_view_;
    ManualView* view_ = &no_view_;
    bool released_ = true;  // the jog's button or key was let go
    int interpreting_ = 0;  // a typed command is in the interpreter
};

}  // namespace zorvan::machine
