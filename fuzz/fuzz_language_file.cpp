// Any text as a language file: every section either gives exactly one text per position or nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/language_file.h"

namespace {

using namespace zorvan::config;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

void check_section(const ProfileFile& file, std::string_view name) {
    const LanguageTexts result = read_language(&file, name);
    switch (result.outcome) {
        case LanguageOutcome::Applied:
            check(result.texts.size() == LANGUAGE_ENTRY_COUNT);
            for (const std::string& text : result.texts)
                check(text.size() <= PROFILE_VALUE_MAX && text.find('\n') == std::string::npos);
            break;
        case LanguageOutcome::Invalid:
            check(result.texts.empty() && file.section_entries(name).size() != LANGUAGE_ENTRY_COUNT);
            break;
        case LanguageOutcome::NotApplied:
            check(result.texts.empty() && (name.empty() || !file.has_section(name)));
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProfileFile file = ProfileFile::parse(text);
    for (const std::string& name : file.section_names())
        check_section(file, name);
    check_section(file, "English");
    check_section(file, "");
    return 0;
}
