#include "config/profile_file.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <fstream>

namespace zorvan::config {
namespace {

TEST(ProfileFile, RealsFollowTheSeparatorTheFileSets) {
    const auto file = ProfileFile::parse(
        "[RS274NGC]\r\nDecimalSeparator=,\r\n[MACHINE]\r\nMAXX=12,5\r\nMAXY=12.5\r\nMINX=\r\nMINY=-3\r\n");
    const char separator = file.read_string("RS274NGC", "DecimalSeparator", ".")[0];
    ASSERT_EQ(separator, ',');
    EXPECT_EQ(file.read_real("MACHINE", "MAXX", 10.0, separator), 12.5);
    EXPECT_EQ(file.read_real("MACHINE", "MAXY", 10.0, separator), 10.0);
    EXPECT_EQ(file.read_real("MACHINE", "MINX", 7.0, separator), 7.0);
    EXPECT_EQ(file.read_real("MACHINE", "MINY", 7.0, separator), -3.0);
    EXPECT_EQ(file.read_real("MACHINE", "MAXZ", 10.0, separator), 10.0);
}

struct IntCase {
    const char* section;
    const char* key;
    int def;
    int expected;
};

TEST(ProfileFile, ReadsIntsAndBoolsOrTheDefault) {
    const auto file = ProfileFile::parse(
        "[CONTROLLER]\nPORT=0x3\nCONTOURING= 50 \nVERSION=abc\nEMPTY=\n"
        "[AXIS_0]\nHOME_DIRECTION=2\nBACKLASH=1.5\n[screen]\ngrid=2\nSafety=0\n");
    const IntCase ints[] = {{"CONTROLLER", "PORT", 0, 3},      {"CONTROLLER", "CONTOURING", 0, 50},
                            {"CONTROLLER", "VERSION", 9, 9},   {"CONTROLLER", "EMPTY", 9, 9},
                            {"CONTROLLER", "MISSING", 9, 9},   {"AXIS_0", "BACKLASH", 100, 100},
                            {"SCREEN", "GRID", 1, 2},          {"Screen", "Grid", 1, 2},
                            {"AXIS_1", "HOME_DIRECTION", 4, 4}};
    for (const auto& c : ints) {
        EXPECT_EQ(file.read_int(c.section, c.key, c.def), c.expected) << c.section << '/' << c.key;
    }
    EXPECT_TRUE(file.read_bool("AXIS_0", "HOME_DIRECTION", false));
    EXPECT_FALSE(file.read_bool("SCREEN", "SAFETY", true));
    EXPECT_TRUE(file.read_bool("CONTROLLER", "VERSION", true));
    EXPECT_FALSE(file.read_bool("CONTROLLER", "EMPTY", false));
    EXPECT_TRUE(file.read_bool("SCREEN", "MISSING", true));
}

TEST(ProfileFile, StringsAreTheTrimmedTextAfterTheFirstEquals) {
    const auto file = ProfileFile::parse(
        "Orphan=before any section\n[ MACHINE ]\n\t Name \t= \tMy mill = 2 \t\n"
        "; Name=commented out\nno equals sign here\nComment=\n");
    EXPECT_EQ(file.read_string("MACHINE", "Name", "none"), "My mill = 2");
    EXPECT_EQ(file.read_string("MACHINE", "Comment", "none"), "");
    EXPECT_EQ(file.read_string("MACHINE", "Missing", "none"), "none");
    EXPECT_FALSE(file.find("MACHINE", "no equals sign here"));
    EXPECT_EQ(file.section_keys("MACHINE"), (std::vector<std::string>{"Name", "Comment"}));
    EXPECT_FALSE(file.find("", "Orphan"));
}

TEST(ProfileFile, TheFirstOfARepeatedSectionOrKeyWins) {
    const auto file =
        ProfileFile::parse("[TRAJ]\nAXES=3\naxes=4\n[JOGDIST]\n1=1\n[traj]\nAXES=5\nMAXSPS=9\n");
    EXPECT_EQ(file.read_int("TRAJ", "AXES", 0), 3);
    EXPECT_EQ(file.read_int("TRAJ", "MAXSPS", 0), 0);
    EXPECT_EQ(file.section_keys("TRAJ"), std::vector<std::string>{"AXES"});
    EXPECT_EQ(file.section_keys("JOGDIST"), std::vector<std::string>{"1"});
}

TEST(ProfileFile, ListSectionsGiveTheirKeysInFileOrder) {
    const auto file =
        ProfileFile::parse("[JOGDIST]\r\n10=10\r\n0.1=0.1\r\n1=1\r\n[SPEEDKEYS]\r\n[MACHINENAMES]");
    EXPECT_EQ(file.section_keys("jogdist"), (std::vector<std::string>{"10", "0.1", "1"}));
    EXPECT_TRUE(file.has_section("SPEEDKEYS"));
    EXPECT_TRUE(file.section_keys("SPEEDKEYS").empty());
    EXPECT_TRUE(file.has_section("MACHINENAMES"));
    EXPECT_FALSE(file.has_section("AXIS_3"));
}

TEST(ProfileFile, ValuesAreCutToTheReadersLength) {
    const std::string value = std::string(PROFILE_VALUE_MAX, 'a') + "bc";
    const auto file = ProfileFile::parse("[LANGUAGE]\nLanguage=" + value + "\n");
    EXPECT_EQ(file.read_string("LANGUAGE", "Language", ""), value.substr(0, PROFILE_VALUE_MAX));
}

TEST(ProfileFile, LoadsAFileAndRefusesWhatIsNotOne) {
    const auto dir = std::filesystem::temp_directory_path() / ("profile_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "ZorvanNC.Ini") << "[TRAJ]\r\nAXES=4\r\n";
    const auto loaded = ProfileFile::load(dir / "ZorvanNC.Ini");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->read_int("TRAJ", "AXES", 3), 4);
    EXPECT_FALSE(ProfileFile::load(dir / "Missing.Ini"));
    EXPECT_FALSE(ProfileFile::load(dir));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zorvan::config
