// Any text as a profile file: every kind of read must stay within the file's rules and never fault, and
// a write changes what the written key reads and nothing else, also after the text is read again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/profile_file.h"

namespace {

using zorvan::config::PROFILE_VALUE_MAX;
using zorvan::config::ProfileFile;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

void read_every_kind(const ProfileFile& file, std::string_view section) {
    const auto keys = file.section_keys(section);
    check(keys.empty() || file.has_section(section));
    for (const std::string& key : keys) {
        const auto value = file.find(section, key);
        check(value.has_value() && value->size() <= PROFILE_VALUE_MAX);
        check(file.read_string(section, key, "default") == *value);
        check(file.read_bool(section, key, false) == (file.read_int(section, key, 0) != 0));
        (void)file.read_real(section, key, 1.0, '.');
        (void)file.read_real(section, key, 1.0, ',');
    }
    (void)file.read_int(section, "MAXSPS", 100);
    (void)file.read_real(section, "maxx", 10.0, '.');
    (void)file.read_bool(section, "Safety", true);
}

// Every value a reader can reach, but the ones of `skip_section` (or only its `skip_key`).
using Values = std::vector<std::pair<std::string, std::string>>;
Values readable_values(const ProfileFile& file, std::string_view skip_section, std::string_view skip_key) {
    const auto same = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
            if (lower(a[i]) != lower(b[i])) return false;
        }
        return true;
    };
    Values values;
    for (const std::string& section : file.section_names()) {
        if (same(section, skip_section) && skip_key.empty()) continue;
        for (const std::string& key : file.section_keys(section)) {
            if (same(section, skip_section) && same(key, skip_key)) continue;
            values.emplace_back(section + "\n" + key, *file.find(section, key));
        }
    }
    return values;
}

void check_writes(const ProfileFile& original) {
    check(readable_values(ProfileFile::parse(original.text()), "", "") == readable_values(original, "", ""));

    ProfileFile file = original;
    file.write_real("SCREEN", "Grid", 2.5, ',');
    check(file.read_real("screen", "GRID", 0.0, ',') == 2.5);
    check(readable_values(file, "SCREEN", "Grid") == readable_values(original, "SCREEN", "Grid"));

    file.write_list("JOGDIST", {"0.1", "1", "=", "10"});
    const ProfileFile reread = ProfileFile::parse(file.text());
    check((reread.section_keys("jogdist") == std::vector<std::string>{"0.1", "1", "10"}));
    check(reread.read_real("SCREEN", "Grid", 0.0, ',') == 2.5);
    check(readable_values(reread, "JOGDIST", "") == readable_values(file, "JOGDIST", ""));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProfileFile file = ProfileFile::parse(text);
    // The text between each '[' and the next ']' is a likely section name; reading one that is not is
    // harmless.
    for (std::size_t open = text.find('['); open != std::string_view::npos; open = text.find('[', open + 1)) {
        const std::size_t close = text.find(']', open);
        if (close == std::string_view::npos) break;
        read_every_kind(file, text.substr(open + 1, close - open - 1));
    }
    read_every_kind(file, "RS274NGC");
    check_writes(file);
    return 0;
}
