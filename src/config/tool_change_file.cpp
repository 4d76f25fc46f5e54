#include "config/tool_change_file.h"

#include <unordered_set>

namespace zorvan::config {

namespace {

std::string lowered(std::string_view name) {
    std::string text(name);
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

ToolChangeData parse_tool_change(const ProfileFile& file, char separator) {
    ToolChangeData data;
    ToolChangeSensor& sensor = data.Sensor;
    sensor.SensorHeight = file.read_real("SENSOR", "SensorHeight", 0.0, separator);
    sensor.LocationX = file.read_real("SENSOR", "LocationX", 0.0, separator);
    sensor.LocationY = file.read_real("SENSOR", "LocationY", 0.0, separator);

    // The names once, so a file of many tools is not searched from the top for each of them.
    std::unordered_set<std::string> sections;
    for (const std::string& name : file.section_names())
        sections.insert(lowered(name));

    auto& table = data.ToolChangeTable;
    for (std::size_t tool = 1;; ++tool) {
        const std::string section = "Tool" + std::to_string(tool);
        if (!sections.contains(lowered(section))) {
            table.resize(tool);
            break;
        }
        if (tool >= table.size()) table.resize(tool + 1);
        ToolChangeEntry& entry = table[tool];
        for (std::size_t i = 0; i < TOOL_CHANGE_LINES; ++i) {
            entry.PLACE[i] = file.read_string(section, "PLACE" + std::to_string(i), "");
            entry.PICKUP[i] = file.read_string(section, "PICKUP" + std::to_string(i), "");
        }
    }
    return data;
}

ToolChangeData read_tool_change_file(const std::filesystem::path& folder, const ToolChangeSensor& sensor,
                                     char separator) {
    const auto file = ProfileFile::load(folder / TOOL_CHANGE_FILE);
    if (!file) {
        ToolChangeData data;
        data.Sensor = sensor;
        return data;
    }
    return parse_tool_change(*file, separator);
}

}  // namespace zorvan::config
