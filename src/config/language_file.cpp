#include "config/language_file.h"

#include <array>

namespace zorvan::config {

namespace {

using K = LanguageTargetKind;

// The layout of a language section: position, target, and the built-in text that position replaces.
constexpr std::array<LanguageTarget, 134> TARGETS = {{
    {0, K::Msg, 0, "", "ZorvanNC.Ini file not found.  Loading defaults..."},
    {1, K::Msg, 1, "", "Controller not initialized.  Running in Preview Mode."},
    {2, K::Msg, 2, "", "No file loaded."},
    {3, K::Msg, 3, "", "Preview Cancelled."},
    {4, K::Msg, 4, "", "Could not Reset Controller"},
    {5, K::Msg, 5, "", "Controller in EmStop."},
    {6, K::Msg, 6, "", "ZorvanNC.Ini file not found."},
    {7, K::Msg, 7, "", "Options Saved!"},
    {8, K::Msg, 8, "", "ZorvanNC.Tbl file not found"},
    {9, K::Msg, 9, "", "Options Saved!"},
    {10, K::Msg, 10, "", "Controller is Ready..."},
    {11, K::Msg, 11, "", "Preview Mode"},
    {12, K::Msg, 12, "", "Edit Mode"},
    {13, K::Msg, 13, "", "Control Mode"},
    {14, K::Msg, 14, "", "Processing file..."},
    {15, K::Msg, 15, "", "Options Saved!"},

    {16, K::StatusMessage, 0, "", "Controller detected at Port... "},
    {17, K::StatusMessage, 1, "", "Command Syntax Error..."},
    {18, K::StatusMessage, 2, "", "Limit Switch Hit..."},
    {19, K::StatusMessage, 3, "", "Invalid Checksum..."},
    {20, K::StatusMessage, 4, "", "Unknown Command..."},
    {21, K::StatusMessage, 5, "", "Probe (Home) Switch Hit..."},
    {22, K::StatusMessage, 6, "", "Command is already in progress..."},
    {23, K::StatusMessage, 7, "", "Port Does Not Exist..."},
    {24, K::StatusMessage, 8, "", "Port is already open..."},
    {25, K::StatusMessage, 9, "", "Command Timed Out..."},
    {26, K::StatusMessage, 10, "", "Controller Failed to Reset..."},
    {27, K::StatusMessage, 11, "", "Controller not Inited..."},
    {28, K::StatusMessage, 12, "", "Controller in E-STOP..."},

    {29, K::StartupText, 0, "", "Initializing controller."},
    {30, K::StartupText, 1, "", "Controller detected "},
    {31, K::StartupText, 2, "", "Program Stop.  Press the \"PAUSE\" button to continue after motion stops."},
    {32, K::StartupText, 3, "", "Program Completed."},
    {33, K::StartupText, 4, "", "START_VEL > MAXSPS in Ini file... Setting START_VEL = MAXSPS"},
    {34, K::StartupText, 5, "", "Could not send acceleration to controller..."},

    {35, K::MainMenu, 0, "File1", "&File"},
    {36, K::MainMenu, 1, "New1", "&New"},
    {37, K::MainMenu, 2, "Open1", "&Open"},
    {38, K::MainMenu, 3, "Exit1", "&Exit"},
    {39, K::MainMenu, 4, "Setup1", "&Setup"},
    {40, K::MainMenu, 5, "Colors1", "&Options"},

    {46, K::MainMenu, 6, "RunMode1", "&Mode"},
    {47, K::MainMenu, 7, "mnuEditMode", "&Edit Center"},
    {48, K::MainMenu, 8, "mnuControlMode", "&Control Center"},
    {49, K::MainMenu, 9, "View1", "&View"},
    {50, K::MainMenu, 10, "Rendered1", "&Rendered"},
    {51, K::MainMenu, 11, "Wireframe1", "&Wireframe"},
    {52, K::MainMenu, 12, "Isometric1", "&Isometric 3D"},
    {53, K::MainMenu, 13, "Top1", "&Top"},
    {54, K::MainMenu, 14, "Front1", "&Front"},
    {55, K::MainMenu, 15, "ZoomWindow1", "&Zoom Window"},
    {56, K::MainMenu, 16, "ClearScreen1", "&Clear Screen"},
    {57, K::MainMenu, 17, "AbsoluteCoordinates1", "&Absolute Coordinates"},
    {58, K::MainMenu, 18, "MachineCoordinates1", "&Machine Coordinates"},
    {59, K::MainMenu, 19, "Home1", "&Home"},
    {60, K::MainMenu, 20, "HomeZAxis1", "Home &Z Axis"},
    {61, K::MainMenu, 21, "HomeYAxis1", "Home &Y Axis"},
    {62, K::MainMenu, 22, "HomeXAxis1", "Home &X Axis"},
    {63, K::MainMenu, 23, "HomeAAxis1", "Home &A Axis"},
    {64, K::MainMenu, 24, "HomeAll1", "Home &All"},
    {65, K::MainMenu, 25, "Controller1", "&Controller"},
    {66, K::MainMenu, 26, "Reset1", "&Reset"},
    {67, K::MainMenu, 27, "ZeroFeedOverride1", "&Zero Feed Override"},
    {68, K::MainMenu, 28, "SetCoordinates1", "&Set Coordinates"},
    {69, K::MainMenu, 29, "help1", "&Help"},
    {70, K::MainMenu, 30, "HelpContents1", "&Help Contents"},
    {71, K::MainMenu, 31, "About1", "&About"},

    // The output buttons' captions: switched on (17 to 20), then switched off (21 to 24).
    {72, K::Msg, 17, "", ""},
    {73, K::Msg, 18, "", ""},
    {74, K::Msg, 19, "", ""},
    {75, K::Msg, 20, "", ""},
    {76, K::Msg, 21, "", ""},
    {76, K::MainControl, 0, "btnAux1", "Mist Off"},
    {77, K::Msg, 22, "", ""},
    {77, K::MainControl, 1, "btnAux2", "Flood Off"},
    {78, K::Msg, 23, "", ""},
    {78, K::MainControl, 2, "btnAux3", "CW Off"},
    {79, K::Msg, 24, "", ""},
    {79, K::MainControl, 3, "btnAux4", "CCW Off"},

    {80, K::MainControl, 4, "btnHome", "&Home"},
    {81, K::MainControl, 5, "btnGo", "&GO"},
    {82, K::MainControl, 6, "btnStop", "Reset (&ESTP)"},
    {83, K::MainControl, 7, "btnPause", "&Pause(Hold)"},
    {84, K::MainControl, 8, "btnClear", "Clear"},
    {85, K::MainControl, 9, "SpeedButton1", "Next"},
    {86, K::MainControl, 10, "SpeedButton2", "Next 10"},
    {87, K::MainControl, 11, "Button3", "Next 100"},
    {88, K::MainControl, 12, "Button4", "Next 1000"},
    {89, K::MainControl, 13, "SpeedButton3", "To Cursor"},
    {90, K::MainControl, 14, "SpeedButton4", "From Cursor"},
    {91, K::MainControl, 15, "btnAll", "All"},
    {92, K::MainControl, 16, "Button1", "Reset"},
    {93, K::MainControl, 17, "Label1", "Tool"},
    {94, K::MainControl, 18, "Label2", "Jog"},
    {95, K::MainControl, 19, "Label3", "Feed Rate"},
    {96, K::MainControl, 20, "Label4", "Override"},
    {97, K::MainControl, 21, "Label9", "Spindle"},

    {98, K::AccelerationDialog, 0, "", "Start Velocity"},
    {99, K::AccelerationDialog, 1, "", "Max Velocity"},
    {100, K::AccelerationDialog, 2, "", "Acceleration"},
    {101, K::AccelerationDialog, 3, "", "Accel Scale"},
    {102, K::AccelerationDialog, 4, "", "TIME"},
    {103, K::AccelerationDialog, 5, "", "V E L O C I T Y"},

    {104, K::OptionsDialog, 0, "Caption", "Options"},
    {105, K::OptionsDialog, 1, "GroupBox1", "Colors"},
    {106, K::OptionsDialog, 2, "Label1", "Linear Moves"},
    {107, K::OptionsDialog, 3, "Label2", "Rapid Moves"},
    {108, K::OptionsDialog, 4, "Label3", "CW Arc Moves"},
    {109, K::OptionsDialog, 5, "Label4", "CCW Arc Moves"},
    {110, K::OptionsDialog, 6, "Label5", "Background"},
    {111, K::OptionsDialog, 7, "Button2", "Cancel"},
    {112, K::OptionsDialog, 8, "Button1", "Save"},

    {113, K::CoordinatesDialog, 0, "Caption", "Coordinates"},
    {114, K::CoordinatesDialog, 1, "Label1", "X Axis"},
    {115, K::CoordinatesDialog, 2, "Label2", "Y Axis"},
    {116, K::CoordinatesDialog, 3, "Label3", "Z Axis"},
    {117, K::CoordinatesDialog, 4, "lblA", "A Axis"},
    {118, K::CoordinatesDialog, 5, "Button1", "Set"},
    {119, K::CoordinatesDialog, 6, "Button2", "Cancel"},

    {120, K::RenumberDialog, 0, "Caption", "ReNumber"},
    {121, K::RenumberDialog, 1, "", "Start At"},
    {122, K::RenumberDialog, 2, "", "Increment"},
    {123, K::RenumberDialog, 3, "chkAdd", "Add Space"},
    {124, K::RenumberDialog, 4, "btnRemove", "Remove"},
    {125, K::RenumberDialog, 5, "btnAdd", "Add"},
    {126, K::RenumberDialog, 6, "btnReNumber", "ReNumber"},
    {127, K::RenumberDialog, 7, "btnCancel", "Close"},

    {128, K::EditorMenu, 0, "Undo1", "&Undo"},
    {129, K::EditorMenu, 1, "Font1", "F&ont"},
    {130, K::EditorMenu, 2, "Search1", "Sea&rch"},
    {131, K::EditorMenu, 3, "SelectAll2", "&Select All"},
    {132, K::EditorMenu, 4, "Renumber1", "Renum&ber"},
    {133, K::EditorMenu, 5, "SyntaxColored1", "Show S&yntax"},
    {134, K::EditorMenu, 6, "Save1", "S&ave As"},
}};

}  // namespace

std::span<const LanguageTarget> language_targets() {
    return TARGETS;
}

LanguageTexts read_language(const ProfileFile* file, std::string_view language) {
    LanguageTexts result;
    if (language.empty() || file == nullptr || !file->has_section(language)) return result;
    // Every key=value line counts, a repeated key too: only the position of a line decides its target.
    const auto entries = file->section_entries(language);
    if (entries.size() != LANGUAGE_ENTRY_COUNT) {
        result.outcome = LanguageOutcome::Invalid;
        return result;
    }
    result.outcome = LanguageOutcome::Applied;
    result.texts.reserve(entries.size());
    for (const auto& entry : entries)
        result.texts.push_back(entry.text);
    return result;
}

LanguageTexts read_language_file(const std::filesystem::path& program_dir, std::string_view language) {
    if (language.empty()) return {};
    const auto file = ProfileFile::load(program_dir / LANGUAGE_FILE);
    return read_language(file ? &*file : nullptr, language);
}

}  // namespace zorvan::config
