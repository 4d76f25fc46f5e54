// Any text and any separator: the number reader takes what the scan of a word value takes, refuses what
// it refuses, and gives the double strtod gives for the same characters with the separator as ".".
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "interp/number_reader.h"

namespace {

using zorvan::interp::DecimalNumber;
using zorvan::interp::NumberStatus;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The word-value scan, written out plainly: a sign, then digits and at most one separator.
DecimalNumber expected_number(std::string_view text, char separator) {
    DecimalNumber number;
    if (text.empty()) {
        number.status = NumberStatus::NO_DIGITS;
        return number;
    }
    std::size_t i = 0;
    if (text[0] == '+' || text[0] == '-') {
        i = 1;
    } else if (!is_digit(text[0]) && text[0] != separator) {
        number.status = NumberStatus::BAD_FORMAT;
        return number;
    }
    bool seen_separator = false;
    bool seen_digit = false;
    std::string copy(text.substr(0, i));
    for (; i < text.size(); ++i) {
        if (is_digit(text[i])) {
            seen_digit = true;
            copy += text[i];
        } else if (text[i] == separator && !seen_separator) {
            seen_separator = true;
            copy += '.';
        } else {
            break;
        }
    }
    number.length = i;
    if (!seen_digit) {
        number.status = NumberStatus::NO_DIGITS;
        return number;
    }
    // No locale is set, so strtod reads the point.
    char* end = nullptr;
    number.value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) __builtin_trap();
    return number;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte is the separator, so that unusual ones ("-", "e", a digit) are tried as well.
    const char separator = static_cast<char>(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const DecimalNumber actual = zorvan::interp::read_decimal_number(text, separator);
    const DecimalNumber expected = expected_number(text, separator);
    if (actual.status != expected.status) __builtin_trap();
    if (expected.status == NumberStatus::BAD_FORMAT) return 0;
    if (actual.length != expected.length) __builtin_trap();
    if (expected.status == NumberStatus::OK &&
        std::bit_cast<std::uint64_t>(actual.value) != std::bit_cast<std::uint64_t>(expected.value)) {
        __builtin_trap();
    }
    return 0;
}
