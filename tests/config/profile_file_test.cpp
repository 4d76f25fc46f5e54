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

// A hand-kept file: comments, blank lines, keys no writer knows, other capitals, a repeated key.
const char* const kHandWritten =
    "; machine of the east bench\r\n"
    "[SCREEN]\r\n"
    "GRID = 2\r\n"
    "MyOwnKey=keep me\r\n"
    "grid=9\r\n"
    "; colours below\r\n"
    "\r\n"
    "[TRAJ]\r\n"
    "AXES=4\r\n";

TEST(ProfileFileWriting, ReplacesValuesInPlaceAndKeepsEveryOtherLine) {
    auto file = ProfileFile::parse(kHandWritten);
    file.write_real("SCREEN", "Grid", 2.5, '.');  // the first GRID line, in its own spelling
    file.write_int("screen", "Linear", 255);      // appended after the section's last key
    file.write_bool("TRAJ", "AXES", true);
    file.write_string("RS274NGC", "UNITS", "G20");  // a new section at the end
    EXPECT_EQ(file.text(),
              "; machine of the east bench\r\n"
              "[SCREEN]\r\n"
              "GRID=2.5\r\n"
              "MyOwnKey=keep me\r\n"
              "grid=9\r\n"
              "Linear=255\r\n"
              "; colours below\r\n"
              "\r\n"
              "[TRAJ]\r\n"
              "AXES=1\r\n"
              "\r\n"
              "[RS274NGC]\r\n"
              "UNITS=G20\r\n");
    EXPECT_EQ(file.read_real("SCREEN", "GRID", 1.0, '.'), 2.5);
    EXPECT_EQ(file.read_string("SCREEN", "MyOwnKey", ""), "keep me");
}

TEST(ProfileFileWriting, AKeyIntoAnEmptySectionFollowsItsHeading) {
    auto file = ProfileFile::parse("[SPEEDKEYS]\n; none yet\n[TRAJ]\nAXES=3\n");
    file.write_string("SPEEDKEYS", "G0 X0=G0 X0", "x");
    EXPECT_EQ(file.text(), "[SPEEDKEYS]\r\nG0 X0=G0 X0=x\r\n; none yet\r\n[TRAJ]\r\nAXES=3\r\n");
    EXPECT_EQ(ProfileFile().text(), "");
}

TEST(ProfileFileWriting, AValueIsOneLineSoItCannotOpenASection) {
    ProfileFile file;
    file.write_string("MACHINE", "Name", "Mill\r\n[TRAJ]\r\nAXES=4");
    EXPECT_EQ(file.read_string("MACHINE", "Name", ""), "Mill");
    EXPECT_FALSE(file.has_section("TRAJ"));
}

TEST(ProfileFileWriting, ListSectionsAreRewrittenWholeInTheirPlace) {
    auto file = ProfileFile::parse(
        "[JOGDIST]\n5=5\n; distances\n[SCREEN]\nGRID=1\n[jogdist]\n7=7\n[SPEEDKEYS]\nM3=M3\n");
    file.write_list("JOGDIST", {"0.1", "1", "10"});
    EXPECT_EQ(file.text(),
              "[JOGDIST]\r\n0.1=0.1\r\n1=1\r\n10=10\r\n; distances\r\n[SCREEN]\r\nGRID=1\r\n"
              "[SPEEDKEYS]\r\nM3=M3\r\n");
    EXPECT_EQ(ProfileFile::parse(file.text()).section_keys("JOGDIST"),
              (std::vector<std::string>{"0.1", "1", "10"}));

    file.write_list("SPEEDKEYS", {});
    EXPECT_TRUE(file.section_keys("SPEEDKEYS").empty());
    file.write_list("MACHINENAMES", {"Mill", "mill"});
    EXPECT_EQ(file.section_keys("MACHINENAMES"), std::vector<std::string>{"Mill"});
    file.erase_section("jogDist");
    EXPECT_FALSE(file.has_section("JOGDIST"));
    EXPECT_EQ(file.read_real("SCREEN", "GRID", 0.0, '.'), 1.0);
}

TEST(ProfileFileWriting, ItemsThatCouldNotComeBackAsKeysAreLeftOut) {
    const std::pair<const char*, bool> items[] = {{"0.1", true},    {"G0 X0 Y0", true}, {"", false},
                                                  {" 1", false},    {"1\t", false},     {"#1=5", false},
                                                  {";note", false}, {"[TRAJ]", false},  {"a\nb", false}};
    std::vector<std::string> all;
    for (const auto& [item, fits] : items) {
        EXPECT_EQ(ProfileFile::is_list_item(item), fits) << '"' << item << '"';
        all.push_back(item);
    }
    ProfileFile file;
    file.write_list("SPEEDKEYS", all);
    file.write_int("TRAJ", "AXES", 4);
    const auto read_back = ProfileFile::parse(file.text());
    EXPECT_EQ(read_back.section_keys("SPEEDKEYS"), (std::vector<std::string>{"0.1", "G0 X0 Y0"}));
    EXPECT_EQ(read_back.read_int("TRAJ", "AXES", 3), 4);
}

TEST(ProfileFile, SectionEntriesKeepEveryLineAndTheTextAfterTheFirstEquals) {
    const auto file = ProfileFile::parse("[English]\nA=Controller detected \nB = x=y\nA=again\n; c\nnone\n");
    const auto entries = file.section_entries("english");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, "Controller detected ");
    EXPECT_EQ(entries[1].key, "B");
    EXPECT_EQ(entries[1].text, " x=y");
    EXPECT_EQ(entries[2].text, "again");
    EXPECT_EQ(file.read_string("English", "A", ""), "Controller detected");
    EXPECT_EQ(file.section_names(), std::vector<std::string>{"English"});
}

TEST(ProfileFile, SavesWhatItHoldsOrSaysWhyItCannot) {
    const auto dir = std::filesystem::temp_directory_path() / ("profile_save_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    auto file = ProfileFile::parse(kHandWritten);
    file.write_int("TRAJ", "MAXSPS", 800);
    EXPECT_EQ(file.save(dir / "ZorvanNC.Ini"), std::nullopt);
    EXPECT_EQ(ProfileFile::load(dir / "ZorvanNC.Ini")->text(), file.text());
    const auto error = file.save(dir / "missing" / "ZorvanNC.Ini");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("missing/ZorvanNC.Ini"), std::string::npos) << *error;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zorvan::config
