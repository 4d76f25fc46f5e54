// The machine configuration file ZorvanNC.Ini and the per-machine files of the same format: what each
// of its readers takes from it, with that reader's own defaults, and what the setup and Options dialogs
// write into it. A file without a key behaves differently in two readers where their defaults differ.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/profile_file.h"
#include "config/tool_table_file.h"

namespace zorvan::config {

inline constexpr std::string_view MAIN_CONFIGURATION_FILE = "ZorvanNC.Ini";
// The interpreter's parameter file when VARIABLE_FILE is missing or empty: the name that the setup
// dialog always writes, so a hand-made file without the key finds the same parameter file and tool
// table as a saved one.
inline constexpr std::string_view DEFAULT_VARIABLE_FILE = "ZorvanNC.Var";

std::filesystem::path main_configuration_path(const std::filesystem::path& program_dir);
// The file of a named machine: the name with ".Ini", in the program's folder. nullopt for a name that
// would reach outside that folder (empty, ".", "..", or holding "/").
std::optional<std::filesystem::path> machine_configuration_path(const std::filesystem::path& program_dir,
                                                                std::string_view machine_name);

// The first character of RS274NGC/DecimalSeparator, "." when the key is missing or empty.
char read_decimal_separator(const ProfileFile& file);
// RS274NGC/VARIABLE_FILE, or DEFAULT_VARIABLE_FILE when it is missing or empty.
std::string read_variable_file(const ProfileFile& file);
// RS274NGC/DIALECT as written (blanks around it removed), "" when missing.
std::string read_dialect(const ProfileFile& file);
// Whether a DIALECT value selects the CAM dialect: "CAM" in any case. Anything else is STRICT.
bool is_cam_dialect(std::string_view value);

// What the main window's start-up takes from the main file.
struct StartupSettings {
    std::string Language = "English";  // section of the language file to apply
    bool Keypad = false;
    char DecimalSeparator = '.';  // becomes the process-wide separator before any real is read
    std::string Units = "G21";    // start units, executed as a direct command
    double FirmwareVersion = 1.0;
    bool HOMELIM = false;
    bool InvertStepPulse = false;           // CONTROLLER/INVERTED, handed to the controller start-up
    std::vector<std::string> MachineNames;  // sorted without regard to case, no duplicates
    double FastJog = 1.0;                   // jog velocities, as the setup dialog shows them
    double MedJog = 1.0;
    double SlowJog = 1.0;
    std::uint16_t HomingVel = 100;  // steps/s, kept in 16 bits as the controller takes it
    int MaxSps = 100;               // steps/s; the feed override's step derives from it
    int AxisCount = 3;
    double MinX = 0.0, MaxX = 10.0;  // machine table, machine units
    double MinY = 0.0, MaxY = 10.0;
    double MinZ = 0.0, MaxZ = 10.0;
    double TableWidth = 10.0;  // MaxX - MinX, machine units
    double TableDepth = 10.0;  // MaxY - MinY, machine units
    std::string MachineName = "No Machine Loaded";
    double Grid = 1.0;  // machine units
    int ColorLinear = 0;
    int ColorRapid = 0;
    int ColorCW = 0;
    int ColorCCW = 0;
    int ColorBackground = 16777215;
    bool SAFETY = true;
    bool HighLight = false;
    bool AutoRedraw = false;
    double OpenGLResolution = 10.0;  // never below 1.5
    std::vector<std::string> JogDistances;
    std::vector<std::string> SpeedKeys;
    int HomeDirections = 0;                // bits 1, 2, 4, 8 for X, Y, Z, A
    std::array<double, 4> HomePosition{};  // machine units (A: degrees)
    std::array<double, 4> HomeOffset{};    // machine units (A: degrees)

    bool operator==(const StartupSettings&) const = default;
};

// The start-up read, in its order: the separator first, so every real of the file is read with it.
StartupSettings read_startup_settings(const ProfileFile& file);
// The same read of the folder's main file; the defaults when it is missing or unreadable.
StartupSettings load_startup_settings(const std::filesystem::path& program_dir);

// What the controller start-up takes from the main file (the motion parameters).
struct ControllerSettings {
    int Acceleration = 5000;  // steps/s²
    int MaxSps = 1000;        // steps/s
    int StartVelocity = 100;  // steps/s; the controller start-up lowers it to MaxSps
    int AccelScale = 1;
    int Contouring = 0;
    int ControllerPort = 0;
    std::array<double, 4> StepsPerUnit{100.0, 100.0, 100.0, 100.0};  // X, Y, Z per machine unit; A per degree
    std::array<int, 4> Backlash_steps{};
    std::array<int, 4> AxisMaxSps{1000, 1000, 1000, 1000};  // steps/s
    int MinRpm = 0;
    int MaxRpm = 10000;
    int MinPwmPercent = 0;    // percent
    int MaxPwmPercent = 100;  // percent

    bool operator==(const ControllerSettings&) const = default;
};

// The controller read, with the separator in force (the start-up read's). An axis without MAX_SPS takes
// the MAXSPS just read; the A axis's steps come from STEPS/DEG only.
ControllerSettings read_controller_settings(const ProfileFile& file, char separator);

// One axis as the machine setup dialog edits it.
struct AxisSetup {
    double HomePosition = 0.0;   // machine units (A: degrees)
    double HomeOffset = 0.0;     // machine units (A: degrees)
    bool ReverseHoming = false;  // HOME_DIRECTION
    double StepsPerUnit = 0.0;   // "Steps per MM"; for A per degree
    int MaxSps = 100;            // steps/s
    int Backlash_steps = 100;    // whole steps, so every reader of the file takes it back

    bool operator==(const AxisSetup&) const = default;
};

// Everything the machine setup dialog reads from a machine's file and writes back.
struct MachineSetup {
    std::string Name;                // not read: the machine chosen names the file
    double MinX = 0.0, MaxX = 10.0;  // machine size, machine units
    double MinY = 0.0, MaxY = 10.0;
    double MinZ = 0.0, MaxZ = 10.0;
    double Grid = 1.0;               // machine units
    double OpenGLResolution = 10.0;  // tessellation of the 3D table
    double Zero = 0.1;               // starting height of the stock surface, machine units
    bool SAFETY = true;
    bool HighLight = false;
    bool AutoRedraw = false;
    int Port = 1;
    int Contouring = 1;
    bool InvertStepPulse = false;
    bool UnitsInch = false;       // UNITS other than "G21"
    char DecimalSeparator = '.';  // as the file has it; a save writes the separator in force
    int HomingVel = 100;          // steps/s
    int Acceleration = 100;       // steps/s²
    int AccelScale = 100;
    int MaxSps = 100;         // steps/s
    int StartVelocity = 100;  // steps/s
    double FastJog = 1.0;     // jog velocities, as the start-up read takes them
    double MedJog = 1.0;
    double SlowJog = 1.0;
    std::vector<std::string> JogDistances;  // items as text, e.g. "0.1"
    std::vector<std::string> SpeedKeys;
    std::vector<std::string> MachineNames;  // written only; the start-up read keeps the list
    std::array<AxisSetup, 4> Axes{};
    // RS274NGC/DIALECT (CAM when set) and LANGUAGE/Language, which the dialog also edits; nothing leaves
    // the key as the file has it.
    std::optional<bool> CamDialect;
    std::optional<std::string> Language;

    bool operator==(const MachineSetup&) const = default;
};

// The dialog's read of a machine's file, with the dialog's defaults. Its reals are read with the file's
// own DecimalSeparator, the one they were written with.
MachineSetup read_machine_setup(const ProfileFile& file);

// The setup dialog's write, in its order (which is the order of a newly created file). Reals take the
// separator in force, which is also the DecimalSeparator written. Every other key stays as it is.
void write_machine_setup(ProfileFile& file, const MachineSetup& setup, char separator);

// Writes the setup into the named machine's file, then into the main file and, when `tools` is given,
// the tool list into the tool table beside the main file (ZorvanNC.tbl), each through a temporary file.
// All or nothing: a failure puts back the files written before it. A file that exists but cannot be read
// is not overwritten. nullopt on success, else the operator's text of the failure.
std::optional<std::string> save_machine_setup(const std::filesystem::path& program_dir,
                                              const MachineSetup& setup, char separator,
                                              const std::vector<ToolEntry>* tools = nullptr);
// The tool table the setup dialog writes: the main file's name with ".tbl".
std::filesystem::path written_tool_table_path(const std::filesystem::path& program_dir);

// The five colours of the tool-path view (24-bit, red in the low byte).
struct ToolPathColours {
    int ColorLinear = 0;
    int ColorRapid = 0;
    int ColorCW = 0;
    int ColorCCW = 0;
    int ColorBackground = 16777215;
};

// The Options dialog's write: SCREEN Linear, Rapid, CW, CCW, Background.
void write_colours(ProfileFile& file, const ToolPathColours& colours);
// Into the main file only. nullopt on success, else the operator's text of the failure.
std::optional<std::string> save_colours(const std::filesystem::path& program_dir,
                                        const ToolPathColours& colours);

}  // namespace zorvan::config
