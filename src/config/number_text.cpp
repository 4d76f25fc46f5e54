#include "config/number_text.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace zorvan::config {
namespace {

// An exponent's tail: an optional sign, then digits only.
bool exponent_digits(std::string_view text) {
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

std::optional<double> parse_real(std::string_view text, char separator) {
    std::size_t start = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        start = 1;
    }
    // Copied so that the separator becomes the point from_chars understands; numbers are short, so the
    // copy stays on the stack.
    const std::string_view digits = text.substr(start);
    char small[64];
    std::string large;
    char* copy = small;
    if (digits.size() > sizeof small) {
        large.resize(digits.size());
        copy = large.data();
    }
    bool seen_point = false;
    bool seen_digit = false;
    bool nonzero_integral = false;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c >= '0' && c <= '9') {
            seen_digit = true;
            if (!seen_point && c != '0') nonzero_integral = true;
            copy[i] = c;
        } else if (c == separator && !seen_point) {
            seen_point = true;
            copy[i] = '.';
        } else if ((c == 'e' || c == 'E') && seen_digit && exponent_digits(digits.substr(i + 1))) {
            // The written form of very small or large reals ("1E-5") reads back.
            for (std::size_t k = i; k < digits.size(); ++k)
                copy[k] = digits[k];
            break;
        } else {
            return std::nullopt;
        }
    }
    if (!seen_digit) return std::nullopt;
    const char* last = copy + digits.size();
    double value = 0;
    auto result = std::from_chars(copy, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond the range of a double: the standard conversions give infinity, or zero for tiny values.
        const std::string_view written(copy, digits.size());
        const std::size_t e = written.find_first_of("eE");
        const bool shrinking =
            e != std::string_view::npos ? written.substr(e + 1).starts_with('-') : !nonzero_integral;
        value = shrinking ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc() || result.ptr != last) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<int> parse_int(std::string_view text) {
    if (text.empty()) return std::nullopt;
    bool negative = false;
    std::size_t i = 0;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    int base = 10;
    if (text.size() > i + 1 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // from_chars takes a sign of its own; only the one before the digits is the number's.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return std::nullopt;
    long long value = 0;
    auto result = std::from_chars(text.data() + i, text.data() + text.size(), value, base);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (negative) value = -value;
    if (base == 16 && !negative && value > std::numeric_limits<int>::max() && value <= 0xFFFFFFFFLL) {
        value =
            static_cast<int>(static_cast<unsigned int>(value));  // 0xFFFFFFFF reads as -1, as on the board
    }
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

std::string format_real(double value, char separator) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    // printf pads the exponent to two digits; the files carry it as short as it goes ("1E-5").
    auto e = text.find('E');
    if (e != std::string::npos) {
        std::size_t digits = e + 2;
        while (digits + 1 < text.size() && text[digits] == '0')
            text.erase(digits, 1);
        if (text[e + 1] == '+') text.erase(e + 1, 1);
    }
    if (separator != '.') {
        for (char& c : text) {
            if (c == '.') c = separator;
        }
    }
    return text;
}

}  // namespace zorvan::config
