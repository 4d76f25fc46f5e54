#include "display/line_numbers.h"

#include <charconv>

namespace zorvan::display {

std::optional<int> ParseWholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

void RemoveLineNumbers(std::vector<std::string>& lines) {
    for (std::string& line : lines) {
        if (line.size() < 2 || line[0] != 'N') continue;
        for (std::size_t i = 1; i < line.size(); ++i) {
            const char c = line[i];
            if (c == ' ' || c == '.' || (c >= '0' && c <= '9')) continue;
            line.erase(0, i);
            break;
        }
    }
}

namespace {

std::string NotANumber(std::string_view text) {
    std::string message(1, '\'');
    message.append(text);
    message.append("' is not a valid integer value");
    return message;
}

}  // namespace

std::optional<std::string> AddLineNumbers(std::vector<std::string>& lines, const LineNumbering& numbering) {
    const std::optional<int> start = ParseWholeNumber(numbering.StartAt);
    if (!start) return NotANumber(numbering.StartAt);
    const std::optional<int> increment = ParseWholeNumber(numbering.Increment);
    if (!increment) return NotANumber(numbering.Increment);
    // Wide enough that no count of lines overflows it.
    long long n = static_cast<long long>(*start) - *increment;
    for (std::string& line : lines) {
        if (line.empty() || line[0] == '(') continue;
        n += *increment;
        std::string word(1, 'N');
        word.append(std::to_string(n));
        if (numbering.AddSpace) word.push_back(' ');
        line.insert(0, word);
    }
    return std::nullopt;
}

std::optional<std::string> ReNumberLines(std::vector<std::string>& lines, const LineNumbering& numbering) {
    RemoveLineNumbers(lines);
    return AddLineNumbers(lines, numbering);
}

}  // namespace zorvan::display
