#include "config/settings_listing.h"

#include <gtest/gtest.h>

namespace zorvan::config {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find('\n', pos);
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(SettingsListing, ShowsEachReadersValueInItsGroup) {
    const auto lines = lines_of(list_settings(ProfileFile::parse(
        "[RS274NGC]\nDecimalSeparator=,\n[MACHINE]\nMAXX=12,5\n[JOGDIST]\n0,1=0,1\n1=1\n"
        "[MACHINENAMES]\nWest=West\nEast=East\n[AXIS_1]\nSTEPS/MM=-200\nHOME_DIRECTION=1\n")));
    const std::vector<std::string> groups = {"# start-up read", "# interpreter read", "# controller read"};
    std::vector<std::string> seen;
    for (const auto& line : lines) {
        if (line.starts_with("#")) seen.push_back(line);
    }
    EXPECT_EQ(seen, groups);

    const auto controller = std::find(lines.begin(), lines.end(), "# controller read");
    const std::vector<std::string> startup(lines.begin(), controller);
    const std::vector<std::string> rest(controller, lines.end());
    for (const char* line : {"RS274NGC/DecimalSeparator=,", "MACHINE/MAXX=12.5", "TRAJ/MAXSPS=100",
                             "JOGDIST/0,1", "JOGDIST/1", "AXIS_1/HOME_DIRECTION=1", "SCREEN/SAFETY=1",
                             "SCREEN/OpenGLResolution=10", "SCREEN/Background=16777215",
                             "MACHINE/Name=No Machine Loaded", "RS274NGC/VARIABLE_FILE=ZorvanNC.Var"}) {
        EXPECT_TRUE(has_line(startup, line)) << line;
    }
    for (const char* line : {"TRAJ/MAXSPS=1000", "AXIS_1/STEPS/MM=-200", "AXIS_2/MAX_SPS=1000",
                             "AXIS_3/STEPS/DEG=100", "SPINDLE/MAXRPM=10000", "CONTROLLER/PORT=0"}) {
        EXPECT_TRUE(has_line(rest, line)) << line;
    }
    const auto west = std::find(lines.begin(), lines.end(), "MACHINENAMES/West");
    const auto east = std::find(lines.begin(), lines.end(), "MACHINENAMES/East");
    EXPECT_TRUE(east < west && west != lines.end());
    EXPECT_FALSE(has_line(lines, "SPEEDKEYS/"));
}

TEST(SettingsListing, ShowsTheDialectAsWrittenWithTheInterpreter) {
    const auto listed = lines_of(list_settings(ProfileFile::parse("[RS274NGC]\nDIALECT=  Cam \n")));
    const auto interpreter = std::find(listed.begin(), listed.end(), "# interpreter read");
    const auto controller = std::find(listed.begin(), listed.end(), "# controller read");
    EXPECT_TRUE(std::find(interpreter, controller, "RS274NGC/DIALECT=Cam") != controller);
    EXPECT_TRUE(has_line(lines_of(list_settings(ProfileFile::parse(""))), "RS274NGC/DIALECT="));
}

}  // namespace
}  // namespace zorvan::config
