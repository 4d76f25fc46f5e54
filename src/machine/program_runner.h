// Running a program's lines on the machine, as the main window's GO, All, Pause(Hold) and Reset (ESTP)
// do. Free of any window, so the operator program and the headless tool run programs the same way.
#pragma once

#include <string>
#include <vector>

#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/controller_dispatcher.h"
#include "machine/operator_panel.h"

namespace zorvan::machine {

class ProgramRunner {
  public:
    ProgramRunner(interp::Interpreter& interpreter, Canon& canon, Controller& controller,
                  OperatorPanel& panel)
        : interpreter_(interpreter), canon_(canon), controller_(controller), panel_(panel) {}

    // The editor's lines; the text that runs is always these, never the file on disk.
    std::vector<std::string> lines;

    // Preview of the whole program (the Edit Center's All). Returns the last interpreter result.
    int All();
    // Runs the program on the machine from StartLine (GO).
    void Go();
    // Runs the line at StartLine on the machine and moves StartLine on (the Control Center's Next).
    void Next();
    // Holds or resumes the machine and the run.
    void PauseHold();
    // Enters (true) or leaves (false) the emergency stop of the whole machine.
    void EmergencyStop(bool on);

    bool Running = false;
    bool ManualBusy = false;
    int StartLine = 0;
    bool ControlCenter = true;  // the Control Center is the selected mode

  private:
    // What the interpreter and the canonical functions hold between programs: a run from the first line
    // starts from it, not from where its own grey preview ended.
    struct ModalState {
        interp::InterpreterSettings settings;
        double LengthUnitScale;
        int LengthUnits;
        std::array<double, 3> OriginOffset;
        double ToolLengthOffset;
        double FeedRate;
        int ActivePlane;
        int MotionControlMode;
        double SpindleSpeed;
        int FloodOn, MistOn;
        int CurrentTool;
    };
    ModalState SaveModalState() const;
    void RestoreModalState(const ModalState& state);
    void GreyPreview();
    bool ProgramLoaded(std::string& name);
    // The board idle, no run going, no emergency stop, a program loaded (its name given back).
    bool ReadyToRun(std::string& name);

    interp::Interpreter& interpreter_;
    Canon& canon_;
    Controller& controller_;
    OperatorPanel& panel_;
};

}  // namespace zorvan::machine
