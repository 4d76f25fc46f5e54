#include "interp/number_reader.h"

#include <array>

#include "config/number_text.h"

namespace zorvan::interp {
namespace {

constexpr std::size_t MANTISSA_DIGITS = 19;  // as many decimal digits as always fit 64 bits
constexpr std::uint64_t LARGEST_EXACT_INTEGER = std::uint64_t{1} << 53;  // beyond, a double skips integers
// Powers of ten up to the most fraction digits a mantissa holds; doubles hold all of them exactly.
constexpr std::array<double, MANTISSA_DIGITS + 1> EXACT_POWERS_OF_TEN = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
    1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};

}  // namespace

DecimalNumber read_decimal_number(std::string_view text, char separator) {
    DecimalNumber number;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    if (p == end) {
        number.status = NumberStatus::NO_DIGITS;
        return number;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    } else if (!(*p >= '0' && *p <= '9') && *p != separator) {
        number.status = NumberStatus::BAD_FORMAT;
        return number;
    }
    // The digits as one integer, and how many of them follow the separator: the number is
    // mantissa / 10^fraction_digits. Past 19 digits the integer wraps and is not used.
    std::uint64_t mantissa = 0;
    auto read_digits = [&] {
        const char* const first = p;
        for (; p != end; ++p) {
            const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
            if (digit > 9) break;
            mantissa = mantissa * 10 + digit;
        }
        return static_cast<std::size_t>(p - first);
    };
    std::size_t digits = read_digits();
    std::size_t fraction_digits = 0;
    if (p != end && *p == separator) {
        ++p;
        fraction_digits = read_digits();
        digits += fraction_digits;
    }
    number.length = static_cast<std::size_t>(p - begin);
    if (digits == 0) {
        number.status = NumberStatus::NO_DIGITS;
        return number;
    }
    if (digits <= MANTISSA_DIGITS && mantissa <= LARGEST_EXACT_INTEGER) {
        // Both operands are exact, so the one rounding of the division is the correctly rounded value that
        // strtod returns.
        const double value = static_cast<double>(mantissa) / EXACT_POWERS_OF_TEN[fraction_digits];
        number.value = negative ? -value : value;
    } else {
        // Long or tiny numbers: the full conversion (correctly rounded as well).
        number.value = config::parse_real(text.substr(0, number.length), separator).value_or(0.0);
    }
    return number;
}

}  // namespace zorvan::interp
