#include "app/trace_canon.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace zorvan::app {

void TraceOutput::flush() {
    if (!buffer_.empty() && file_ != nullptr) std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.clear();
}

namespace {

// "%.4f" of |value| < 2^49 without the general conversion: value is m * 2^-shift exactly, so
// round(value * 10^4) is m * 10^4 shifted right, ties to even as the general conversion rounds them.
// false for larger values, infinities and NaN.
bool fixed4_units(double value, std::uint64_t& units, bool& negative) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    negative = (bits >> 63) != 0;
    const int biased_exponent = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased_exponent != 0) mantissa |= std::uint64_t{1} << 52;
    const int shift = biased_exponent == 0 ? 1074 : 1075 - biased_exponent;
    if (shift < 4 || biased_exponent == 0x7ff) return false;
    if (shift >= 68) {
        // m * 10^4 < 2^67: below half a unit of the last place.
        units = 0;
        return true;
    }
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * 10000;
    units = static_cast<std::uint64_t>(scaled >> shift);
    const unsigned __int128 rest = scaled & ((static_cast<unsigned __int128>(1) << shift) - 1);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (units & 1) != 0)) ++units;
    return true;
}

}  // namespace

void TraceOutput::append_real(double value) {
    char text[400];
    std::uint64_t units = 0;
    bool negative = false;
    if (fixed4_units(value, units, negative)) {
        // -0.0000 is printed as 0.0000.
        char* p = text;
        if (negative && units != 0) *p++ = '-';
        p = std::to_chars(p, text + sizeof text, units / 10000).ptr;
        unsigned fraction = static_cast<unsigned>(units % 10000);
        p[0] = '.';
        for (int digit = 4; digit >= 1; --digit) {
            p[digit] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        buffer_.append(text, static_cast<std::size_t>(p + 5 - text));
        return;
    }
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
