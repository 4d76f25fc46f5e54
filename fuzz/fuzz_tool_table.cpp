// Any text as a tool table: the reader must never fault, what it gives must be loadable as it is, and
// the table written from it must read back as the same tools, renumbered from 1.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/tool_table_file.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Reals come back within the 15 significant digits they are written with.
bool near(double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-14 * std::fmax(std::fabs(a), std::fabs(b));
}

// The writer puts a line break inside a comment out as a blank; the reader trims the ends.
std::string as_written(std::string comment) {
    for (char& c : comment) {
        if (c == '\r') c = ' ';
    }
    const auto first = comment.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return comment.substr(first, comment.find_last_not_of(" \t") - first + 1);
}

void check_written_table(const std::vector<zorvan::config::ToolTableLine>& lines) {
    std::vector<zorvan::config::ToolEntry> list;
    for (const auto& line : lines)
        list.push_back(line.entry);
    const auto written = zorvan::config::parse_tool_table(zorvan::config::format_tool_table(list));
    check(written.size() == (list.empty() ? 1 : list.size()));
    for (std::size_t position = 1; position < list.size(); ++position) {
        const auto& [slot, tool] = written[position];
        const auto& want = list[position];
        check(slot == static_cast<long long>(position));
        check(tool.Id == want.Id && tool.Style == want.Style);
        check(near(tool.Length, want.Length) && near(tool.Diameter, want.Diameter) &&
              near(tool.AngRad, want.AngRad));
        check(tool.Comment == as_written(want.Comment));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto lines = zorvan::config::parse_tool_table(text);
    // At most one entry per line, and none from the heading.
    std::size_t line_ends = 0;
    for (char c : text)
        line_ends += c == '\n';
    check(lines.size() <= line_ends);
    for (const auto& line : lines) {
        check(line.slot >= 0);
        check(line.entry.Id >= 0 && line.entry.Style >= 0);
        check(line.entry.Diameter >= 0 && line.entry.AngRad >= 0);
        check(!line.entry.Used);
        const auto& comment = line.entry.Comment;
        check(comment.empty() || (!is_blank(comment.front()) && !is_blank(comment.back())));
        check(comment.find('\n') == std::string::npos);
    }
    check_written_table(lines);
    return 0;
}
