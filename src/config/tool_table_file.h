// The tool table file (".tbl"): one tool per line after the heading. Read at every start of the machine
// interface; written by the machine setup dialog.
//
// A slot above the interpreter's 32 is kept as read: the tool list holds every line, and the writer
// renumbers the tools from 1, so such a slot lives only until the next save.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::config {

enum ToolStyle : int { StyleEnd = 0, StyleBall = 1, StyleVee = 2, StyleBull = 3 };

struct ToolEntry {
    int Id = 0;
    double Length = 0.0;    // machine units
    double Diameter = 0.0;  // machine units
    int Style = StyleEnd;
    double AngRad = 0.0;  // Vee: included angle in degrees; Bull: corner radius in machine units
    std::string Comment;
    bool Used = false;  // selected since the last reset; not stored in the file
};

struct ToolTableLine {
    long long slot = 0;  // as written; may lie beyond the interpreter's 0..32
    ToolEntry entry;
};

// The data lines of a tool table text, in file order. The heading (up to and including the first empty
// line) is skipped.
std::vector<ToolTableLine> parse_tool_table(std::string_view text);

// nullopt when the file does not exist or cannot be read.
std::optional<std::vector<ToolTableLine>> read_tool_table_file(const std::filesystem::path& path);

// The cutter style's name as the setup dialog shows it ("End", "Ball", "Vee", "Bull"); a style out of
// range is shown as "End", which is what it cuts as.
std::string_view style_name(int style);
// The style a name stands for: "Ball" 1, "Vee" 2, "Bull" 3, any other text 0 (exact, case-sensitive).
int style_from_name(std::string_view name);

// The text of a written table: the four heading lines, then one line per entry from position 1 with the
// position as its slot, each line ended by carriage return and line feed. Position 0 is always written as
// the heading's "Tool Reset" line. Reals take the shortest general form but always with "." and never
// with an exponent, because the reader takes only digits, "." and "-" into numbers; so a table written
// with a decimal comma in force still reads back. A negative diameter or angle, Id or style cannot come
// back with its sign (the reader skips a "-" there). Every real must be finite.
std::string format_tool_table(const std::vector<ToolEntry>& list);

// Why the list cannot be written to `path` (a length, diameter or angle that is not a number), or nullopt.
std::optional<std::string> unwritable_tool_table(const std::filesystem::path& path,
                                                 const std::vector<ToolEntry>& list);

// Writes format_tool_table(list) through a temporary file renamed into place. nullopt on success, else
// the operator's text of the failure; a real that is not a number refuses the write before the file is
// touched.
std::optional<std::string> write_tool_table_file(const std::filesystem::path& path,
                                                 const std::vector<ToolEntry>& list);

// The tool table that belongs to a parameter file: its path with the last four characters replaced by
// ".tbl" (ZorvanNC.Var gives ZorvanNC.tbl). The writer uses it with the main configuration file
// (ZorvanNC.Ini gives ZorvanNC.tbl).
std::filesystem::path tool_table_path_for(const std::filesystem::path& parameter_file);

}  // namespace zorvan::config
