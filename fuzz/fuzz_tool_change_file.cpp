// Any text as ToolChange.Cfg: the table ends just before the first missing Tool section, and every
// line it holds is one the file gave.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/tool_change_file.h"

namespace {

using namespace zorvan::config;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProfileFile file = ProfileFile::parse(text);
    const char separator = size > 0 && (data[0] & 1) ? ',' : '.';
    const ToolChangeData loaded = parse_tool_change(file, separator);
    const auto& table = loaded.ToolChangeTable;
    check(!table.empty());
    check(!file.has_section("Tool" + std::to_string(table.size())));
    for (std::size_t tool = 1; tool < table.size(); ++tool) {
        const std::string section = "Tool" + std::to_string(tool);
        check(file.has_section(section));
        for (std::size_t i = 0; i < TOOL_CHANGE_LINES; ++i) {
            check(table[tool].PLACE[i] == file.read_string(section, "PLACE" + std::to_string(i), ""));
            check(table[tool].PICKUP[i].size() <= PROFILE_VALUE_MAX);
        }
    }
    for (std::size_t i = 0; i < TOOL_CHANGE_LINES; ++i)
        check(table[0].PLACE[i].empty() && table[0].PICKUP[i].empty());
    check(loaded.Sensor.SensorHeight == file.read_real("SENSOR", "SensorHeight", 0.0, separator));
    return 0;
}
