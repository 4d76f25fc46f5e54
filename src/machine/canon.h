// The canonical machining functions: the machine side of the interpreter. In preview mode they draw the
// path; in control mode they turn moves into steps and speeds for the board.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/tool_change_file.h"
#include "config/tool_table_file.h"
#include "interp/canonical_machine.h"
#include "machine/controller_dispatcher.h"
#include "machine/motion_parameters.h"
#include "machine/motion_queue.h"
#include "machine/operator_panel.h"
#include "machine/stock_sink.h"
#include "machine/tool_path_sink.h"

namespace zorvan::machine {

// What the status bar says when a tool-length measurement found no length.
inline constexpr const char* TOOL_NOT_MEASURED = "Tool length not measured: the sensor did not switch.";

// The texts of the controller start-up and of a program's stop and end, by entry.
enum StartupText : int {
    TextInitializing,
    TextControllerDetected,
    TextProgramStop,
    TextProgramCompleted,
    TextStartVelocityLowered,
    TextAccelerationRefused,
    STARTUP_TEXT_COUNT
};

class Canon final : public interp::CanonicalMachine {
  public:
    // Without a controller the canon can only preview.
    Canon(OperatorPanel& panel, ToolPathSink& sink, Controller* controller = nullptr);

    // The rendered view's stock, carved in preview mode while RenderedView is set.
    void SetStockSink(StockSink* stock) { stock_ = stock; }
    // Runs one line of G-code as a direct command (the tool-change macros); set by the composition root.
    void SetDirectExecutor(std::function<int(std::string_view)> execute) {
        execute_direct_ = std::move(execute);
    }
    MotionQueue* Queue() { return queue_ ? &*queue_ : nullptr; }
    Controller* ControllerOf() { return controller_; }

    // The interpreter's tool table, which loading the tool table file fills slot by slot.
    void BindInterpreterToolTable(interp::CanonToolTable* table) { interpreter_tool_table_ = table; }
    MotionParameters& Parameters() { return parameters_; }
    // The machine configuration that init_canon reads the motion parameters from.
    void SetConfigurationFile(std::filesystem::path file, char decimal_separator) {
        configuration_file_ = std::move(file);
        decimal_separator_ = decimal_separator;
    }
    void ComputeUnitsPerStep();

    // Canonical machining functions.
    void init_canon(const std::string& parameter_file_path) override;
    void exit_canon() override;
    void use_length_units(int units) override;
    void set_origin_offsets(double x, double y, double z) override;
    void use_tool_length_offset(double length) override;
    void set_feed_rate(double rate) override;
    void set_feed_reference(int) override {}
    void select_plane(int plane) override { ActivePlane = plane; }
    void set_motion_control_mode(int mode) override { MotionControlMode = mode; }
    void straight_traverse(double x, double y, double z) override;
    void straight_feed(double x, double y, double z) override;
    void straight_probe(double, double, double) override {}
    void arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                  int rotation, double axis_end) override;
    void dwell(double seconds) override;
    void move_single_axis(int axis_mask, double x, double y, double z, double a) override;
    void set_spindle_speed(double rpm) override;
    void start_spindle_clockwise() override;
    void start_spindle_counterclockwise() override;
    void stop_spindle_turning() override;
    void start_speed_feed_synch() override {}
    void stop_speed_feed_synch() override {}
    void orient_spindle(double) override {}
    void mist_on() override;
    void mist_off() override;
    void flood_on() override;
    void flood_off() override;
    void enable_feed_override() override {}
    void disable_feed_override() override {}
    void enable_speed_override() override {}
    void disable_speed_override() override {}
    void select_tool(int slot) override;
    void change_tool(int) override {}
    void turn_probe_on() override {}
    void turn_probe_off() override {}
    void program_stop() override;
    void optional_program_stop() override;
    void program_end() override;
    void pallet_shuttle() override {}

    // State queries.
    interp::Position get_position() override;
    double get_feed_rate() override { return FeedRate / LengthUnitScale * 60.0; }
    double get_traverse_rate() override { return TraverseRate / LengthUnitScale * 60.0; }
    int get_flood() override { return FloodOn; }
    int get_mist() override { return MistOn; }
    int get_selected_tool_slot() override { return CurrentTool; }
    int get_tool_slot() override { return 1; }
    double get_spindle_speed() override { return SpindleSpeed; }
    int get_spindle_state() override { return 1; }
    int get_motion_control_mode() override { return 2; }
    int get_tool_max() override { return interp::TOOL_MAX; }
    interp::CanonToolTableEntry get_tool_table_entry(int index) override;
    interp::Position get_probe_position() override { return {}; }
    double get_probe_value() override { return 1.0; }
    int queue_empty() override { return 1; }

    // Tool table.
    void LoadToolTable();
    const std::vector<config::ToolEntry>& ToolList() const { return tool_list_; }
    const std::string& ToolTablePath() const { return tool_table_path_; }

    // Operations for the main window.
    // Asks the board where it is and takes that as the current position.
    void RefreshPositionFromController();
    void SetCurrentPosition(double x, double y, double z, double a);
    // The position from the board's step counts: each count over its axis's steps per mm (A: per degree).
    void SetPositionFromSteps(const std::array<double, 4>& steps);
    // The position in steps relative to the program origin, Z less the tool length offset.
    std::array<double, 4> PositionInSteps() const;
    std::array<double, 3> OriginOffsetInProgramUnits() const;
    std::array<double, 6> PathExtentsInProgramUnits() const;
    void ResetPathExtents(const std::array<double, 6>& extents = {});

    // Canon state; lengths in mm in the machine frame unless stated.
    double LengthUnitScale = 1.0;             // mm per program unit
    std::array<double, 3> OriginOffset{};     // mm
    double ToolLengthOffset = 0.0;            // mm
    std::array<double, 4> CurrentPosition{};  // X, Y, Z in mm; A in degrees
    double FeedRate = 1.0;                    // mm per second
    double TraverseRate = 1.0;                // mm per second
    int ActivePlane = 1;                      // 1 XY, 2 YZ, 3 XZ
    int MotionControlMode = 3;
    int LengthUnits = 2;
    double SpindleSpeed = 0.0;  // rpm, after clamping
    int FloodOn = 0, MistOn = 0;
    int CurrentTool = 0;
    bool PreviewMode = true;
    bool RenderedView = false;
    // The moves drawn now leave the machine's table: the view draws them in its warning colour.
    bool DrawAsExcursion = false;
    std::array<double, 6> PathExtents{};            // min X, max X, min Y, max Y, min Z, max Z in mm
    std::array<double, 4> UnitsPerStep{};           // program units per step (A: degrees per step)
    std::array<double, 4> BacklashDisplayOffset{};  // steps
    // The language file may replace them.
    std::array<std::string, STARTUP_TEXT_COUNT> StartupTexts{
        "Initializing controller.",
        "Controller detected ",
        "Program Stop.  Press the \"PAUSE\" button to continue after motion stops.",
        "Program Completed.",
        "START_VEL > MAXSPS in Ini file... Setting START_VEL = MAXSPS",
        "Could not send acceleration to controller..."};

  private:
    std::array<double, 3> ToMachine(double x, double y, double z) const;
    void MoveTo(const std::array<double, 3>& target);
    bool ControlMode() const { return !PreviewMode && controller_ != nullptr; }
    void Flush();
    void WaitInControlMode();
    // Straight to the board after a flush: dwell, outputs, pause.
    void DispatchNow(const ControllerCommand& command);
    void SetOutput(int output, int state);
    // Feeds, arc pieces, rapids and index moves go through the motion queue.
    void SendMove(const ControllerCommand& command);
    struct StepMove {
        std::array<double, 3> delta{};   // whole steps per axis
        std::array<double, 3> target{};  // steps, backlash included
        double longest = 0;              // steps of the longest axis
    };
    StepMove StepsTo(const std::array<double, 3>& target);
    int DominantAxis(const std::array<double, 3>& delta) const;
    std::int32_t CurrentATarget() const;
    // Machine millimetres to the tool tip's program coordinates.
    std::array<double, 3> ToProgram(double x, double y, double z) const;

    // Arcs: quadrant pieces for the board, a polyline in preview, chords where a circle cannot be cut.
    struct ArcPiece {
        double end_first = 0, end_second = 0;        // program units
        double centre_first = 0, centre_second = 0;  // program units
        int rotation = 0;
        double axis_end = 0;
        std::uint8_t quadrant = 0;  // 0: empty slot; 1..4
    };
    static double PointAngle(double centre_first, double centre_second, double first, double second);
    int SplitQuadrants(double first_end, double second_end, double first_centre, double second_centre,
                       int rotation, double axis_end, std::array<ArcPiece, 9>& pieces);
    void ExecuteArcPiece(const ArcPiece& piece);
    void ArcChords(double first_end, double second_end, double first_centre, double second_centre,
                   int rotation, double axis_end);

    // Tool change.
    void RunToolChangeMacro(int slot);
    void MeasureToolLength(int tool);
    // A measurement that found no length: the emergency stop, and the status bar says why.
    void NotMeasured();

    OperatorPanel& panel_;
    ToolPathSink& sink_;
    StockSink* stock_ = nullptr;
    Controller* controller_ = nullptr;
    std::optional<MotionQueue> queue_;
    std::function<int(std::string_view)> execute_direct_;
    config::ToolChangeData tool_change_;
    int homing_velocity_sps_ = 100;  // steps/s, the probing speed of the tool-length measurement
    int macro_depth_ = 0;            // a T word inside a tool-change macro does not start another
    MotionParameters parameters_;
    interp::CanonToolTable* interpreter_tool_table_ = nullptr;
    std::vector<config::ToolEntry> tool_list_;
    std::string tool_table_path_;
    std::filesystem::path configuration_file_;
    char decimal_separator_ = '.';
};

}  // namespace zorvan::machine
