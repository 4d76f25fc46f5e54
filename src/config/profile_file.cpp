#include "config/profile_file.h"

#include <iterator>
#include <system_error>
#include <unordered_set>

#include "config/number_text.h"
#include "config/text_file.h"

namespace zorvan::config {

namespace {

std::string_view trim_blanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view name) {
    std::string text(name);
    for (char& c : text)
        c = lower(c);
    return text;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<ProfileFile> ProfileFile::load(const std::filesystem::path& path) {
    auto text = read_text_file(path);
    if (!text) return std::nullopt;
    return parse(*text);
}

ProfileFile ProfileFile::parse(std::string_view text) {
    ProfileFile file;
    // Lines before the first section, and every line of a repeated section, belong to no section that a
    // reader can reach: the first section of a name is the one that is read.
    Section* current = nullptr;
    std::unordered_set<std::string> section_names;  // lowered, to spot a repeated section
    std::unordered_set<std::string> key_names;      // lowered, of the current section
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trim_blanks(line);
        if (line.empty() || line.front() == ';') continue;

        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close != std::string_view::npos) {
                const auto name = trim_blanks(line.substr(1, close - 1));
                key_names.clear();
                if (section_names.insert(lowered(name)).second) {
                    file.sections_.push_back(Section{std::string(name), {}});
                    current = &file.sections_.back();
                } else {
                    current = nullptr;
                }
                continue;
            }
        }

        const auto equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) continue;
        const auto key = trim_blanks(line.substr(0, equals));
        if (key.empty()) continue;
        if (!key_names.insert(lowered(key)).second) continue;  // the first line of a key is the one read
        auto value = trim_blanks(line.substr(equals + 1)).substr(0, PROFILE_VALUE_MAX);
        current->entries.push_back(Entry{std::string(key), std::string(value)});
    }
    return file;
}

const ProfileFile::Section* ProfileFile::find_section(std::string_view name) const {
    for (const Section& section : sections_) {
        if (same_name(section.name, name)) return &section;
    }
    return nullptr;
}

bool ProfileFile::has_section(std::string_view section) const {
    return find_section(section) != nullptr;
}

std::optional<std::string> ProfileFile::find(std::string_view section, std::string_view key) const {
    const Section* found = find_section(section);
    if (found == nullptr) return std::nullopt;
    for (const Entry& entry : found->entries) {
        if (same_name(entry.key, key)) return entry.value;
    }
    return std::nullopt;
}

std::string ProfileFile::read_string(std::string_view section, std::string_view key,
                                     std::string_view def) const {
    auto value = find(section, key);
    return value ? std::move(*value) : std::string(def);
}

int ProfileFile::read_int(std::string_view section, std::string_view key, int def) const {
    const auto value = find(section, key);
    if (!value) return def;
    return parse_int(*value).value_or(def);
}

double ProfileFile::read_real(std::string_view section, std::string_view key, double def,
                              char separator) const {
    const auto value = find(section, key);
    if (!value) return def;
    return parse_real(*value, separator).value_or(def);
}

bool ProfileFile::read_bool(std::string_view section, std::string_view key, bool def) const {
    return read_int(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> ProfileFile::section_keys(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* found = find_section(section)) {
        for (const Entry& entry : found->entries)
            keys.push_back(entry.key);
    }
    return keys;
}

}  // namespace zorvan::config
