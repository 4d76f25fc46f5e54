#include "machine/canon.h"

#include <algorithm>
#include <cmath>

namespace zorvan::machine {

Canon::Canon(OperatorPanel& panel, ToolPathSink& sink) : panel_(panel), sink_(sink) {
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
    if (!configuration_file_.empty())
        parameters_ = LoadMotionParameters(configuration_file_, decimal_separator_);
    PreviewMode = true;
    BacklashDisplayOffset = {};
    ComputeUnitsPerStep();
    panel_.SetSpindleSliderRange(parameters_.MinPwmPercent, parameters_.MaxPwmPercent);
    set_spindle_speed(0.0);
}

void Canon::exit_canon() {}

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
    if (PreviewMode) {
        sink_.SetMoveKind(MoveRapid);
        std::array<double, 3> drawn = target;
        if (panel_.AbsoluteCoordinates()) {
            for (int axis = 0; axis < 3; ++axis)
                drawn[axis] -= OriginOffset[axis];
        }
        sink_.LineTo3D(drawn[0] / LengthUnitScale, drawn[1] / LengthUnitScale, drawn[2] / LengthUnitScale);
    }
    MoveTo(target);
}

void Canon::straight_feed(double x, double y, double z) {
    std::array<double, 3> target = ToMachine(x, y, z);
    if (PreviewMode) {
        sink_.SetMoveKind(MoveFeed);
        std::array<double, 3> from{CurrentPosition[0], CurrentPosition[1], CurrentPosition[2]};
        std::array<double, 3> drawn = target;
        if (panel_.AbsoluteCoordinates()) {
            for (int axis = 0; axis < 3; ++axis) {
                from[axis] -= OriginOffset[axis];
                drawn[axis] -= OriginOffset[axis];
            }
        }
        sink_.MoveTo3D(from[0] / LengthUnitScale, from[1] / LengthUnitScale, from[2] / LengthUnitScale);
        sink_.LineTo3D(drawn[0] / LengthUnitScale, drawn[1] / LengthUnitScale, drawn[2] / LengthUnitScale);
    }
    MoveTo(target);
}

// The arc's end, in the selected plane's first and second coordinates plus the axial one.
void Canon::arc_feed(double first_end, double second_end, double, double, int, double axis_end) {
    double x, y, z;
    switch (ActivePlane) {
        case 2:
            y = first_end, z = second_end, x = axis_end;
            break;
        case 3:
            z = first_end, x = second_end, y = axis_end;
            break;
        default:
            x = first_end, y = second_end, z = axis_end;
            break;
    }
    MoveTo(ToMachine(x, y, z));
}

void Canon::dwell(double) {}

void Canon::move_single_axis(int, double, double, double, double) {
    // Nothing moves in preview mode; the controller side sends the index move.
}

void Canon::set_spindle_speed(double rpm) {
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
    stop_spindle_turning();
    panel_.SetOutputButton(OutputButton::SpindleClockwise, 19, true);
}

void Canon::start_spindle_counterclockwise() {
    stop_spindle_turning();
    panel_.SetOutputButton(OutputButton::SpindleCounterClockwise, 20, true);
}

void Canon::stop_spindle_turning() {
    panel_.SetOutputButton(OutputButton::SpindleClockwise, 23, false);
    panel_.SetOutputButton(OutputButton::SpindleCounterClockwise, 24, false);
}

void Canon::mist_on() {
    MistOn = 1;
    panel_.SetOutputButton(OutputButton::Mist, 17, true);
}

void Canon::mist_off() {
    MistOn = 0;
    panel_.SetOutputButton(OutputButton::Mist, 21, false);
}

void Canon::flood_on() {
    FloodOn = 1;
    panel_.SetOutputButton(OutputButton::Flood, 18, true);
}

void Canon::flood_off() {
    FloodOn = 0;
    panel_.SetOutputButton(OutputButton::Flood, 22, false);
}

void Canon::select_tool(int slot) {
    if (slot >= 1 && static_cast<std::size_t>(slot) < tool_list_.size()) tool_list_[slot].Used = true;
    CurrentTool = slot;
    panel_.SetToolLabel(std::to_string(slot));
}

void Canon::program_stop() {}

void Canon::optional_program_stop() {}

void Canon::program_end() {
    // The tool in the spindle is put away at the end of a program.
    if (CurrentTool > 0) CurrentTool = -1;
    panel_.ShowStatusNow("Program Completed.");
}

interp::Position Canon::get_position() {
    return {(CurrentPosition[0] - OriginOffset[0]) / LengthUnitScale,
            (CurrentPosition[1] - OriginOffset[1]) / LengthUnitScale,
            (CurrentPosition[2] - OriginOffset[2]) / LengthUnitScale - ToolLengthOffset / LengthUnitScale,
            CurrentPosition[3]};
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
