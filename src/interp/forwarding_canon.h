// A decorator's base: every canonical machining function and query passes to the machine inside. A
// decorator (tracing, counting, recording) overrides only the calls it looks at.
#pragma once

#include <string>

#include "interp/canonical_machine.h"

namespace zorvan::interp {

class ForwardingCanon : public CanonicalMachine {
  public:
    explicit ForwardingCanon(CanonicalMachine& inner) : inner_(inner) {}

    void init_canon(const std::string& parameter_file_path) override {
        inner_.init_canon(parameter_file_path);
    }
    void exit_canon() override { inner_.exit_canon(); }
    void use_length_units(int units) override { inner_.use_length_units(units); }
    void set_origin_offsets(double x, double y, double z) override { inner_.set_origin_offsets(x, y, z); }
    void use_tool_length_offset(double length) override { inner_.use_tool_length_offset(length); }
    void set_feed_rate(double rate) override { inner_.set_feed_rate(rate); }
    void set_feed_reference(int reference) override { inner_.set_feed_reference(reference); }
    void select_plane(int plane) override { inner_.select_plane(plane); }
    void set_motion_control_mode(int mode) override { inner_.set_motion_control_mode(mode); }
    void straight_traverse(double x, double y, double z) override { inner_.straight_traverse(x, y, z); }
    void straight_feed(double x, double y, double z) override { inner_.straight_feed(x, y, z); }
    void straight_probe(double x, double y, double z) override { inner_.straight_probe(x, y, z); }
    void arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                  int rotation, double axis_end) override {
        inner_.arc_feed(first_end, second_end, first_centre, second_centre, rotation, axis_end);
    }
    void dwell(double seconds) override { inner_.dwell(seconds); }
    void move_single_axis(int axis_mask, double x, double y, double z, double a) override {
        inner_.move_single_axis(axis_mask, x, y, z, a);
    }
    void set_spindle_speed(double rpm) override { inner_.set_spindle_speed(rpm); }
    void start_spindle_clockwise() override { inner_.start_spindle_clockwise(); }
    void start_spindle_counterclockwise() override { inner_.start_spindle_counterclockwise(); }
    void stop_spindle_turning() override { inner_.stop_spindle_turning(); }
    void start_speed_feed_synch() override { inner_.start_speed_feed_synch(); }
    void stop_speed_feed_synch() override { inner_.stop_speed_feed_synch(); }
    void orient_spindle(double orientation) override { inner_.orient_spindle(orientation); }
    void mist_on() override { inner_.mist_on(); }
    void mist_off() override { inner_.mist_off(); }
    void flood_on() override { inner_.flood_on(); }
    void flood_off() override { inner_.flood_off(); }
    void enable_feed_override() override { inner_.enable_feed_override(); }
    void disable_feed_override() override { inner_.disable_feed_override(); }
    void enable_speed_override() override { inner_.enable_speed_override(); }
    void disable_speed_override() override { inner_.disable_speed_override(); }
    void select_tool(int slot) override { inner_.select_tool(slot); }
    void change_tool(int slot) override { inner_.change_tool(slot); }
    void turn_probe_on() override { inner_.turn_probe_on(); }
    void turn_probe_off() override { inner_.turn_probe_off(); }
    void program_stop() override { inner_.program_stop(); }
    void optional_program_stop() override { inner_.optional_program_stop(); }
    void program_end() override { inner_.program_end(); }
    void pallet_shuttle() override { inner_.pallet_shuttle(); }

    Position get_position() override { return inner_.get_position(); }
    double get_feed_rate() override { return inner_.get_feed_rate(); }
    double get_traverse_rate() override { return inner_.get_traverse_rate(); }
    int get_flood() override { return inner_.get_flood(); }
    int get_mist() override { return inner_.get_mist(); }
    int get_selected_tool_slot() override { return inner_.get_selected_tool_slot(); }
    int get_tool_slot() override { return inner_.get_tool_slot(); }
    double get_spindle_speed() override { return inner_.get_spindle_speed(); }
    int get_spindle_state() override { return inner_.get_spindle_state(); }
    int get_motion_control_mode() override { return inner_.get_motion_control_mode(); }
    int get_tool_max() override { return inner_.get_tool_max(); }
    CanonToolTableEntry get_tool_table_entry(int index) override {
        return inner_.get_tool_table_entry(index);
    }
    Position get_probe_position() override { return inner_.get_probe_position(); }
    double get_probe_value() override { return inner_.get_probe_value(); }
    int queue_empty() override { return inner_.queue_empty(); }

  protected:
    CanonicalMachine& inner_;
};

}  // namespace zorvan::interp
