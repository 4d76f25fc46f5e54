// Any text as a profile file: every kind of read must stay within the file's rules and never fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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
    return 0;
}
