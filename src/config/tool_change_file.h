// The tool-change macro file ToolChange.Cfg: the tool-length sensor's place, and for every tool the
// G-code lines that put it away and pick it up.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "config/profile_file.h"

namespace zorvan::config {

inline constexpr std::string_view TOOL_CHANGE_FILE = "ToolChange.Cfg";
inline constexpr std::size_t TOOL_CHANGE_LINES = 10;        // PLACE0..9 and PICKUP0..9
inline constexpr std::size_t TOOL_CHANGE_TABLE_START = 20;  // entries before loading: tools 1 to 19
inline constexpr std::string_view MEASURE_REQUEST = "*!*";  // a pick-up line that measures the tool

struct ToolChangeSensor {
    double SensorHeight = 0.0;  // switching point, program units; 0 disables measuring
    double LocationX = 0.0;     // program units
    double LocationY = 0.0;     // program units
};

struct ToolChangeEntry {
    std::array<std::string, TOOL_CHANGE_LINES> PLACE;   // lines that put the tool away, in order
    std::array<std::string, TOOL_CHANGE_LINES> PICKUP;  // lines that pick it up, in order
};

struct ToolChangeData {
    ToolChangeSensor Sensor;
    // Indexed by tool number; entry 0 is never a tool. The highest usable tool is size() - 1.
    std::vector<ToolChangeEntry> ToolChangeTable = std::vector<ToolChangeEntry>(TOOL_CHANGE_TABLE_START);
};

// Reads the sensor and the sections Tool1, Tool2, ... in turn; the first missing section N ends the
// loading and the table keeps N entries (tools 1 to N-1), however many it started with. Reals are read
// with the separator in force.
ToolChangeData parse_tool_change(const ProfileFile& file, char separator);

// ToolChange.Cfg in the given folder. A missing file leaves 20 empty entries and `sensor` unchanged.
ToolChangeData read_tool_change_file(const std::filesystem::path& folder, const ToolChangeSensor& sensor,
                                     char separator);

}  // namespace zorvan::config
