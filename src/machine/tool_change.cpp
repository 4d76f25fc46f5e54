// Tool changes run the operator's macros from ToolChange.Cfg; a pick-up line "*!*" measures the new
// tool's length on the sensor instead.
#include <cmath>

#include "config/number_text.h"
#include "machine/canon.h"

namespace zorvan::machine {
namespace {

constexpr int BACK_OFF_TRIES = 101;
constexpr double BACK_OFF_STEP = 0.5;  // program units
constexpr int BACK_OFF_PAUSE_MS = 100;

}  // namespace

void Canon::select_tool(int slot) {
    const int tools = static_cast<int>(tool_list_.size());
    if (slot >= 1 && slot < tools) tool_list_[static_cast<std::size_t>(slot)].Used = true;
    Flush();
    WaitInControlMode();
    if (RenderedView && stock_ != nullptr && slot >= 0 && slot < tools) {
        stock_->SetCutter(tool_list_[static_cast<std::size_t>(slot)]);
    }
    // Tools beyond the macro table change as the highest tool it has.
    const int highest = static_cast<int>(tool_change_.ToolChangeTable.size()) - 1;
    if (slot > highest) slot = highest;
    // A T word inside a macro selects without running macros again: a macro that names its own tool would
    // otherwise call itself for ever.
    if (macro_depth_ == 0) RunToolChangeMacro(slot);
    CurrentTool = slot;
    panel_.SetToolLabel(std::to_string(slot));
}

void Canon::RunToolChangeMacro(int slot) {
    const int highest = static_cast<int>(tool_change_.ToolChangeTable.size()) - 1;
    auto usable = [highest](int tool) { return tool >= 1 && tool <= highest; };
    auto run = [this](const std::string& line) {
        if (line.empty() || !execute_direct_) return;
        // After an emergency stop the rest of the change is not run: the machine is off.
        if (ControlMode() && controller_->EStopActive) return;
        ++macro_depth_;
        execute_direct_(line);
        --macro_depth_;
    };
    if (CurrentTool > 0) {
        for (std::size_t i = 0; i < config::TOOL_CHANGE_LINES; ++i) {
            if (controller_ != nullptr) WaitWhilePaused(*controller_, panel_);
            if (usable(CurrentTool))
                run(tool_change_.ToolChangeTable[static_cast<std::size_t>(CurrentTool)].PLACE[i]);
        }
        CurrentTool = -1;
    }
    if (slot > 0) {
        for (std::size_t i = 0; i < config::TOOL_CHANGE_LINES; ++i) {
            if (controller_ != nullptr) WaitWhilePaused(*controller_, panel_);
            if (!usable(slot)) continue;
            const std::string& line = tool_change_.ToolChangeTable[static_cast<std::size_t>(slot)].PICKUP[i];
            if (line == config::MEASURE_REQUEST) {
                MeasureToolLength(slot);
            } else {
                run(line);
            }
        }
    }
    Flush();
    WaitInControlMode();
}

void Canon::RefreshPositionFromController() {
    if (controller_ == nullptr) return;
    ControllerCommand query;
    query.code = cmdGetPosition;
    controller_->ControllerDispatcher(query);
    SetPositionFromSteps(panel_.DisplayPosition());
}

// Probes down onto the sensor, backs off until the switch opens, and takes the tool's length from the
// height where it last touched. A length is stored only when the sensor tripped on the way down and
// opened again on the way up; anything else ends the tool change in the emergency stop.
void Canon::MeasureToolLength(int tool) {
    const config::ToolChangeSensor& sensor = tool_change_.Sensor;
    if (!ControlMode() || !controller_->ControllerPresent || sensor.SensorHeight == 0.0) return;
    Controller& c = *controller_;
    // An emergency stop entered and left again within a wait still ends the measurement.
    const long stops = c.EmergencyStops;
    const auto stopped = [&c, stops] { return c.EStopActive || c.EmergencyStops != stops; };
    c.ProbeTripped = false;
    stop_spindle_turning();
    use_tool_length_offset(0.0);
    const double z_units_per_step = UnitsPerStep[2];
    const double probe_feed = homing_velocity_sps_ * z_units_per_step * 60.0;
    set_feed_rate(probe_feed);

    interp::Position at = get_position();
    straight_traverse(sensor.LocationX, at.y, at.z);
    Flush();
    if (stopped()) return;
    straight_traverse(sensor.LocationX, sensor.LocationY, at.z);
    Flush();
    if (stopped()) return;
    WaitForMotionComplete(c, panel_);
    if (stopped()) return;
    set_feed_rate(probe_feed);

    struct ProbingMove {
        Controller& c;
        explicit ProbingMove(Controller& controller) : c(controller) { c.ProbeExpected = true; }
        ~ProbingMove() { c.ProbeExpected = false; }
    } probing(c);
    straight_feed(sensor.LocationX, sensor.LocationY, -1000.0);
    if (stopped()) return;
    Flush();
    WaitForMotionComplete(c, panel_);
    if (stopped()) return;
    if (!c.ProbeTripped) {
        NotMeasured();
        return;
    }

    double z_touch_steps = 0.0;
    bool opened = false;
    for (int attempt = 0; attempt < BACK_OFF_TRIES && !opened; ++attempt) {
        RefreshPositionFromController();
        at = get_position();
        c.ProbeTripped = false;
        z_touch_steps = panel_.DisplayPosition()[2];
        straight_feed(at.x, at.y, at.z + BACK_OFF_STEP);
        Flush();
        if (stopped()) return;
        panel_.Sleep(BACK_OFF_PAUSE_MS);
        WaitForMotionComplete(c, panel_);
        if (stopped()) return;
        opened = !c.ProbeTripped;
    }
    c.ProbeTripped = false;
    // A switch still closed after every back-off never let go: where it opens is not known.
    if (!opened) {
        NotMeasured();
        return;
    }
    RefreshPositionFromController();
    QueryMotionState(c);

    const double touch = z_touch_steps * z_units_per_step;
    const double length = touch - sensor.SensorHeight;
    panel_.ShowModalMessage("TLO = " + config::format_real(touch, '.') + " - " +
                            config::format_real(sensor.SensorHeight, '.') + " = " +
                            config::format_real(length, '.'));
    if (interpreter_tool_table_ != nullptr && tool >= 0 && tool <= interp::TOOL_MAX) {
        (*interpreter_tool_table_)[static_cast<std::size_t>(tool)].length = length;
    }
    if (tool >= 1 && static_cast<std::size_t>(tool) < tool_list_.size()) {
        tool_list_[static_cast<std::size_t>(tool)].Length = length;
    }
    straight_traverse(sensor.LocationX, sensor.LocationY, 0.0);
}

void Canon::NotMeasured() {
    controller_->RaiseEmergencyStop();
    panel_.ShowStatus(TOOL_NOT_MEASURED);
}

}  // namespace zorvan::machine
