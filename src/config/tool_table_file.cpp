#include "config/tool_table_file.h"
#include "config/text_file.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <system_error>

#include "config/number_text.h"

namespace zorvan::config {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Walks one data line left to right; every scan stops at the end of the line.
class LineScanner {
  public:
    explicit LineScanner(std::string_view line) : line_(line) {}

    // The slot's digits never take the line's last character.
    std::string_view slot_run() {
        const std::size_t start = pos_;
        while (pos_ + 1 < line_.size() && is_digit(line_[pos_]))
            ++pos_;
        return line_.substr(start, pos_ - start);
    }

    template <typename StopAt, typename Take>
    std::string_view run(StopAt stop_at, Take take) {
        while (pos_ < line_.size() && !stop_at(line_[pos_]))
            ++pos_;
        const std::size_t start = pos_;
        while (pos_ < line_.size() && take(line_[pos_]))
            ++pos_;
        return line_.substr(start, pos_ - start);
    }

    std::string_view rest() const { return line_.substr(pos_); }

  private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

// A run that is empty or not a number leaves the field as the previous line had it.
void take_int(std::string_view run, int& field) {
    if (auto value = parse_int(run)) field = *value;
}

// The scanner admits only digits, '.' and '-', so the point is always '.'. A run too long for a double is
// no measure of a tool and is passed over like an unreadable one.
void take_real(std::string_view run, double& field) {
    auto value = parse_real(run, '.');
    if (value && std::isfinite(*value)) field = *value;
}

void take_slot(std::string_view run, long long& slot) {
    if (run.empty()) return;
    long long value = 0;
    const auto result = std::from_chars(run.data(), run.data() + run.size(), value);
    slot = result.ec == std::errc::result_out_of_range ? LLONG_MAX : value;
}

std::string trimmed_comment(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

constexpr std::array<std::string_view, 4> STYLE_NAMES = {"End", "Ball", "Vee", "Bull"};

// The written heading, the reset line last.
constexpr std::string_view HEADING =
    "SLOT    ID     LEN     DIAM    STYLE    ANG/RAD      COMMENT\r\n"
    "STYLE:  1=BALL  2=VEE   3=Bull   0=End\r\n"
    "\r\n"
    "0       0      0.0      0.0      0        0.0         Tool Reset\r\n";

// The shortest general form, spelled out in digits where it would take an exponent: the reader would end
// the number at the "E".
std::string plain_real(double value) {
    std::string text = format_real(value, '.');
    const auto e = text.find('E');
    if (e == std::string::npos) return text;
    const int exponent = std::atoi(text.c_str() + e + 1);
    const int decimals = exponent < 14 ? 14 - exponent : 0;  // 15 significant digits
    std::vector<char> buffer(static_cast<std::size_t>(decimals) + 320);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, value);
    text = buffer.data();
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    return text;
}

// A comment is the rest of its line; a line break inside it would begin a line of its own.
std::string one_line_comment(const std::string& comment) {
    std::string text = comment;
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

}  // namespace

std::vector<ToolTableLine> parse_tool_table(std::string_view text) {
    std::vector<ToolTableLine> lines;
    ToolTableLine current;  // fields carried from one data line to the next
    bool in_heading = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (in_heading) {
            in_heading = !line.empty();
            continue;
        }
        if (line.empty() || !is_digit(line.front())) continue;

        LineScanner scan(line);
        ToolEntry& tool = current.entry;
        take_slot(scan.slot_run(), current.slot);
        take_int(scan.run(is_digit, is_digit), tool.Id);
        take_real(scan.run([](char c) { return is_digit(c) || c == '.' || c == '-'; },
                           [](char c) { return is_digit(c) || c == '.' || c == '-'; }),
                  tool.Length);
        const auto decimal = [](char c) { return is_digit(c) || c == '.'; };
        take_real(scan.run(decimal, decimal), tool.Diameter);
        take_int(scan.run(is_digit, is_digit), tool.Style);
        take_real(scan.run(decimal, decimal), tool.AngRad);
        tool.Comment = trimmed_comment(scan.rest());
        tool.Used = false;
        lines.push_back(current);
    }
    return lines;
}

std::optional<std::vector<ToolTableLine>> read_tool_table_file(const std::filesystem::path& path) {
    auto text = read_text_file(path);
    if (!text) return std::nullopt;
    return parse_tool_table(*text);
}

std::string_view style_name(int style) {
    return style >= 0 && style < static_cast<int>(STYLE_NAMES.size())
               ? STYLE_NAMES[static_cast<std::size_t>(style)]
               : STYLE_NAMES[0];
}

int style_from_name(std::string_view name) {
    for (std::size_t style = 1; style < STYLE_NAMES.size(); ++style) {
        if (name == STYLE_NAMES[style]) return static_cast<int>(style);
    }
    return StyleEnd;
}

std::string format_tool_table(const std::vector<ToolEntry>& list) {
    constexpr std::string_view SIX = "      ";
    std::string text(HEADING);
    for (std::size_t position = 1; position < list.size(); ++position) {
        const ToolEntry& tool = list[position];
        text += std::to_string(position);
        text += SIX;
        text += std::to_string(tool.Id);
        text += SIX;
        text += plain_real(tool.Length);
        text += SIX;
        text += plain_real(tool.Diameter);
        text += SIX;
        text += std::to_string(tool.Style);
        text += SIX;
        text += plain_real(tool.AngRad);
        text += "       ";
        text += one_line_comment(tool.Comment);
        text += "\r\n";
    }
    return text;
}

std::optional<std::string> unwritable_tool_table(const std::filesystem::path& path,
                                                 const std::vector<ToolEntry>& list) {
    for (std::size_t position = 1; position < list.size(); ++position) {
        const ToolEntry& tool = list[position];
        if (!std::isfinite(tool.Length) || !std::isfinite(tool.Diameter) || !std::isfinite(tool.AngRad)) {
            return "Cannot write " + path.string() + ": tool " + std::to_string(position) +
                   " has a length, diameter or angle that is not a number";
        }
    }
    return std::nullopt;
}

std::optional<std::string> write_tool_table_file(const std::filesystem::path& path,
                                                 const std::vector<ToolEntry>& list) {
    if (auto failure = unwritable_tool_table(path, list)) return failure;
    return write_text_file_atomically(path, format_tool_table(list));
}

std::filesystem::path tool_table_path_for(const std::filesystem::path& parameter_file) {
    // Only the file name loses its last four characters, so a short name never eats into the folder.
    std::string name = parameter_file.filename().string();
    if (name.size() >= 4) name.erase(name.size() - 4);
    std::filesystem::path table = parameter_file;
    table.replace_filename(name + ".tbl");
    return table;
}

}  // namespace zorvan::config
