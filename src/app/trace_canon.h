// A decorator that writes one line per canonical machining function called through it, then passes the
// call on. State queries pass through unprinted.
#pragma once

#include <string>

#include "interp/canonical_machine.h"
#include "interp/error_reporter.h"
#include "interp/forwarding_canon.h"

namespace zorvan::app {

// Output collected in memory and handed to a sink in large pieces; the trace of a long program is
// dominated by formatting, not by writing.
class TraceOutput {
  public:
    explicit TraceOutput(std::FILE* file) : file_(file) { buffer_.reserve(1 << 16); }
    ~TraceOutput() { flush(); }
    void append(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= (1 << 16)) flush();
    }
    void append_real(double value);  // "%.4f", with -0.0000 printed as 0.0000
    void append_int(long long value);
    void flush();

  private:
    std::FILE* file_;
    std::string buffer_;
};

class TracingCanon final : public interp::ForwardingCanon {
  public:
    TracingCanon(interp::CanonicalMachine& inner, TraceOutput& out) : ForwardingCanon(inner), out_(out) {}
    // Start-up calls are not part of the trace.
    void set_enabled(bool enabled) { enabled_ = enabled; }

    void use_length_units(int units) override;
    void set_origin_offsets(double x, double y, double z) override;
    void use_tool_length_offset(double length) override;
    void set_feed_rate(double rate) override;
    void set_feed_reference(int reference) override;
    void select_plane(int plane) override;
    void set_motion_control_mode(int mode) override;
    void straight_traverse(double x, double y, double z) override;
    void straight_feed(double x, double y, double z) override;
    void straight_probe(double x, double y, double z) override;
    void arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                  int rotation, double axis_end) override;
    void dwell(double seconds) override;
    void move_single_axis(int axis_mask, double x, double y, double z, double a) override;
    void set_spindle_speed(double rpm) override;
    void start_spindle_clockwise() override;
    void start_spindle_counterclockwise() override;
    void stop_spindle_turning() override;
    void start_speed_feed_synch() override;
    void stop_speed_feed_synch() override;
    void orient_spindle(double orientation) override;
    void mist_on() override;
    void mist_off() override;
    void flood_on() override;
    void flood_off() override;
    void enable_feed_override() override;
    void disable_feed_override() override;
    void enable_speed_override() override;
    void disable_speed_override() override;
    void select_tool(int slot) override;
    void change_tool(int slot) override;
    void turn_probe_on() override;
    void turn_probe_off() override;
    void program_stop() override;
    void optional_program_stop() override;
    void program_end() override;
    void pallet_shuttle() override;

  private:
    // name(arg, arg, ...): each argument a real or an integer.
    struct Arg {
        bool is_int;
        double real;
        long long integer;
        Arg(double value) : is_int(false), real(value), integer(0) {}
        Arg(int value) : is_int(true), real(0), integer(value) {}
    };
    void print(std::string_view name, std::initializer_list<Arg> args = {});

    TraceOutput& out_;
    bool enabled_ = false;
};

// Errors as "error(N): MESSAGE" lines in the same output, in call order.
class TraceErrorReporter final : public interp::ErrorReporter {
  public:
    explicit TraceErrorReporter(TraceOutput& out) : out_(out) {}
    void report_error(int line_count, std::string_view line_text, std::string_view message) override;
    int count() const { return count_; }

  private:
    TraceOutput& out_;
    int count_ = 0;
};

// Passes errors on only while enabled: the start-up's own, or those of a silent first pass, are not part of
// a command's output. Without an inner reporter nothing is printed.
class SwitchedReporter final : public interp::ErrorReporter {
  public:
    explicit SwitchedReporter(TraceErrorReporter* inner) : inner_(inner) {}
    void report_error(int line_count, std::string_view line_text, std::string_view message) override {
        if (enabled && inner_ != nullptr) inner_->report_error(line_count, line_text, message);
    }
    bool enabled = false;

  private:
    TraceErrorReporter* inner_;
};

}  // namespace zorvan::app
