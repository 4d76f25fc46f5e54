#include "machine/controller_startup.h"

#include <string>

#include "config/number_text.h"

namespace zorvan::machine {

int ArcDirectionCode(double x_steps_per_mm, double y_steps_per_mm) {
    // A zero scale is neither sign: such a machine gets the code of "any other case".
    if (x_steps_per_mm > 0 && y_steps_per_mm > 0) return 3;
    if (x_steps_per_mm > 0 && y_steps_per_mm < 0) return 1;
    if (x_steps_per_mm < 0 && y_steps_per_mm > 0) return 0;
    return 2;
}

bool InitController(Controller& controller, MotionQueue& queue, Canon& canon, OperatorPanel& panel,
                    bool invert_step_pulse) {
    controller.ControllerPresent = true;
    panel.ShowStatusNow(canon.StartupTexts[TextInitializing]);
    canon.ComputeUnitsPerStep();
    MotionParameters& p = canon.Parameters();
    std::string message;
    const RampTable table = BuildRampTable(p, &message);
    if (!message.empty()) panel.ShowModalMessage(canon.StartupTexts[TextStartVelocityLowered]);
    queue.SetRamp(table, p.AccelScale);
    queue.SetContouring(p.Contouring);

    controller.ControllerPort = p.ControllerPort;
    ControllerCommand reset;
    reset.code = cmdReset;
    controller.ControllerDispatcher(reset);

    const controller::ZorvanApiTable* api = controller.Api();
    if (api == nullptr) return false;
    controller.FirmwareVersion = api->GetFirmwareVersion();
    if (controller.FirmwareVersion == 0.0) return false;
    if (api->SetAccelleration(p.Acceleration, p.MaxSps, p.StartVelocity,
                              static_cast<std::uint8_t>(p.AccelScale)) != 'Z') {
        panel.ShowModalMessage(canon.StartupTexts[TextAccelerationRefused]);
        return false;
    }
    api->SetMaxSPS(p.MaxSps, controller.AxisCount, invert_step_pulse ? 1 : 0, 0);
    panel.SetControllerTimerBase(TimerReload(p.MaxSps));
    api->SetPosition(0, 0, 0, 0, 7);
    api->SetArcDirection(static_cast<std::uint8_t>(ArcDirectionCode(p.StepsPerUnit[0], p.StepsPerUnit[1])));
    panel.ShowStatusNow(canon.StartupTexts[TextControllerDetected] +
                        config::format_real(controller.FirmwareVersion, '.'));
    return true;
}

}  // namespace zorvan::machine
