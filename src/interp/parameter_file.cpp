#include "interp/parameter_file.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "config/number_text.h"
#include "config/text_file.h"

namespace zorvan::interp {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

struct ParameterLine {
    int number;
    double value;
};

std::optional<ParameterLine> read_parameter_line(std::string_view line, char separator) {
    if (line.empty() || !is_digit(line[0])) return std::nullopt;
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
    if (i == start) return std::nullopt;
    if (number >= PARAMETER_COUNT) return std::nullopt;
    // Values are written with a point; the configured separator is accepted as well, so that a file
    // written by hand in the operator's own notation reads as meant.
    std::string value(line.substr(start, i - start));
    if (separator != '.') {
        for (char& c : value) {
            if (c == separator) c = '.';
        }
    }
    auto converted = config::parse_real(value, '.');
    if (!converted) return std::nullopt;
    return ParameterLine{static_cast<int>(number), *converted};
}

// Always with a point and never with an exponent, which the reader would cut short.
std::string parameter_line_text(int number, double value) {
    char digits[400];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    std::string text = std::to_string(number);
    text += ' ';
    text.append(digits, result.ec == std::errc() ? result.ptr : digits);
    return text;
}

}  // namespace

void parse_parameter_file(std::string_view text, std::array<double, PARAMETER_COUNT>& parameters,
                          char decimal_separator) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (auto setting = read_parameter_line(line, decimal_separator)) {
            parameters[static_cast<std::size_t>(setting->number)] = setting->value;
        }
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

bool store_parameters_in_file(const std::filesystem::path& path, int first, int count,
                              const std::array<double, PARAMETER_COUNT>& parameters, char decimal_separator) {
    const std::string old_text = config::read_text_file(path).value_or(std::string());
    std::string text;
    text.reserve(old_text.size() + 64);
    std::vector<bool> written(static_cast<std::size_t>(count), false);
    std::string_view rest = old_text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        const std::string_view ending = end == std::string_view::npos ? "" : "\n";
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const bool crlf = !line.empty() && line.back() == '\r';
        if (crlf) line.remove_suffix(1);
        // Every line that sets one of the parameters gets the new value: the last one read would win.
        const auto setting = read_parameter_line(line, decimal_separator);
        if (setting && setting->number >= first && setting->number < first + count) {
            const int number = setting->number;
            text += parameter_line_text(number, parameters[static_cast<std::size_t>(number)]);
            written[static_cast<std::size_t>(number - first)] = true;
        } else {
            text += line;
        }
        if (crlf) text += '\r';
        text += ending;
    }
    for (int k = 0; k < count; ++k) {
        if (written[static_cast<std::size_t>(k)]) continue;
        if (!text.empty() && text.back() != '\n') text += '\n';
        text += parameter_line_text(first + k, parameters[static_cast<std::size_t>(first + k)]);
        text += '\n';
    }
    if (text == old_text) return true;
    return !config::write_text_file_atomically(path, text).has_value();
}

}  // namespace zorvan::interp
