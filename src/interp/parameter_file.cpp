#include "interp/parameter_file.h"

#include <string>

#include "config/number_text.h"
#include "config/text_file.h"

namespace zorvan::interp {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

void parse_parameter_line(std::string_view line, std::array<double, PARAMETER_COUNT>& parameters,
                          char separator) {
    if (line.empty() || !is_digit(line[0])) return;
    // The number is the leading digits, never including the line's last character.
    std::size_t i = 0;
    long long number = 0;
    while (i + 1 < line.size() && is_digit(line[i])) {
        if (number < PARAMETER_COUNT) number = number * 10 + (line[i] - '0');
        ++i;
    }
    auto is_value_char = [separator](char c) {
        return is_digit(c) || c == '.' || c == '-' || c == separator;
    };
    while (i < line.size() && !is_value_char(line[i]))
        ++i;
    const std::size_t start = i;
    while (i < line.size() && is_value_char(line[i]))
        ++i;
    if (i == start) return;
    if (number >= PARAMETER_COUNT) return;
    // Values are written with a point; the configured separator is accepted as well, so that a file
    // written by hand in the operator's own notation reads as meant.
    std::string value(line.substr(start, i - start));
    if (separator != '.') {
        for (char& c : value) {
            if (c == separator) c = '.';
        }
    }
    if (auto converted = config::parse_real(value, '.')) parameters[number] = *converted;
}

}  // namespace

void parse_parameter_file(std::string_view text, std::array<double, PARAMETER_COUNT>& parameters,
                          char decimal_separator) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        parse_parameter_line(line, parameters, decimal_separator);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

bool read_parameter_file(const std::filesystem::path& path, std::array<double, PARAMETER_COUNT>& parameters,
                         char decimal_separator) {
    auto text = config::read_text_file(path);
    if (!text) return false;
    parse_parameter_file(*text, parameters, decimal_separator);
    return true;
}

}  // namespace zorvan::interp
