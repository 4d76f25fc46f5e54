#include "config/tool_change_file.h"

#include <gtest/gtest.h>

namespace zorvan::config {
namespace {

std::string tool_sections(int first, int last) {
    std::string text;
    for (int tool = first; tool <= last; ++tool)
        text += "[Tool" + std::to_string(tool) + "]\r\nPLACE0=G0 Z" + std::to_string(tool) + "\r\n";
    return text;
}

TEST(ToolChangeFile, TheFirstMissingSectionSetsTheTablesLength) {
    const struct {
        const char* name;
        std::string text;
        std::size_t entries;
    } cases[] = {
        {"no tool sections", "[SENSOR]\r\nSensorHeight=1\r\n", 1},
        {"tools 1 and 2", tool_sections(1, 2), 3},
        {"a gap after tool 1", tool_sections(1, 1) + tool_sections(3, 5), 2},
        {"no Tool1", tool_sections(2, 4), 1},
        {"all nineteen", tool_sections(1, 19), 20},
        {"beyond the start", tool_sections(1, 25), 26},
        {"other capitals", "[TOOL1]\r\n[tool2]\r\n", 3},
    };
    for (const auto& c : cases) {
        const auto data = parse_tool_change(ProfileFile::parse(c.text), '.');
        EXPECT_EQ(data.ToolChangeTable.size(), c.entries) << c.name;
    }
    const auto many = parse_tool_change(ProfileFile::parse(tool_sections(1, 25)), '.');
    EXPECT_EQ(many.ToolChangeTable[25].PLACE[0], "G0 Z25");
}

TEST(ToolChangeFile, ReadsTheSensorAndEachToolsLines) {
    const auto file = ProfileFile::parse(
        "[SENSOR]\r\nSensorHeight=12,5\r\nLocationX=-3\r\nLocationY=oops\r\n"
        "[Tool1]\r\nPLACE0=G0 Z10\r\nPLACE9=M5\r\nPICKUP0=G0 X0\r\nPICKUP1=*!*\r\nPICKUP10=ignored\r\n"
        "[Tool2]\r\nplace3=G4 P1\r\n");
    const auto data = parse_tool_change(file, ',');
    EXPECT_EQ(data.Sensor.SensorHeight, 12.5);
    EXPECT_EQ(data.Sensor.LocationX, -3.0);
    EXPECT_EQ(data.Sensor.LocationY, 0.0);
    ASSERT_EQ(data.ToolChangeTable.size(), 3u);
    const ToolChangeEntry& tool1 = data.ToolChangeTable[1];
    EXPECT_EQ(tool1.PLACE[0], "G0 Z10");
    EXPECT_EQ(tool1.PLACE[9], "M5");
    EXPECT_EQ(tool1.PLACE[1], "");
    EXPECT_EQ(tool1.PICKUP[0], "G0 X0");
    EXPECT_EQ(tool1.PICKUP[1], MEASURE_REQUEST);
    EXPECT_EQ(data.ToolChangeTable[2].PLACE[3], "G4 P1");
}

TEST(ToolChangeFile, AMissingFileLeavesTwentyEmptyToolsAndTheSensorAsItWas) {
    const auto data = read_tool_change_file("/nonexistent-zorvan-folder", {7.5, 1, 2}, '.');
    EXPECT_EQ(data.ToolChangeTable.size(), TOOL_CHANGE_TABLE_START);
    EXPECT_EQ(data.Sensor.SensorHeight, 7.5);
    EXPECT_EQ(data.Sensor.LocationY, 2.0);
    for (const ToolChangeEntry& entry : data.ToolChangeTable) {
        for (std::size_t i = 0; i < TOOL_CHANGE_LINES; ++i)
            EXPECT_TRUE(entry.PLACE[i].empty() && entry.PICKUP[i].empty());
    }
}

}  // namespace
}  // namespace zorvan::config
