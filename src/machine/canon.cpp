#include "machine/canon.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorvan::machine {

namespace {

// An axis whose top speed is not configured as positive still moves, at one step per second.
double top_speed(int axis_max_sps) {
    return axis_max_sps > 0 ? axis_max_sps : 1.0;
}

}  // namespace

Canon::Canon(OperatorPanel& panel, ToolPathSink& sink, Controller* controller)
    : panel_(panel), sink_(sink), controller_(controller) {
    if (controller_ != nullptr) queue_.emplace(*controller_, panel_);
    ComputeUnitsPerStep();
}

void Canon::init_canon(const std::string& parameter_file_path) {
    OriginOffset = {};
    LengthUnits = 2;
    ActivePlane = 1;
    CurrentPosition = {};
    MotionControlMode = 3;
    FeedRate = 1.0;
    TraverseRate = 1.0;
    ToolLengthOffset = 0.0;
    tool_table_path_ = config::tool_table_path_for(parameter_file_path).string();
    LoadToolTable();
    if (!configuration_file_.empty()) {
        parameters_ = LoadMotionParameters(configuration_file_, decimal_separator_);
        if (auto file = config::ProfileFile::load(configuration_file_)) {
            homing_velocity_sps_ = file->read_int("TRAJ", "HOMING_VEL", 100);
        }
        tool_change_ = config::read_tool_change_file(configuration_file_.parent_path(), tool_change_.Sensor,
                                                     decimal_separator_);
    }
    // A new, empty motion queue; the contouring setting comes with the controller start-up.
    if (queue_) queue_->DiscardMotion();
    PreviewMode = true;
    BacklashDisplayOffset = {};
    ComputeUnitsPerStep();
    panel_.SetSpindleSliderRange(parameters_.MinPwmPercent, parameters_.MaxPwmPercent);
    set_spindle_speed(0.0);
}

void Canon::exit_canon() {
    if (queue_) queue_->DiscardMotion();
}

void Canon::Flush() {
    if (queue_) queue_->FlushMotion();
}

void Canon::WaitInControlMode() {
    if (ControlMode()) WaitForMotionComplete(*controller_, panel_);
}

void Canon::DispatchNow(const ControllerCommand& command) {
    if (queue_) queue_->Dispatch(command);
}

void Canon::SetOutput(int output, int state) {
    if (!ControlMode()) return;
    ControllerCommand c;
    c.code = cmdSetOutput;
    c.axisMask = static_cast<std::uint8_t>(output);
    c.option = static_cast<std::uint8_t>(state);
    DispatchNow(c);
}

void Canon::SendMove(const ControllerCommand& command) {
    if (queue_) queue_->SendMotion(command);
}

// Each line of the file goes to the interpreter's table at its slot and to the end of the tool list.
// Slots beyond the interpreter's table stay in the list (the setup dialog renumbers them) but are
// never written outside the table.
void Canon::LoadToolTable() {
    tool_list_.clear();
    auto lines = config::read_tool_table_file(tool_table_path_);
    if (!lines) return;
    for (const config::ToolTableLine& line : *lines) {
        if (interpreter_tool_table_ != nullptr && line.slot >= 0 && line.slot <= interp::TOOL_MAX) {
            auto& slot = (*interpreter_tool_table_)[static_cast<std::size_t>(line.slot)];
            slot.id = line.entry.Id;
            slot.length = line.entry.Length;
            slot.diameter = line.entry.Diameter;
        }
        tool_list_.push_back(line.entry);
    }
}

interp::CanonToolTableEntry Canon::get_tool_table_entry(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= tool_list_.size()) return {};
    const config::ToolEntry& tool = tool_list_[static_cast<std::size_t>(index)];
    return {tool.Id, tool.Length, tool.Diameter};
}

void Canon::ComputeUnitsPerStep() {
    for (int axis = 0; axis < 3; ++axis) {
        const double steps = parameters_.StepsPerUnit[axis];
        UnitsPerStep[axis] = steps != 0.0 ? 1.0 / steps / LengthUnitScale : 0.0;
    }
    const double steps_a = parameters_.StepsPerUnit[3];
    UnitsPerStep[3] = steps_a != 0.0 ? 1.0 / steps_a : 0.0;
}

void Canon::use_length_units(int units) {
    switch (units) {
        case 1:
            LengthUnitScale = 25.4;
            panel_.SetUnitsLabel("Inch");
            break;
        case 3:
            LengthUnitScale = 10.0;
            panel_.SetUnitsLabel("CM");
            break;
        default:
            LengthUnitScale = 1.0;
            panel_.SetUnitsLabel("MM");
            break;
    }
    LengthUnits = units;
    ComputeUnitsPerStep();
}

void Canon::set_origin_offsets(double x, double y, double z) {
    OriginOffset = {x * LengthUnitScale, y * LengthUnitScale, z * LengthUnitScale};
}

void Canon::use_tool_length_offset(double length) {
    ToolLengthOffset = length * LengthUnitScale;
}

void Canon::set_feed_rate(double rate) {
    panel_.SetFeedLabel(rate);
    FeedRate = rate * LengthUnitScale / 60.0;
}

std::array<double, 3> Canon::ToMachine(double x, double y, double z) const {
    return {x * LengthUnitScale + OriginOffset[0], y * LengthUnitScale + OriginOffset[1],
            z * LengthUnitScale + OriginOffset[2] + ToolLengthOffset};
}

void Canon::MoveTo(const std::array<double, 3>& target) {
    CurrentPosition[0] = target[0];
    CurrentPosition[1] = target[1];
    CurrentPosition[2] = target[2];
    for (int axis = 0; axis < 3; ++axis) {
        PathExtents[2 * axis] = std::min(PathExtents[2 * axis], target[axis]);
        PathExtents[2 * axis + 1] = std::max(PathExtents[2 * axis + 1], target[axis]);
    }
}

void Canon::straight_traverse(double x, double y, double z) {
    std::array<double, 3> target = ToMachine(x, y, z);
    if (!ControlMode()) {
        if (RenderedView && stock_ != nullptr) {
            const auto from = ToProgram(CurrentPosition[0], CurrentPosition[1], CurrentPosition[2]);
            const auto to = ToProgram(target[0], target[1], target[2]);
            if (stock_->CutRapid(from[0], from[1], from[2], to[0], to[1], to[2])) stock_->Refresh();
        } else {
            sink_.SetMoveKind(DrawAsExcursion ? MoveExcursion : MoveRapid);
            std::array<double, 3> drawn = target;
            if (panel_.AbsoluteCoordinates()) {
                for (int axis = 0; axis < 3; ++axis)
                    drawn[axis] -= OriginOffset[axis];
            }
            sink_.LineTo3D(drawn[0] / LengthUnitScale, drawn[1] / LengthUnitScale,
                           drawn[2] / LengthUnitScale);
        }
        MoveTo(target);
        return;
    }
    StepMove move = StepsTo(target);
    // A rapid to where the tool stands is still sent; its speed is worked out as if X moved a step.
    std::array<double, 3> d = move.delta;
    if (d[0] == 0 && d[1] == 0 && d[2] == 0) d[0] = 1;
    const int dominant = DominantAxis(d);
    const double dominant_speed = top_speed(parameters_.AxisMaxSps[dominant]);
    double speed = 0;
    for (int axis = 0; axis < 3; ++axis) {
        speed = std::max(speed, dominant_speed * std::fabs(d[axis] / d[dominant]));
    }
    ControllerCommand c;
    c.code = cmdRapidMove;
    c.x = ToCommandInt(move.target[0]), c.y = ToCommandInt(move.target[1]),
    c.z = ToCommandInt(move.target[2]);
    c.a = CurrentATarget();
    c.speed = MoveSpeed(speed);
    c.endSpeed = ToCommandInt(std::min(speed, static_cast<double>(parameters_.StartVelocity)));
    c.steps = ToCommandInt(move.longest);
    MoveTo(target);
    Flush();
    SendMove(c);
    Flush();
}

void Canon::straight_feed(double x, double y, double z) {
    std::array<double, 3> target = ToMachine(x, y, z);
    if (!ControlMode()) {
        if (RenderedView && stock_ != nullptr) {
            const auto from = ToProgram(CurrentPosition[0], CurrentPosition[1], CurrentPosition[2]);
            const auto to = ToProgram(target[0], target[1], target[2]);
            stock_->CutLine(from[0], from[1], from[2], to[0], to[1], to[2]);
        } else {
            sink_.SetMoveKind(DrawAsExcursion ? MoveExcursion : MoveFeed);
            std::array<double, 3> from{CurrentPosition[0], CurrentPosition[1], CurrentPosition[2]};
            std::array<double, 3> drawn = target;
            if (panel_.AbsoluteCoordinates()) {
                for (int axis = 0; axis < 3; ++axis) {
                    from[axis] -= OriginOffset[axis];
                    drawn[axis] -= OriginOffset[axis];
                }
            }
            sink_.MoveTo3D(from[0] / LengthUnitScale, from[1] / LengthUnitScale, from[2] / LengthUnitScale);
            sink_.LineTo3D(drawn[0] / LengthUnitScale, drawn[1] / LengthUnitScale,
                           drawn[2] / LengthUnitScale);
        }
        MoveTo(target);
        return;
    }
    // A feed that moves no axis by a whole step is nothing to the board: no command, no new position.
    StepMove move = StepsTo(target);
    if (move.longest == 0) return;
    const std::array<double, 3>& d = move.delta;
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const int k = DominantAxis(d);
    double vk = std::fabs(d[k] / length * FeedRate * parameters_.StepsPerUnit[k]);
    vk = std::min(vk, top_speed(parameters_.AxisMaxSps[k]));
    std::array<double, 3> v{};
    double speed = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const double magnitude = axis == k ? vk : vk * std::fabs(d[axis] / d[k]);
        v[axis] = d[axis] < 0 ? -magnitude : magnitude;
        speed = std::max(speed, magnitude);
    }
    ControllerCommand c;
    c.code = cmdLinearMove;
    c.x = ToCommandInt(move.target[0]), c.y = ToCommandInt(move.target[1]),
    c.z = ToCommandInt(move.target[2]);
    c.a = CurrentATarget();
    c.speed = MoveSpeed(speed);
    c.endSpeed = ToCommandInt(std::min(speed, static_cast<double>(parameters_.StartVelocity)));
    c.steps = ToCommandInt(move.longest);
    c.vInX = c.vOutX = ToCommandInt(v[0]);
    c.vInY = c.vOutY = ToCommandInt(v[1]);
    c.vInZ = c.vOutZ = ToCommandInt(v[2]);
    MoveTo(target);
    // Feeds are not flushed, so that consecutive feeds and arcs are contoured.
    SendMove(c);
}

// Step deltas and step targets of X, Y and Z, with the backlash rule applied: a move that reverses an
// axis adds that axis's backlash in its new direction, and an axis that does not move keeps the last one.
Canon::StepMove Canon::StepsTo(const std::array<double, 3>& target) {
    StepMove move;
    for (int axis = 0; axis < 3; ++axis) {
        const double steps_per_mm = parameters_.StepsPerUnit[axis];
        const double delta = std::rint((target[axis] - CurrentPosition[axis]) * steps_per_mm);
        const double backlash = parameters_.Backlash[axis];
        // Chosen by index, not by branches: the direction of a program's moves is as good as random.
        double& shown = BacklashDisplayOffset[axis];
        const double choices[3] = {-backlash, shown, backlash};
        shown = choices[(delta > 0) - (delta < 0) + 1];
        move.delta[axis] = delta;
        move.target[axis] = target[axis] * steps_per_mm + shown;
        move.longest = std::max(move.longest, std::fabs(delta));
    }
    return move;
}

// The axis that needs longest at its own top speed: X on ties with Y or Z, then Y.
int Canon::DominantAxis(const std::array<double, 3>& delta) const {
    double t[3];
    for (int axis = 0; axis < 3; ++axis)
        t[axis] = std::fabs(delta[axis] / top_speed(parameters_.AxisMaxSps[axis]));
    if (t[0] >= t[1] && t[0] >= t[2]) return 0;
    return t[1] >= t[2] ? 1 : 2;
}

std::int32_t Canon::CurrentATarget() const {
    return ToCommandInt(CurrentPosition[3] * parameters_.StepsPerUnit[3]);
}

// The tool tip in program coordinates: the stock is carved where the tip goes, so Z leaves out the tool
// length offset that the machine position carries.
std::array<double, 3> Canon::ToProgram(double x, double y, double z) const {
    return {(x - OriginOffset[0]) / LengthUnitScale, (y - OriginOffset[1]) / LengthUnitScale,
            (z - OriginOffset[2] - ToolLengthOffset) / LengthUnitScale};
}

void Canon::dwell(double seconds) {
    Flush();
    if (!ControlMode()) return;
    ControllerCommand c;
    c.code = cmdDelay;
    c.seconds = seconds;
    DispatchNow(c);
}

void Canon::move_single_axis(int axis_mask, double x, double y, double z, double a) {
    if (!ControlMode()) return;
    if (axis_mask == 8 && controller_->AxisCount == 3) return;
    const std::array<double, 3> target = ToMachine(x, y, z);
    const double steps[4] = {target[0] * parameters_.StepsPerUnit[0], target[1] * parameters_.StepsPerUnit[1],
                             target[2] * parameters_.StepsPerUnit[2], a * parameters_.StepsPerUnit[3]};
    int axis = 0;
    while (axis < 3 && axis_mask != (1 << axis))
        ++axis;
    const double limit = top_speed(parameters_.AxisMaxSps[axis]);
    const double speed =
        axis == 3 ? limit : std::min(std::fabs(FeedRate * parameters_.StepsPerUnit[axis]), limit);
    ControllerCommand c;
    c.code = cmdIndexMove;
    c.x = ToCommandInt(steps[0]), c.y = ToCommandInt(steps[1]), c.z = ToCommandInt(steps[2]),
    c.a = ToCommandInt(steps[3]);
    c.speed = MoveSpeed(speed);
    c.axisMask = static_cast<std::uint8_t>(axis_mask);
    CurrentPosition[axis] = axis == 3 ? a : target[axis];
    Flush();
    SendMove(c);
    Flush();
}

void Canon::set_spindle_speed(double rpm) {
    Flush();
    const auto& p = parameters_;
    SpindleSpeed =
        std::clamp(rpm, static_cast<double>(p.MinRpm), static_cast<double>(std::max(p.MinRpm, p.MaxRpm)));
    // With equal limits there is no range to map: the slider sits at the lowest duty.
    const double span = static_cast<double>(p.MaxRpm - p.MinRpm);
    const double percent =
        span > 0 ? std::nearbyint((p.MaxPwmPercent - p.MinPwmPercent) * (SpindleSpeed - p.MinRpm) / span +
                                  p.MinPwmPercent)
                 : p.MinPwmPercent;
    const int lowest = std::min(p.MinPwmPercent, p.MaxPwmPercent);
    const int highest = std::max(p.MinPwmPercent, p.MaxPwmPercent);
    panel_.SetSpindleSlider(
        static_cast<int>(std::clamp(percent, static_cast<double>(lowest), static_cast<double>(highest))));
}

void Canon::start_spindle_clockwise() {
    Flush();
    WaitInControlMode();
    stop_spindle_turning();
    panel_.SetOutputButton(OutputButton::SpindleClockwise, 19, true);
    SetOutput(4, 1);
}

void Canon::start_spindle_counterclockwise() {
    Flush();
    WaitInControlMode();
    stop_spindle_turning();
    panel_.SetOutputButton(OutputButton::SpindleCounterClockwise, 20, true);
    SetOutput(8, 1);
}

void Canon::stop_spindle_turning() {
    Flush();
    WaitInControlMode();
    panel_.SetOutputButton(OutputButton::SpindleClockwise, 23, false);
    panel_.SetOutputButton(OutputButton::SpindleCounterClockwise, 24, false);
    SetOutput(4, 0);
    SetOutput(8, 0);
}

void Canon::mist_on() {
    Flush();
    WaitInControlMode();
    MistOn = 1;
    panel_.SetOutputButton(OutputButton::Mist, 17, true);
    SetOutput(1, 1);
}

void Canon::mist_off() {
    Flush();
    WaitInControlMode();
    MistOn = 0;
    panel_.SetOutputButton(OutputButton::Mist, 21, false);
    SetOutput(1, 0);
}

void Canon::flood_on() {
    Flush();
    WaitInControlMode();
    FloodOn = 1;
    panel_.SetOutputButton(OutputButton::Flood, 18, true);
    SetOutput(2, 1);
}

void Canon::flood_off() {
    Flush();
    WaitInControlMode();
    FloodOn = 0;
    panel_.SetOutputButton(OutputButton::Flood, 22, false);
    SetOutput(2, 0);
}

void Canon::program_stop() {
    if (!ControlMode()) return;
    Flush();
    WaitInControlMode();
    ControllerCommand pause;
    pause.code = cmdPause;
    DispatchNow(pause);
    panel_.SetPauseButton(true);
    panel_.ShowStatusNow(StartupTexts[TextProgramStop]);
    QueryMotionState(*controller_);
}

void Canon::optional_program_stop() {
    program_stop();
}

void Canon::program_end() {
    Flush();
    RunToolChangeMacro(-1);
    panel_.ShowStatusNow(StartupTexts[TextProgramCompleted]);
}

interp::Position Canon::get_position() {
    return {(CurrentPosition[0] - OriginOffset[0]) / LengthUnitScale,
            (CurrentPosition[1] - OriginOffset[1]) / LengthUnitScale,
            (CurrentPosition[2] - OriginOffset[2]) / LengthUnitScale - ToolLengthOffset / LengthUnitScale,
            CurrentPosition[3]};
}

void Canon::SetPositionFromSteps(const std::array<double, 4>& steps) {
    for (std::size_t axis = 0; axis < 4; ++axis) {
        const double per_unit = parameters_.StepsPerUnit[axis];
        if (per_unit != 0.0) CurrentPosition[axis] = steps[axis] / per_unit;
    }
}

std::array<double, 4> Canon::PositionInSteps() const {
    std::array<double, 4> steps{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        double mm = CurrentPosition[axis] - OriginOffset[axis];
        if (axis == 2) mm -= ToolLengthOffset;
        steps[axis] = mm * parameters_.StepsPerUnit[axis];
    }
    steps[3] = CurrentPosition[3] * parameters_.StepsPerUnit[3];
    return steps;
}

void Canon::SetCurrentPosition(double x, double y, double z, double a) {
    CurrentPosition = {x, y, z, a};
}

std::array<double, 3> Canon::OriginOffsetInProgramUnits() const {
    return {OriginOffset[0] / LengthUnitScale, OriginOffset[1] / LengthUnitScale,
            OriginOffset[2] / LengthUnitScale};
}

std::array<double, 6> Canon::PathExtentsInProgramUnits() const {
    std::array<double, 6> extents = PathExtents;
    for (double& value : extents)
        value /= LengthUnitScale;
    return extents;
}

void Canon::ResetPathExtents(const std::array<double, 6>& extents) {
    PathExtents = extents;
    for (config::ToolEntry& tool : tool_list_)
        tool.Used = false;
}

}  // namespace zorvan::machine
