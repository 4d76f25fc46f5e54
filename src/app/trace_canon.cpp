#include "app/trace_canon.h"

#include <charconv>
#include <cstdio>

namespace zorvan::app {

void TraceOutput::flush() {
    if (!buffer_.empty() && file_ != nullptr) std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.clear();
}

void TraceOutput::append_real(double value) {
    char text[400];
    auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4);
    std::string_view printed(text, static_cast<std::size_t>(result.ptr - text));
    if (printed == "-0.0000") printed.remove_prefix(1);
    buffer_.append(printed);
}

void TraceOutput::append_int(long long value) {
    char text[24];
    auto result = std::to_chars(text, text + sizeof text, value);
    buffer_.append(text, static_cast<std::size_t>(result.ptr - text));
}

void TracingCanon::print(std::string_view name, std::initializer_list<Arg> args) {
    if (!enabled_) return;
    out_.append(name);
    out_.append("(");
    bool first = true;
    for (const Arg& arg : args) {
        if (!first) out_.append(", ");
        first = false;
        if (arg.is_int) {
            out_.append_int(arg.integer);
        } else {
            out_.append_real(arg.real);
        }
    }
    out_.append(")\n");
}

void TracingCanon::use_length_units(int units) {
    print("use_length_units", {units});
    inner_.use_length_units(units);
}
void TracingCanon::set_origin_offsets(double x, double y, double z) {
    print("set_origin_offsets", {x, y, z});
    inner_.set_origin_offsets(x, y, z);
}
void TracingCanon::use_tool_length_offset(double length) {
    print("use_tool_length_offset", {length});
    inner_.use_tool_length_offset(length);
}
void TracingCanon::set_feed_rate(double rate) {
    print("set_feed_rate", {rate});
    inner_.set_feed_rate(rate);
}
void TracingCanon::set_feed_reference(int reference) {
    print("set_feed_reference", {reference});
    inner_.set_feed_reference(reference);
}
void TracingCanon::select_plane(int plane) {
    print("select_plane", {plane});
    inner_.select_plane(plane);
}
void TracingCanon::set_motion_control_mode(int mode) {
    print("set_motion_control_mode", {mode});
    inner_.set_motion_control_mode(mode);
}
void TracingCanon::straight_traverse(double x, double y, double z) {
    print("straight_traverse", {x, y, z});
    inner_.straight_traverse(x, y, z);
}
void TracingCanon::straight_feed(double x, double y, double z) {
    print("straight_feed", {x, y, z});
    inner_.straight_feed(x, y, z);
}
void TracingCanon::straight_probe(double x, double y, double z) {
    print("straight_probe", {x, y, z});
    inner_.straight_probe(x, y, z);
}
void TracingCanon::arc_feed(double first_end, double second_end, double first_centre, double second_centre,
                            int rotation, double axis_end) {
    print("arc_feed", {first_end, second_end, first_centre, second_centre, rotation, axis_end});
    inner_.arc_feed(first_end, second_end, first_centre, second_centre, rotation, axis_end);
}
void TracingCanon::dwell(double seconds) {
    print("dwell", {seconds});
    inner_.dwell(seconds);
}
void TracingCanon::move_single_axis(int axis_mask, double x, double y, double z, double a) {
    print("move_single_axis", {axis_mask, x, y, z, a});
    inner_.move_single_axis(axis_mask, x, y, z, a);
}
void TracingCanon::set_spindle_speed(double rpm) {
    print("set_spindle_speed", {rpm});
    inner_.set_spindle_speed(rpm);
}
void TracingCanon::orient_spindle(double orientation) {
    print("orient_spindle", {orientation});
    inner_.orient_spindle(orientation);
}
void TracingCanon::select_tool(int slot) {
    print("select_tool", {slot});
    inner_.select_tool(slot);
}
void TracingCanon::change_tool(int slot) {
    print("change_tool", {slot});
    inner_.change_tool(slot);
}

// The calls without arguments.
#define ZORVAN_TRACE_PLAIN(name) \
    void TracingCanon::name() {  \
        print(#name);            \
        inner_.name();           \
    }
ZORVAN_TRACE_PLAIN(start_spindle_clockwise)
ZORVAN_TRACE_PLAIN(start_spindle_counterclockwise)
ZORVAN_TRACE_PLAIN(stop_spindle_turning)
ZORVAN_TRACE_PLAIN(start_speed_feed_synch)
ZORVAN_TRACE_PLAIN(stop_speed_feed_synch)
ZORVAN_TRACE_PLAIN(mist_on)
ZORVAN_TRACE_PLAIN(mist_off)
ZORVAN_TRACE_PLAIN(flood_on)
ZORVAN_TRACE_PLAIN(flood_off)
ZORVAN_TRACE_PLAIN(enable_feed_override)
ZORVAN_TRACE_PLAIN(disable_feed_override)
ZORVAN_TRACE_PLAIN(enable_speed_override)
ZORVAN_TRACE_PLAIN(disable_speed_override)
ZORVAN_TRACE_PLAIN(turn_probe_on)
ZORVAN_TRACE_PLAIN(turn_probe_off)
ZORVAN_TRACE_PLAIN(program_stop)
ZORVAN_TRACE_PLAIN(optional_program_stop)
ZORVAN_TRACE_PLAIN(program_end)
ZORVAN_TRACE_PLAIN(pallet_shuttle)
#undef ZORVAN_TRACE_PLAIN

void TraceErrorReporter::report_error(int line_count, std::string_view, std::string_view message) {
    ++count_;
    out_.append("error(");
    out_.append_int(line_count);
    out_.append("): ");
    out_.append(message);
    out_.append("\n");
}

}  // namespace zorvan::app
