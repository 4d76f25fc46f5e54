#include "config/profile_file.h"

#include <unordered_set>
#include <utility>

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

// The section name of a "[name]" line, blanks around it removed.
std::optional<std::string_view> header_name(std::string_view line) {
    line = trim_blanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim_blanks(line.substr(1, close - 1));
}

std::string_view one_line(std::string_view value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

}  // namespace

std::optional<ProfileFile> ProfileFile::load(const std::filesystem::path& path) {
    auto text = read_text_file(path);
    if (!text) return std::nullopt;
    return parse(*text);
}

ProfileFile ProfileFile::parse(std::string_view text) {
    ProfileFile file;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        file.lines_.emplace_back(line);
    }
    file.reindex();
    return file;
}

// Lines before the first section, and every line of a repeated section, belong to no section that a
// reader can reach: the first section of a name is the one that is read.
void ProfileFile::reindex() {
    sections_.clear();
    std::unordered_set<std::string> section_names;  // lowered, to spot a repeated section
    std::unordered_set<std::string> key_names;      // lowered, of the current section
    Section* current = nullptr;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = header_name(lines_[i])) {
            if (current != nullptr) current->end = i;
            key_names.clear();
            if (section_names.insert(lowered(*name)).second) {
                sections_.push_back(Section{std::string(*name), i, lines_.size(), {}});
                current = &sections_.back();
            } else {
                current = nullptr;
            }
            continue;
        }
        const std::string_view line = trim_blanks(lines_[i]);
        if (current == nullptr || line.empty() || line.front() == ';') continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const auto key = trim_blanks(line.substr(0, equals));
        if (key.empty()) continue;
        const bool repeated = !key_names.insert(lowered(key)).second;
        const auto value = trim_blanks(line.substr(equals + 1)).substr(0, PROFILE_VALUE_MAX);
        current->entries.push_back(Entry{std::string(key), std::string(value), i, repeated});
    }
}

const ProfileFile::Section* ProfileFile::find_section(std::string_view name) const {
    for (const Section& section : sections_) {
        if (same_name(section.name, name)) return &section;
    }
    return nullptr;
}

ProfileFile::Section* ProfileFile::find_section(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).find_section(name));
}

const ProfileFile::Entry* ProfileFile::find_entry(const Section& section, std::string_view key) const {
    for (const Entry& entry : section.entries) {
        if (!entry.repeated && same_name(entry.key, key)) return &entry;
    }
    return nullptr;
}

bool ProfileFile::has_section(std::string_view section) const {
    return find_section(section) != nullptr;
}

std::optional<std::string> ProfileFile::find(std::string_view section, std::string_view key) const {
    const Section* found = find_section(section);
    if (found == nullptr) return std::nullopt;
    if (const Entry* entry = find_entry(*found, key)) return entry->value;
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
        for (const Entry& entry : found->entries) {
            if (!entry.repeated) keys.push_back(entry.key);
        }
    }
    return keys;
}

std::vector<ProfileFile::KeyText> ProfileFile::section_entries(std::string_view section) const {
    std::vector<KeyText> entries;
    if (const Section* found = find_section(section)) {
        for (const Entry& entry : found->entries) {
            const std::string_view line = lines_[entry.line];
            const auto text = line.substr(line.find('=') + 1).substr(0, PROFILE_VALUE_MAX);
            entries.push_back(KeyText{entry.key, std::string(text)});
        }
    }
    return entries;
}

std::vector<std::string> ProfileFile::section_names() const {
    std::vector<std::string> names;
    for (const Section& section : sections_)
        names.push_back(section.name);
    return names;
}

void ProfileFile::write_string(std::string_view section, std::string_view key, std::string_view value) {
    value = one_line(value);
    Section* found = find_section(section);
    if (found == nullptr) {
        // A blank line keeps an appended section apart from the text before it.
        if (!lines_.empty() && !trim_blanks(lines_.back()).empty()) lines_.emplace_back();
        std::string heading(1, '[');
        heading.append(section).append("]");
        lines_.push_back(std::move(heading));
        lines_.push_back(std::string(key) + "=" + std::string(value));
    } else if (const Entry* entry = find_entry(*found, key)) {
        lines_[entry->line] = entry->key + "=" + std::string(value);
    } else {
        // After the section's last key, so comments and blank lines at its end stay before the next one.
        const std::size_t at = found->entries.empty() ? found->header + 1 : found->entries.back().line + 1;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                      std::string(key) + "=" + std::string(value));
    }
    reindex();
}

void ProfileFile::write_int(std::string_view section, std::string_view key, int value) {
    write_string(section, key, std::to_string(value));
}

void ProfileFile::write_real(std::string_view section, std::string_view key, double value, char separator) {
    write_string(section, key, format_real(value, separator));
}

void ProfileFile::write_bool(std::string_view section, std::string_view key, bool value) {
    write_string(section, key, value ? "1" : "0");
}

void ProfileFile::erase_section(std::string_view section) {
    std::vector<std::string> kept;
    kept.reserve(lines_.size());
    bool erasing = false;
    for (std::string& line : lines_) {
        if (const auto name = header_name(line)) erasing = same_name(*name, section);
        if (!erasing) kept.push_back(std::move(line));
    }
    lines_ = std::move(kept);
    reindex();
}

bool ProfileFile::is_list_item(std::string_view item) {
    const std::string_view key = trim_blanks(item);
    return !key.empty() && key == item && key.find_first_of("=\r\n") == std::string_view::npos &&
           key.front() != ';' && key.front() != '[';
}

void ProfileFile::write_list(std::string_view section, const std::vector<std::string>& items) {
    // The section keeps its place (so a save does not move it) but loses every key, and any repeated
    // section of the name goes too; its comments and blank lines stay.
    if (const Section* found = find_section(section)) {
        std::vector<bool> drop(lines_.size(), false);
        for (const Entry& entry : found->entries)
            drop[entry.line] = true;
        bool in_repeated = false;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (const auto name = header_name(lines_[i]))
                in_repeated = same_name(*name, section) && i != found->header;
            if (in_repeated) drop[i] = true;
        }
        std::vector<std::string> kept;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (!drop[i]) kept.push_back(std::move(lines_[i]));
        }
        lines_ = std::move(kept);
        reindex();
    }
    for (const std::string& item : items) {
        if (is_list_item(item)) write_string(section, item, item);
    }
}

std::string ProfileFile::text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::optional<std::string> ProfileFile::save(const std::filesystem::path& path) const {
    return write_text_file_atomically(path, text());
}

}  // namespace zorvan::config
