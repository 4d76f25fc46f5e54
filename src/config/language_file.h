// The language file Language.cfg: one section per language, whose entries replace the operator's texts
// by position. Only the order of the entries counts; their keys are free.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/profile_file.h"

namespace zorvan::config {

inline constexpr std::string_view LANGUAGE_FILE = "Language.cfg";
inline constexpr std::size_t LANGUAGE_ENTRY_COUNT = 135;
inline constexpr std::string_view INVALID_LANGUAGE_FILE = "Invalid Language File.";  // Msg entry 16

enum class LanguageTargetKind {
    Msg,                 // the main window's message table; index is the entry
    StatusMessage,       // the controller status messages; index is the entry
    StartupText,         // the controller start-up texts; index in their order
    MainMenu,            // a main menu item, by name
    MainControl,         // a caption of the main window, by name
    AccelerationDialog,  // a label of the acceleration plot; index in their order
    OptionsDialog,       // by name; "Caption" is the window's own
    CoordinatesDialog,   // by name; "Caption" is the window's own
    RenumberDialog,      // by name, or by index for the unnamed labels; "Caption" is the window's own
    EditorMenu,          // an item of the editor's pop-up menu, by name
};

struct LanguageTarget {
    std::size_t position;  // entry of the language section, from 0
    LanguageTargetKind kind;
    int index;                 // entry of a table, or place among the texts of its window
    std::string_view name;     // component name; empty for table entries and unnamed labels
    std::string_view builtin;  // the text it replaces; empty where there is none
};

// Every target in position order. Positions 41 to 45 have none; 76 to 79 have two each (a message table
// entry and the caption of an output button).
std::span<const LanguageTarget> language_targets();

enum class LanguageOutcome {
    NotApplied,  // no name, no file or no such section: the built-in texts stay, without a message
    Invalid,     // not exactly LANGUAGE_ENTRY_COUNT entries: INVALID_LANGUAGE_FILE, nothing changes
    Applied,     // texts holds one text per position
};

struct LanguageTexts {
    LanguageOutcome outcome = LanguageOutcome::NotApplied;
    std::vector<std::string> texts;  // everything after each entry's first "=", blanks included
};

// The section named `language` of an already loaded file; nullptr stands for a missing file.
LanguageTexts read_language(const ProfileFile* file, std::string_view language);
// Language.cfg in the program's folder.
LanguageTexts read_language_file(const std::filesystem::path& program_dir, std::string_view language);

}  // namespace zorvan::config
