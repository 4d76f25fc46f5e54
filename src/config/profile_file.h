// The INI-style profile files of the program (ZorvanNC.Ini, ToolChange.Cfg, Language.cfg): sections,
// key=value lines, names compared without regard to case. Read afresh at each use; nothing is cached.
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
    // nullopt when the file does not exist or cannot be read.
    static std::optional<ProfileFile> load(const std::filesystem::path& path);
    static ProfileFile parse(std::string_view text);

    bool has_section(std::string_view section) const;
    // The value as written (at most PROFILE_VALUE_MAX characters), or nullopt when the key is absent.
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

  private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Section* find_section(std::string_view name) const;
    std::vector<Section> sections_;
};

}  // namespace zorvan::config
