// The machine as the interpreter sees it: every canonical machining function and state query it calls.
#pragma once

#include <string>

#include "interp/settings.h"

namespace zorvan::interp {

struct Position {
    double x = 0, y = 0, z = 0, a = 0;  // program units; A in degrees
};

class CanonicalMachine {
  public:
    virtual ~CanonicalMachine() = default;

    // Life cycle. The parameter file's path names the tool table beside it (".tbl").
    virtual void init_canon(const std::string& parameter_file_path) = 0;
    virtual void exit_canon() = 0;

    // Frame of reference and modes.
    virtual void use_length_units(int units) = 0;  // 1 inch, 2 mm, 3 cm
    virtual void set_origin_offsets(double x, double y, double z) = 0;
    virtual void use_tool_length_offset(double length) = 0;
    virtual void set_feed_rate(double rate) = 0;  // program units per minute
    virtual void set_feed_reference(int reference) = 0;
    virtual void select_plane(int plane) = 0;
    virtual void set_motion_control_mode(int mode) = 0;

    // Motion.
    virtual void straight_traverse(double x, double y, double z) = 0;
    virtual void straight_feed(double x, double y, double z) = 0;
    virtual void straight_probe(double x, double y, double z) = 0;
    virtual void arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                          int rotation, double axis_end) = 0;
    virtual void dwell(double seconds) = 0;
    virtual void move_single_axis(int axis_mask, double x, double y, double z, double a) = 0;

    // Spindle, coolant, overrides.
    virtual void set_spindle_speed(double rpm) = 0;
    virtual void start_spindle_clockwise() = 0;
    virtual void start_spindle_counterclockwise() = 0;
    virtual void stop_spindle_turning() = 0;
    virtual void start_speed_feed_synch() = 0;
    virtual void stop_speed_feed_synch() = 0;
    virtual void orient_spindle(double orientation) = 0;
    virtual void mist_on() = 0;
    virtual void mist_off() = 0;
    virtual void flood_on() = 0;
    virtual void flood_off() = 0;
    virtual void enable_feed_override() = 0;
    virtual void disable_feed_override() = 0;
    virtual void enable_speed_override() = 0;
    virtual void disable_speed_override() = 0;

    // Tools, probe, stops.
    virtual void select_tool(int slot) = 0;
    virtual void change_tool(int slot) = 0;
    virtual void turn_probe_on() = 0;
    virtual void turn_probe_off() = 0;
    virtual void program_stop() = 0;
    virtual void optional_program_stop() = 0;
    virtual void program_end() = 0;
    virtual void pallet_shuttle() = 0;

    // State queries, with which the interpreter re-synchronises its model.
    virtual Position get_position() = 0;
    virtual double get_feed_rate() = 0;
    virtual double get_traverse_rate() = 0;
    virtual int get_flood() = 0;
    virtual int get_mist() = 0;
    virtual int get_selected_tool_slot() = 0;
    virtual int get_tool_slot() = 0;
    virtual double get_spindle_speed() = 0;
    virtual int get_spindle_state() = 0;
    virtual int get_motion_control_mode() = 0;
    virtual int get_tool_max() = 0;
    virtual CanonToolTableEntry get_tool_table_entry(int index) = 0;
    virtual Position get_probe_position() = 0;
    virtual double get_probe_value() = 0;
    virtual int queue_empty() = 0;
};

}  // namespace zorvan::interp
