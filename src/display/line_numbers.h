// The editor's renumbering: N words taken off the start of lines, added in front of them, or both.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::display {

// What the renumber dialog holds: the first N number and the step between numbers as typed, and whether
// a blank follows each new N word.
struct LineNumbering {
    std::string StartAt = "100";
    std::string Increment = "5";
    bool AddSpace = true;
};

// A line that begins with a capital "N" loses the "N" and the blanks, points and digits after it, as long
// as something else follows them; any other line is left as it is.
void RemoveLineNumbers(std::vector<std::string>& lines);

// Puts "N" and the next number in front of every line that is not empty and does not begin with "(".
// Existing N words are kept, so a numbered line gets a second one. When Start At or Increment is not a
// whole number nothing is numbered and the conversion's message is returned.
std::optional<std::string> AddLineNumbers(std::vector<std::string>& lines, const LineNumbering& numbering);

// Remove, then Add.
std::optional<std::string> ReNumberLines(std::vector<std::string>& lines, const LineNumbering& numbering);

// The value of a dialog field: an optional sign and decimal digits within the 32-bit integer range.
std::optional<int> ParseWholeNumber(std::string_view text);

}  // namespace zorvan::display
