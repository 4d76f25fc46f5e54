#include "config/tool_table_file.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <climits>
#include <fstream>
#include <limits>

#include "config/text_file.h"

namespace zorvan::config {
namespace {

const std::string kHeading =
    "SLOT    ID     LEN     DIAM    STYLE    ANG/RAD      COMMENT\r\n"
    "STYLE:  1=BALL  2=VEE   3=Bull   0=End\r\n"
    "\r\n"
    "0       0      0.0      0.0      0        0.0         Tool Reset\r\n";

struct Expected {
    long long slot;
    int id;
    double length, diameter;
    int style;
    double angrad;
    const char* comment;
};

void expect_lines(const std::vector<ToolTableLine>& lines, const std::vector<Expected>& expected) {
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& [slot, entry] = lines[i];
        const auto& want = expected[i];
        SCOPED_TRACE("line " + std::to_string(i));
        EXPECT_EQ(slot, want.slot);
        EXPECT_EQ(entry.Id, want.id);
        EXPECT_EQ(entry.Length, want.length);
        EXPECT_EQ(entry.Diameter, want.diameter);
        EXPECT_EQ(entry.Style, want.style);
        EXPECT_EQ(entry.AngRad, want.angrad);
        EXPECT_EQ(entry.Comment, want.comment);
        EXPECT_FALSE(entry.Used);
    }
}

TEST(ToolTable, TheResetLineAloneIsEntryZero) {
    expect_lines(parse_tool_table(kHeading), {{0, 0, 0, 0, 0, 0, "Tool Reset"}});
}

struct LineCase {
    const char* name;
    std::string tools;
    std::vector<Expected> expected;
};

TEST(ToolTable, ReadsEachFieldByItsScan) {
    const Expected reset{0, 0, 0, 0, 0, 0, "Tool Reset"};
    const LineCase cases[] = {
        {"single blanks, two-word comment",
         "5 7 2.5 0.5 2 90 two words\r\n",
         {reset, {5, 7, 2.5, 0.5, 2, 90, "two words"}}},
        {"as written",
         "1      3      1.5      0.25      1      0       quarter ball\r\n",
         {reset, {1, 3, 1.5, 0.25, 1, 0, "quarter ball"}}},
        {"negative length", "2 4 -1.25 6.35 3 0.5\n", {reset, {2, 4, -1.25, 6.35, 3, 0.5, ""}}},
        {"blank and comment lines add nothing",
         "\r\n   \r\n; spare holder\r\n3 9 1 2 0 0 x\r\n",
         {reset, {3, 9, 1, 2, 0, 0, "x"}}},
        {"empty runs keep the previous line's fields",
         "4 8 1.5 0.5 1 45 a\n6\n",
         {reset, {4, 8, 1.5, 0.5, 1, 45, "a"}, {4, 6, 1.5, 0.5, 1, 45, ""}}},
        {"unreadable runs keep the previous line's fields",
         "4 8 1.5 0.5 1 45 a\n5 99999999999 1.2.3 . 7 x\n",
         {reset, {4, 8, 1.5, 0.5, 1, 45, "a"}, {5, 8, 1.5, 0.5, 7, 45, ""}}},
        {"a dash is no length", "4 8 - 2\n", {reset, {4, 8, 0, 2, 0, 0, ""}}},
        {"the last character is never the slot's", "12\n", {reset, {1, 2, 0, 0, 0, 0, ""}}},
        {"a slot above the interpreter's table",
         "40 1 2 3 0 0\n99999999999999999999 2\n",
         {reset, {40, 1, 2, 3, 0, 0, ""}, {LLONG_MAX, 2, 2, 3, 0, 0, ""}}},
        {"a length beyond a double",
         "8 1 " + std::string(400, '9') + " 2\n",
         {reset, {8, 1, 0, 2, 0, 0, ""}}},
        {"comma in a number", "7 1 2,5 3\n", {reset, {7, 1, 2, 5, 3, 0, ""}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_lines(parse_tool_table(kHeading + c.tools), c.expected);
    }
}

TEST(ToolTable, NothingIsReadWithoutAnEmptyLineEndingTheHeading) {
    EXPECT_TRUE(parse_tool_table("1 2 3 4 0 0\n2 3 4 5 0 0\n").empty());
    EXPECT_TRUE(parse_tool_table("  \r\n1 2 3 4 0 0\r\n").empty());
    EXPECT_EQ(parse_tool_table("\n1 2 3 4 0 0").size(), 1u);
    EXPECT_TRUE(parse_tool_table("").empty());
}

TEST(ToolTable, ReadsTheFileBesideTheParameterFile) {
    EXPECT_EQ(tool_table_path_for("/opt/zorvan/ZorvanNC.Var"), "/opt/zorvan/ZorvanNC.tbl");
    EXPECT_EQ(tool_table_path_for("mill.ini"), "mill.tbl");
    EXPECT_EQ(tool_table_path_for("/a.b/xy"), "/a.b/xy.tbl");
    EXPECT_EQ(tool_table_path_for("/opt/zorvan/"), "/opt/zorvan/.tbl");

    const auto dir = std::filesystem::temp_directory_path() / ("tool_table_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "ZorvanNC.tbl") << kHeading << "1 3 1.5 0.25 1 0 c\r\n";
    const auto lines = read_tool_table_file(tool_table_path_for(dir / "ZorvanNC.Var"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->size(), 2u);
    EXPECT_FALSE(read_tool_table_file(dir / "missing.tbl"));
    EXPECT_FALSE(read_tool_table_file(dir));
    std::filesystem::remove_all(dir);
}

std::vector<ToolEntry> list_of(std::initializer_list<ToolEntry> tools) {
    std::vector<ToolEntry> list{ToolEntry{0, 0, 0, 0, 0, "Tool Reset"}};
    list.insert(list.end(), tools);
    return list;
}

TEST(ToolTableWriting, WritesTheHeadingAndOneLinePerToolFromPositionOne) {
    EXPECT_EQ(format_tool_table({}), kHeading);
    EXPECT_EQ(format_tool_table(list_of({{3, 1.5, 0.25, 1, 0, "quarter ball"}, {12, 6.35, 6.35, 0, 0, ""}})),
              kHeading +
                  "1      3      1.5      0.25      1      0       quarter ball\r\n"
                  "2      12      6.35      6.35      0      0       \r\n");
}

TEST(ToolTableWriting, SlotsAreRenumberedFromOne) {
    const auto lines = parse_tool_table(kHeading + "1 3 1 1 0 0 a\r\n3 4 2 2 0 0 b\r\n4 5 3 3 0 0 c\r\n");
    std::vector<ToolEntry> list;
    for (const auto& line : lines)
        list.push_back(line.entry);
    const auto written = parse_tool_table(format_tool_table(list));
    ASSERT_EQ(written.size(), 4u);
    for (long long slot = 0; slot < 4; ++slot)
        EXPECT_EQ(written[static_cast<std::size_t>(slot)].slot, slot);
    EXPECT_EQ(written[2].entry.Comment, "b");
}

// Reals always take ".", and never an exponent, because the reader ends a number at anything else.
TEST(ToolTableWriting, WhatIsWrittenReadsBack) {
    const auto list = list_of({{1, 1.5, 0.25, 1, 0, "ball"},
                               {7, -12.125, 6.35, 2, 90, "  vee, 90 degrees  "},
                               {40, 1e-5, 123456789012345, 3, 0.000125, "6mm bull"},
                               {2, 1e20, 3e-12, 0, 1e15, "tiny and huge"},
                               {0, 0, 0, 0, 0, ""}});
    const std::string text = format_tool_table(list);
    EXPECT_EQ(text.find('E', kHeading.size()), std::string::npos) << text;
    EXPECT_NE(text.find("      0.00001      123456789012345      3      0.000125       6mm bull"),
              std::string::npos)
        << text;
    const auto lines = parse_tool_table(text);
    ASSERT_EQ(lines.size(), list.size());
    for (std::size_t position = 1; position < list.size(); ++position) {
        SCOPED_TRACE(position);
        const ToolEntry& want = list[position];
        const ToolEntry& got = lines[position].entry;
        EXPECT_EQ(lines[position].slot, static_cast<long long>(position));
        EXPECT_EQ(got.Id, want.Id);
        EXPECT_EQ(got.Length, want.Length);
        EXPECT_EQ(got.Diameter, want.Diameter);
        EXPECT_EQ(got.Style, want.Style);
        EXPECT_EQ(got.AngRad, want.AngRad);
    }
    EXPECT_EQ(lines[2].entry.Comment, "vee, 90 degrees");
    EXPECT_EQ(lines[5].entry.Comment, "");
}

TEST(ToolTableWriting, ACommentStaysOnItsLine) {
    const auto lines =
        parse_tool_table(format_tool_table(list_of({{1, 1, 1, 0, 0, "two\r\n2 9 9 9 0 0 lines"}})));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].entry.Comment, "two  2 9 9 9 0 0 lines");
}

TEST(ToolTableWriting, TheFileIsReplacedWholeOrNotAtAll) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("tool_table_write_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto path = tool_table_path_for(dir / "ZorvanNC.Ini");
    EXPECT_EQ(path, dir / "ZorvanNC.tbl");
    const auto list = list_of({{3, 1.5, 0.25, 1, 0, "c"}});
    ASSERT_EQ(write_tool_table_file(path, list), std::nullopt);
    EXPECT_EQ(read_text_file(path), format_tool_table(list));

    auto broken = list;
    broken[1].Diameter = std::numeric_limits<double>::quiet_NaN();
    const auto error = write_tool_table_file(path, broken);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("tool 1"), std::string::npos) << *error;
    EXPECT_EQ(read_text_file(path), format_tool_table(list));
    EXPECT_TRUE(write_tool_table_file(dir / "missing" / "ZorvanNC.tbl", list));
    std::filesystem::remove_all(dir);
}

TEST(ToolTableWriting, StyleNamesAsTheSetupDialogShowsThem) {
    for (int style = 0; style < 4; ++style)
        EXPECT_EQ(style_from_name(style_name(style)), style);
    EXPECT_EQ(style_from_name("ball"), StyleEnd);  // exact, case-sensitive
    EXPECT_EQ(style_name(7), "End");
}

}  // namespace
}  // namespace zorvan::config
