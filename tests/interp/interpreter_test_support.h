// A machine that records what the interpreter asks of it, a reporter that keeps the failures, and a
// fixture that starts an interpreter on a temporary program folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "interp/canonical_machine.h"
#include "interp/error_reporter.h"
#include "interp/interpreter.h"
#include "support/temp_dir.h"

namespace zorvan::interp::testing {

// Each canonical call becomes one line, "name(arg, ...)" with reals as "%.4f", as the CLI trace prints
// them. The state queries are not recorded; their answers are settable.
class RecordingCanon final : public CanonicalMachine {
  public:
    std::vector<std::string> calls;

    Position position;        // get_position
    Position probe_position;  // get_probe_position
    double probe_value = 1.0;
    int queue_is_empty = 1;
    double feed_rate = 0.0;  // get_feed_rate, program units per minute
    double traverse_rate = 0.0;
    int flood = 0, mist = 0;
    int selected_tool_slot = 0, tool_slot = 1;
    double spindle_speed = 0.0;
    int spindle_state = 1, motion_control_mode = 2;
    std::vector<CanonToolTableEntry> tools;  // get_tool_table_entry; all-zero beyond the list

    void init_canon(const std::string&) override {}
    void exit_canon() override { record("exit_canon"); }
    void use_length_units(int units) override { record("use_length_units", {units}); }
    void set_origin_offsets(double x, double y, double z) override {
        record("set_origin_offsets", {x, y, z});
    }
    void use_tool_length_offset(double length) override { record("use_tool_length_offset", {length}); }
    void set_feed_rate(double rate) override { record("set_feed_rate", {rate}); }
    void set_feed_reference(int reference) override { record("set_feed_reference", {reference}); }
    void select_plane(int plane) override { record("select_plane", {plane}); }
    void set_motion_control_mode(int mode) override { record("set_motion_control_mode", {mode}); }
    void straight_traverse(double x, double y, double z) override { record("straight_traverse", {x, y, z}); }
    void straight_feed(double x, double y, double z) override { record("straight_feed", {x, y, z}); }
    void straight_probe(double x, double y, double z) override { record("straight_probe", {x, y, z}); }
    void arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                  int rotation, double axis_end) override {
        record("arc_feed", {first_end, second_end, first_centre, second_centre, rotation, axis_end});
    }
    void dwell(double seconds) override { record("dwell", {seconds}); }
    void move_single_axis(int mask, double x, double y, double z, double a) override {
        record("move_single_axis", {mask, x, y, z, a});
    }
    void set_spindle_speed(double rpm) override { record("set_spindle_speed", {rpm}); }
    void start_spindle_clockwise() override { record("start_spindle_clockwise"); }
    void start_spindle_counterclockwise() override { record("start_spindle_counterclockwise"); }
    void stop_spindle_turning() override { record("stop_spindle_turning"); }
    void start_speed_feed_synch() override { record("start_speed_feed_synch"); }
    void stop_speed_feed_synch() override { record("stop_speed_feed_synch"); }
    void orient_spindle(double orientation) override { record("orient_spindle", {orientation}); }
    void mist_on() override { record("mist_on"); }
    void mist_off() override { record("mist_off"); }
    void flood_on() override { record("flood_on"); }
    void flood_off() override { record("flood_off"); }
    void enable_feed_override() override { record("enable_feed_override"); }
    void disable_feed_override() override { record("disable_feed_override"); }
    void enable_speed_override() override { record("enable_speed_override"); }
    void disable_speed_override() override { record("disable_speed_override"); }
    void select_tool(int slot) override { record("select_tool", {slot}); }
    void change_tool(int slot) override { record("change_tool", {slot}); }
    void turn_probe_on() override { record("turn_probe_on"); }
    void turn_probe_off() override { record("turn_probe_off"); }
    void program_stop() override { record("program_stop"); }
    void optional_program_stop() override { record("optional_program_stop"); }
    void program_end() override { record("program_end"); }
    void pallet_shuttle() override { record("pallet_shuttle"); }

    Position get_position() override { return position; }
    double get_feed_rate() override { return feed_rate; }
    double get_traverse_rate() override { return traverse_rate; }
    int get_flood() override { return flood; }
    int get_mist() override { return mist; }
    int get_selected_tool_slot() override { return selected_tool_slot; }
    int get_tool_slot() override { return tool_slot; }
    double get_spindle_speed() override { return spindle_speed; }
    int get_spindle_state() override { return spindle_state; }
    int get_motion_control_mode() override { return motion_control_mode; }
    int get_tool_max() override { return TOOL_MAX; }
    CanonToolTableEntry get_tool_table_entry(int index) override;
    Position get_probe_position() override { return probe_position; }
    double get_probe_value() override { return probe_value; }
    int queue_empty() override { return queue_is_empty; }

  private:
    struct Arg {
        bool is_int;
        double value;
        Arg(double v) : is_int(false), value(v) {}
        Arg(int v) : is_int(true), value(v) {}
    };
    void record(std::string_view name, std::initializer_list<Arg> args = {});
};

class ListReporter final : public ErrorReporter {
  public:
    struct Report {
        int line_count;
        std::string line_text;
        std::string message;
    };
    std::vector<Report> reports;

    void report_error(int line_count, std::string_view line_text, std::string_view message) override {
        reports.push_back({line_count, std::string(line_text), std::string(message)});
    }
};

using zorvan::testing::TempDir;

// An interpreter started as the operator program starts it (interpreter_init, then reset), with the
// record of the start-up cleared.
class InterpreterTest : public ::testing::Test {
  protected:
    InterpreterTest();

    // Runs interpreter_init and interpreter_reset again, e.g. after writing files into the folder.
    void restart();
    int line(std::string_view text) { return interp.interpret_line(text); }
    // Program lines in order, stopping at the first result that is not 0; returns that result.
    int lines(std::initializer_list<std::string_view> texts);
    // The calls recorded since the last take, which clears them.
    std::vector<std::string> take_calls();
    // The one reported message ("" when none); more than one report fails the test.
    std::string error() const;
    InterpreterSettings& settings() { return interp.settings(); }

    // A line refused with its message after a fresh start and a line that sets the modes (or ""),
    // having called nothing.
    struct Refusal {
        const char* modal;
        const char* line;
        const char* message;
    };
    void expect_refused(const Refusal& refusal);

    TempDir dir;
    RecordingCanon canon;
    ListReporter reporter;
    Interpreter interp;
};

// The same, with a configuration that selects the CAM dialect.
class CamInterpreterTest : public InterpreterTest {
  protected:
    CamInterpreterTest();
};

}  // namespace zorvan::interp::testing
