// The number reader of word values: an optional sign, then digits with at most one decimal separator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorvan::interp {

enum class NumberStatus : std::uint8_t {
    OK,
    BAD_FORMAT,  // the first character is neither sign, digit nor separator
    NO_DIGITS,   // a sign or separator without any digit
};

struct DecimalNumber {
    NumberStatus status = NumberStatus::OK;
    std::size_t length = 0;  // characters taken from the text, the sign included
    double value = 0.0;
};

// Reads the longest number at the start of `text`; the value is the one strtod gives for the same
// characters with the separator written as ".". A digit counts as a digit even when it is the separator.
DecimalNumber read_decimal_number(std::string_view text, char separator);

}  // namespace zorvan::interp
