#include "config/language_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <tuple>

namespace zorvan::config {
namespace {

// A section of `count` entries "Kn=text n".
std::string language_section(const std::string& name, std::size_t count) {
    std::string text = "[" + name + "]\r\n";
    for (std::size_t i = 0; i < count; ++i)
        text += "K" + std::to_string(i) + "=text " + std::to_string(i) + "\r\n";
    return text;
}

TEST(LanguageTargets, EveryPositionHasItsTargetsInOrder) {
    std::map<std::size_t, int> targets_at;
    std::size_t previous = 0;
    for (const LanguageTarget& target : language_targets()) {
        EXPECT_GE(target.position, previous);
        previous = target.position;
        ++targets_at[target.position];
    }
    for (std::size_t position = 0; position < LANGUAGE_ENTRY_COUNT; ++position) {
        const int expected = position >= 41 && position <= 45 ? 0 : position >= 76 && position <= 79 ? 2 : 1;
        EXPECT_EQ(targets_at.contains(position) ? targets_at.at(position) : 0, expected) << position;
    }
    EXPECT_EQ(targets_at.rbegin()->first, LANGUAGE_ENTRY_COUNT - 1);
}

TEST(LanguageTargets, EachGroupStartsWhereTheLayoutSays) {
    const std::tuple<std::size_t, LanguageTargetKind, std::string_view> firsts[] = {
        {0, LanguageTargetKind::Msg, "ZorvanNC.Ini file not found.  Loading defaults..."},
        {16, LanguageTargetKind::StatusMessage, "Controller detected at Port... "},
        {29, LanguageTargetKind::StartupText, "Initializing controller."},
        {46, LanguageTargetKind::MainMenu, "&Mode"},
        {80, LanguageTargetKind::MainControl, "&Home"},
        {98, LanguageTargetKind::AccelerationDialog, "Start Velocity"},
        {104, LanguageTargetKind::OptionsDialog, "Options"},
        {113, LanguageTargetKind::CoordinatesDialog, "Coordinates"},
        {120, LanguageTargetKind::RenumberDialog, "ReNumber"},
        {128, LanguageTargetKind::EditorMenu, "&Undo"}};
    for (const auto& [position, kind, builtin] : firsts) {
        const auto& targets = language_targets();
        const auto target = std::find_if(targets.begin(), targets.end(),
                                         [&](const LanguageTarget& t) { return t.position == position; });
        ASSERT_NE(target, targets.end()) << position;
        EXPECT_EQ(target->kind, kind) << position;
        EXPECT_EQ(target->builtin, builtin) << position;
    }
}

TEST(LanguageTargets, Entry79IsBothTheLastMessageAndTheFourthButton) {
    std::vector<std::pair<LanguageTargetKind, int>> at79;
    for (const LanguageTarget& target : language_targets()) {
        if (target.position == 79) at79.emplace_back(target.kind, target.index);
    }
    EXPECT_EQ(at79, (std::vector<std::pair<LanguageTargetKind, int>>{{LanguageTargetKind::Msg, 24},
                                                                     {LanguageTargetKind::MainControl, 3}}));
}

TEST(LanguageFile, ASectionOfExactly135EntriesGivesItsTextsInOrder) {
    std::string text = "[English]\r\nK=x\r\n" + language_section("Deutsch", 135);
    text.replace(text.find("K1=text 1"), 9, "K1=Port = 1 ");  // everything after the first "="
    text.replace(text.find("K7=text 7"), 9, "K0=repeated");   // a repeated key still counts
    const auto file = ProfileFile::parse(text);
    const auto result = read_language(&file, "deutsch");
    ASSERT_EQ(result.outcome, LanguageOutcome::Applied);
    ASSERT_EQ(result.texts.size(), LANGUAGE_ENTRY_COUNT);
    EXPECT_EQ(result.texts[0], "text 0");
    EXPECT_EQ(result.texts[1], "Port = 1 ");
    EXPECT_EQ(result.texts[7], "repeated");
    EXPECT_EQ(result.texts[134], "text 134");
}

TEST(LanguageFile, AWrongCountOrNoSectionChangesNothing) {
    const struct {
        const char* name;
        std::string text;
        std::string_view language;
        LanguageOutcome outcome;
    } cases[] = {
        {"134 entries", language_section("Deutsch", 134), "Deutsch", LanguageOutcome::Invalid},
        {"136 entries", language_section("Deutsch", 136), "Deutsch", LanguageOutcome::Invalid},
        {"no entries", "[Deutsch]\r\n", "Deutsch", LanguageOutcome::Invalid},
        {"no such section", language_section("Deutsch", 135), "Français", LanguageOutcome::NotApplied},
        {"no language named", language_section("Deutsch", 135), "", LanguageOutcome::NotApplied},
    };
    for (const auto& c : cases) {
        const auto file = ProfileFile::parse(c.text);
        const auto result = read_language(&file, c.language);
        EXPECT_EQ(result.outcome, c.outcome) << c.name;
        EXPECT_TRUE(result.texts.empty()) << c.name;
    }
    EXPECT_EQ(read_language(nullptr, "English").outcome, LanguageOutcome::NotApplied);
}

TEST(LanguageFile, ReadsLanguageCfgInTheProgramsFolder) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zorvan-language-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    const std::filesystem::path dir = pattern;
    EXPECT_EQ(read_language_file(dir, "English").outcome, LanguageOutcome::NotApplied);
    std::ofstream(dir / "Language.cfg", std::ios::binary) << language_section("English", 135);
    EXPECT_EQ(read_language_file(dir, "English").outcome, LanguageOutcome::Applied);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zorvan::config
