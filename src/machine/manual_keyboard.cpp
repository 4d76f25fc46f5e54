// The keyboard, seen by the window before the focused control. With Keypad set the numeric keypad drives
// the machine; otherwise the arrow and page keys jog, and with SAFETY set any other key holds a run or a
// manual move, and Escape stops the machine.
#include "machine/manual_control.h"

namespace zorvan::machine {
namespace {

// Shift, Ctrl, Alt and Pause: pressed on their own they do not hold a run.
bool modifier_or_pause(int key) {
    return key >= KeyShift && key <= KeyPause;
}

// The arrow and page keys with End and Home between them.
bool jog_key_range(int key) {
    return key >= KeyPageUp && key <= KeyDown;
}

}  // namespace

bool ManualControl::FormKeyDown(int key) {
    if (settings.Keypad) {
        KeypadKey(key);
        // The hold key has just held or resumed the run itself: holding again would make a held run
        // impossible to resume from the keypad.
        if (key != KeyDivide && runner_.Running && !controller_.Paused && key != KeyEnter &&
            !modifier_or_pause(key))
            runner_.PauseHold();
        return false;
    }
    int axis = 0, direction = 0;
    switch (key) {
        case KeyPageUp:
            axis = AxisZ, direction = 1;
            break;
        case KeyPageDown:
            axis = AxisZ, direction = -1;
            break;
        case KeyLeft:
            axis = AxisX, direction = -1;
            break;
        case KeyUp:
            axis = AxisY, direction = 1;
            break;
        case KeyRight:
            axis = AxisX, direction = 1;
            break;
        case KeyDown:
            axis = AxisY, direction = -1;
            break;
        default:
            break;
    }
    if (direction != 0 && !runner_.Running) {
        // A jog key held down repeats while its jog runs: the repeats are the jog's, not the editor's.
        if (!runner_.ManualBusy) Jog(axis, direction);
        return true;
    }
    if (!settings.SAFETY || (runner_.ManualBusy && jog_key_range(key))) return false;
    if (controller_.Paused || key == KeyEnter) return false;
    if (runner_.Running) {
        if (!modifier_or_pause(key)) runner_.PauseHold();
    } else if (runner_.ManualBusy) {
        if (key < KeyF1 || key > KeyF9) runner_.PauseHold();
    }
    return false;
}

void ManualControl::KeypadKey(int key) {
    switch (key) {
        case KeyNumpad0:
            view_->SetJogText("Fast");
            break;
        case KeyNumpad0 + 1:
            view_->SetJogText("Med");
            break;
        case KeyNumpad0 + 2:
            view_->SetJogText("Slow");
            break;
        case KeyNumpad3:
            Jog(AxisX, -1);
            break;
        case KeyNumpad0 + 4:
            Jog(AxisY, -1);
            break;
        case KeyNumpad0 + 5:
            Jog(AxisZ, -1);
            break;
        case KeyNumpad0 + 6:
            Jog(AxisX, 1);
            break;
        case KeyNumpad0 + 7:
            Jog(AxisY, 1);
            break;
        case KeyNumpad8:
            Jog(AxisZ, 1);
            break;
        case KeyNumpad9:
            view_->SetJogText("10");
            break;
        case KeyMultiply:
            view_->SetJogText("1");
            break;
        case KeyAdd:
            view_->SetJogText("0.1");
            break;
        case KeySeparator:
            // The clockwise button's handler with the button as it is: the button does not toggle.
            Output(OutputButton::SpindleClockwise, view_->OutputButtonDown(OutputButton::SpindleClockwise));
            break;
        case KeySubtract:
            ZeroAll();
            break;
        case KeyDecimal:
            view_->ClickGo();
            break;
        case KeyDivide:
            runner_.PauseHold();
            break;
        case KeyF5:
            view_->ClickStop();
            break;
        case KeyF10:
            view_->SetJogText("5");
            break;
        default:
            break;
    }
}

void ManualControl::FormKeyUp(int key) {
    if (!runner_.Running && runner_.ManualBusy && jog_key_range(key)) EndJog();
    if (settings.Keypad && key >= KeyNumpad3 && key <= KeyNumpad8) EndJog();
}

void ManualControl::FormKeyPress(int character) {
    if (character != KeyEscape) return;
    if (settings.SAFETY) {
        panel_.EmergencyStop(true);
    } else if (!controller_.Paused) {
        runner_.PauseHold();
    }
}

}  // namespace zorvan::machine
