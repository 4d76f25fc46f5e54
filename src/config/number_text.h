// Conversions between numbers and the text of the program's files, with a configurable decimal separator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zorvan::config {

// The whole text as a real: optional sign, digits with at most one decimal point, where the point is
// `separator`, and an optional exponent ("1E-5"). No blanks, no hexadecimal. nullopt when the text is
// not such a number.
std::optional<double> parse_real(std::string_view text, char separator);

// The whole text as a decimal integer (optional sign), or hexadecimal after "0x"/"0X". nullopt when the
// text is not such a number or does not fit 32 bits.
std::optional<int> parse_int(std::string_view text);

// Shortest general form with up to 15 significant digits ("25", "0.5", "1E-5"), with `separator`.
std::string format_real(double value, char separator);

}  // namespace zorvan::config
