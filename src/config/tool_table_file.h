// Reading the tool table file (".tbl"): one tool per line after the heading.
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

// The tool table that belongs to a parameter file: its path with the last four characters replaced by
// ".tbl" (ZorvanNC.Var gives ZorvanNC.tbl).
std::filesystem::path tool_table_path_for(const std::filesystem::path& parameter_file);

}  // namespace zorvan::config
