// The INI-style profile files of the program (ZorvanNC.Ini, ToolChange.Cfg, Language.cfg): sections,
// key=value lines, names compared without regard to case. Read afresh at each use; nothing is cached.
//
// The file keeps its lines as they were read, so a writer changes only the lines of the keys it writes:
// every other key, comment, blank line and the order of everything survive each save.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::config {

inline constexpr std::size_t PROFILE_VALUE_MAX = 2047;  // characters of a value that a reader sees

class ProfileFile {
  public:
    struct KeyText {
        std::string key;
        std::string text;  // everything after the first "=", blanks included, at most PROFILE_VALUE_MAX
    };

    // nullopt when the file does not exist or cannot be read.
    static std::optional<ProfileFile> load(const std::filesystem::path& path);
    static ProfileFile parse(std::string_view text);

    // Reading. The first section of a name, and within it the first line of a key, are the ones read.
    bool has_section(std::string_view section) const;
    // The value as written, blanks around it removed (at most PROFILE_VALUE_MAX characters), or nullopt
    // when the key is absent.
    std::optional<std::string> find(std::string_view section, std::string_view key) const;

    std::string read_string(std::string_view section, std::string_view key, std::string_view def) const;
    // Decimal, or hexadecimal after "0x"; empty or unreadable gives the default.
    int read_int(std::string_view section, std::string_view key, int def) const;
    // Read with the decimal separator in force; empty or unreadable gives the default.
    double read_real(std::string_view section, std::string_view key, double def, char separator) const;
    // Read as an int; any non-zero value is true.
    bool read_bool(std::string_view section, std::string_view key, bool def) const;
    // The key names of a list section, in file order.
    std::vector<std::string> section_keys(std::string_view section) const;
    // Every key=value line of the section in file order, a repeated key as often as it stands there: for
    // sections where only the position of a line counts.
    std::vector<KeyText> section_entries(std::string_view section) const;
    // The names of the readable sections, in file order.
    std::vector<std::string> section_names() const;

    // Writing. A key's line is replaced in place (keeping the key's spelling in the file), or the key is
    // appended after the last key of its section, or the section is appended at the end of the file.
    // A value is one line: a line break in it ends it.
    void write_string(std::string_view section, std::string_view key, std::string_view value);
    void write_int(std::string_view section, std::string_view key, int value);
    // Shortest general form with up to 15 significant digits, with the separator in force.
    void write_real(std::string_view section, std::string_view key, double value, char separator);
    void write_bool(std::string_view section, std::string_view key, bool value);
    // Removes every section of the name with all its lines.
    void erase_section(std::string_view section);
    // Whether the text comes back whole as a key name: not empty, no blanks at its ends, no "=", not
    // beginning like a comment or a section. An editor of a list refuses other items when they are typed.
    static bool is_list_item(std::string_view item);
    // A list section: every key of it removed, then written item by item as "item=item", in the place the
    // section had (so saves do not move it); a repeated section of the name is removed whole. Items that
    // could not come back as key names are left out rather than break the section.
    void write_list(std::string_view section, const std::vector<std::string>& items);

    // The file's text, each line ended by carriage return and line feed.
    std::string text() const;
    // Writes the text through a temporary file in the same folder (see write_text_file_atomically).
    // nullopt on success, else the operator's text of the failure.
    std::optional<std::string> save(const std::filesystem::path& path) const;

  private:
    struct Entry {
        std::string key;
        std::string value;
        std::size_t line;  // index into lines_
        bool repeated;     // a later line of a key already seen in the section: never read by name
    };
    struct Section {
        std::string name;
        std::size_t header;  // index of the "[name]" line
        std::size_t end;     // one past the section's last line
        std::vector<Entry> entries;
    };

    void reindex();
    Section* find_section(std::string_view name);
    const Section* find_section(std::string_view name) const;
    const Entry* find_entry(const Section& section, std::string_view key) const;

    std::vector<std::string> lines_;  // the file's lines without their line ends
    std::vector<Section> sections_;   // the first section of each name, in file order
};

}  // namespace zorvan::config
