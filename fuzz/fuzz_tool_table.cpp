// Any text as a tool table: the reader must never fault, and what it gives must be loadable as it is.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/tool_table_file.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
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
    return 0;
}
