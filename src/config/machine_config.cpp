#include "config/machine_config.h"

#include <algorithm>
#include <cctype>

#include "config/text_file.h"

namespace zorvan::config {

namespace {

constexpr std::array<const char*, 4> AXIS_SECTIONS = {"AXIS_0", "AXIS_1", "AXIS_2", "AXIS_3"};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool less_ignoring_case(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

bool same_ignoring_case(const std::string& a, const std::string& b) {
    return !less_ignoring_case(a, b) && !less_ignoring_case(b, a);
}

// The machine box is a sorted list that ignores duplicates, names compared as the file compares them.
std::vector<std::string> sorted_without_duplicates(std::vector<std::string> names) {
    std::stable_sort(names.begin(), names.end(), less_ignoring_case);
    names.erase(std::unique(names.begin(), names.end(), same_ignoring_case), names.end());
    return names;
}

// Loads a file that a writer is about to change; a missing one starts empty, an unreadable one is
// refused so that its keys are not lost.
std::optional<std::string> load_for_writing(const std::filesystem::path& path, ProfileFile& file) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) {
        file = ProfileFile();
        return std::nullopt;
    }
    auto loaded = ProfileFile::load(path);
    if (!loaded) return "Cannot read " + path.string() + "; it is left as it is";
    file = std::move(*loaded);
    return std::nullopt;
}

}  // namespace

std::filesystem::path main_configuration_path(const std::filesystem::path& program_dir) {
    return program_dir / MAIN_CONFIGURATION_FILE;
}

std::optional<std::filesystem::path> machine_configuration_path(const std::filesystem::path& program_dir,
                                                                std::string_view machine_name) {
    if (machine_name.empty() || machine_name == "." || machine_name == ".." ||
        machine_name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return std::nullopt;
    }
    return program_dir / (std::string(machine_name) + ".Ini");
}

char read_decimal_separator(const ProfileFile& file) {
    const std::string separator = file.read_string("RS274NGC", "DecimalSeparator", ".");
    return separator.empty() ? '.' : separator[0];
}

std::string read_variable_file(const ProfileFile& file) {
    std::string name = file.read_string("RS274NGC", "VARIABLE_FILE", "");
    return name.empty() ? std::string(DEFAULT_VARIABLE_FILE) : name;
}

std::string read_dialect(const ProfileFile& file) {
    return file.read_string("RS274NGC", "DIALECT", "");
}

bool is_cam_dialect(std::string_view value) {
    constexpr std::string_view CAM = "CAM";
    if (value.size() != CAM.size()) return false;
    for (std::size_t i = 0; i < CAM.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(value[i])) != CAM[i]) return false;
    }
    return true;
}

StartupSettings read_startup_settings(const ProfileFile& file) {
    StartupSettings s;
    s.Language = file.read_string("LANGUAGE", "Language", s.Language);
    s.Keypad = file.read_bool("LANGUAGE", "Keypad", s.Keypad);

    s.DecimalSeparator = read_decimal_separator(file);
    const char sep = s.DecimalSeparator;
    s.Units = file.read_string("RS274NGC", "UNITS", s.Units);

    s.FirmwareVersion = file.read_real("CONTROLLER", "VERSION", s.FirmwareVersion, sep);
    s.HOMELIM = file.read_bool("CONTROLLER", "HOMELIM", s.HOMELIM);
    // The saved "Invert Step Pulse" takes effect: the controller start-up uses it from here.
    s.InvertStepPulse = file.read_bool("CONTROLLER", "INVERTED", s.InvertStepPulse);

    s.MachineNames = sorted_without_duplicates(file.section_keys("MACHINENAMES"));

    s.FastJog = file.read_real("TRAJ", "FASTJOG", s.FastJog, sep);
    s.MedJog = file.read_real("TRAJ", "MEDJOG", s.MedJog, sep);
    s.SlowJog = file.read_real("TRAJ", "SLOWJOG", s.SlowJog, sep);
    s.HomingVel = static_cast<std::uint16_t>(file.read_int("TRAJ", "HOMING_VEL", s.HomingVel));
    s.MaxSps = file.read_int("TRAJ", "MAXSPS", s.MaxSps);
    s.AxisCount = file.read_int("TRAJ", "AXES", s.AxisCount);

    s.MinX = file.read_real("MACHINE", "MINX", s.MinX, sep);
    s.MaxX = file.read_real("MACHINE", "MAXX", s.MaxX, sep);
    s.MinY = file.read_real("MACHINE", "MINY", s.MinY, sep);
    s.MaxY = file.read_real("MACHINE", "MAXY", s.MaxY, sep);
    s.MinZ = file.read_real("MACHINE", "MINZ", s.MinZ, sep);
    s.MaxZ = file.read_real("MACHINE", "MAXZ", s.MaxZ, sep);
    s.TableWidth = s.MaxX - s.MinX;
    s.TableDepth = s.MaxY - s.MinY;
    s.MachineName = file.read_string("MACHINE", "Name", s.MachineName);

    s.Grid = file.read_real("SCREEN", "GRID", s.Grid, sep);
    s.ColorLinear = file.read_int("SCREEN", "Linear", s.ColorLinear);
    s.ColorRapid = file.read_int("SCREEN", "Rapid", s.ColorRapid);
    s.ColorCW = file.read_int("SCREEN", "CW", s.ColorCW);
    s.ColorCCW = file.read_int("SCREEN", "CCW", s.ColorCCW);
    s.ColorBackground = file.read_int("SCREEN", "Background", s.ColorBackground);
    s.SAFETY = file.read_bool("SCREEN", "SAFETY", s.SAFETY);
    s.HighLight = file.read_bool("SCREEN", "HighLight", s.HighLight);
    s.AutoRedraw = file.read_bool("SCREEN", "AutoRedraw", s.AutoRedraw);
    s.OpenGLResolution = std::max(file.read_real("SCREEN", "OpenGLResolution", s.OpenGLResolution, sep), 1.5);

    s.JogDistances = file.section_keys("JOGDIST");
    s.SpeedKeys = file.section_keys("SPEEDKEYS");

    for (std::size_t axis = 0; axis < AXIS_SECTIONS.size(); ++axis) {
        const char* section = AXIS_SECTIONS[axis];
        if (file.read_bool(section, "HOME_DIRECTION", false)) s.HomeDirections |= 1 << axis;
        s.HomePosition[axis] = file.read_real(section, "HOME_POSITION", 0.0, sep);
        s.HomeOffset[axis] = file.read_real(section, "HOME_OFFSET", 0.0, sep);
    }
    return s;
}

StartupSettings load_startup_settings(const std::filesystem::path& program_dir) {
    const auto ini = ProfileFile::load(main_configuration_path(program_dir));
    return read_startup_settings(ini ? *ini : ProfileFile::parse(""));
}

ControllerSettings read_controller_settings(const ProfileFile& file, char separator) {
    ControllerSettings c;
    c.Acceleration = file.read_int("TRAJ", "ACCELERATION", c.Acceleration);
    c.MaxSps = file.read_int("TRAJ", "MAXSPS", c.MaxSps);
    c.StartVelocity = file.read_int("TRAJ", "START_VEL", c.StartVelocity);
    c.AccelScale = file.read_int("TRAJ", "ACCEL_SCALE", c.AccelScale);
    c.Contouring = file.read_int("CONTROLLER", "CONTOURING", c.Contouring);
    c.ControllerPort = file.read_int("CONTROLLER", "PORT", c.ControllerPort);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const char* section = AXIS_SECTIONS[axis];
        c.StepsPerUnit[axis] = file.read_real(section, "STEPS/MM", 100.0, separator);
        c.Backlash_steps[axis] = file.read_int(section, "BACKLASH", 0);
        c.AxisMaxSps[axis] = file.read_int(section, "MAX_SPS", c.MaxSps);
    }
    c.Backlash_steps[3] = file.read_int("AXIS_3", "BACKLASH", 0);
    c.AxisMaxSps[3] = file.read_int("AXIS_3", "MAX_SPS", c.MaxSps);
    c.StepsPerUnit[3] = file.read_real("AXIS_3", "STEPS/DEG", 100.0, separator);
    c.MinRpm = file.read_int("SPINDLE", "MINRPM", c.MinRpm);
    c.MaxRpm = file.read_int("SPINDLE", "MAXRPM", c.MaxRpm);
    c.MinPwmPercent = file.read_int("SPINDLE", "MINPWMPERCENT", c.MinPwmPercent);
    c.MaxPwmPercent = file.read_int("SPINDLE", "MAXPWMPERCENT", c.MaxPwmPercent);
    return c;
}

MachineSetup read_machine_setup(const ProfileFile& file) {
    MachineSetup m;
    m.DecimalSeparator = read_decimal_separator(file);
    const char sep = m.DecimalSeparator;
    // "g21" starts the interpreter in millimetres as "G21" does, so it is no inch setting either.
    m.UnitsInch = !same_ignoring_case(file.read_string("RS274NGC", "UNITS", "G21"), "G21");

    m.Port = file.read_int("CONTROLLER", "PORT", m.Port);
    m.Contouring = file.read_int("CONTROLLER", "CONTOURING", m.Contouring);
    m.InvertStepPulse = file.read_bool("CONTROLLER", "INVERTED", m.InvertStepPulse);

    m.MaxSps = file.read_int("TRAJ", "MAXSPS", m.MaxSps);
    m.Acceleration = file.read_int("TRAJ", "ACCELERATION", m.Acceleration);
    m.AccelScale = file.read_int("TRAJ", "ACCEL_SCALE", m.AccelScale);
    m.StartVelocity = file.read_int("TRAJ", "START_VEL", m.StartVelocity);
    m.HomingVel = file.read_int("TRAJ", "HOMING_VEL", m.HomingVel);
    m.FastJog = file.read_real("TRAJ", "FASTJOG", m.FastJog, sep);
    m.MedJog = file.read_real("TRAJ", "MEDJOG", m.MedJog, sep);
    m.SlowJog = file.read_real("TRAJ", "SLOWJOG", m.SlowJog, sep);

    m.MinX = file.read_real("MACHINE", "MINX", m.MinX, sep);
    m.MaxX = file.read_real("MACHINE", "MAXX", m.MaxX, sep);
    m.MinY = file.read_real("MACHINE", "MINY", m.MinY, sep);
    m.MaxY = file.read_real("MACHINE", "MAXY", m.MaxY, sep);
    m.MinZ = file.read_real("MACHINE", "MINZ", m.MinZ, sep);
    m.MaxZ = file.read_real("MACHINE", "MAXZ", m.MaxZ, sep);

    m.Grid = file.read_real("SCREEN", "GRID", m.Grid, sep);
    m.OpenGLResolution = file.read_real("SCREEN", "OpenGLResolution", m.OpenGLResolution, sep);
    m.Zero = file.read_real("SCREEN", "Zero", m.Zero, sep);
    m.SAFETY = file.read_bool("SCREEN", "SAFETY", m.SAFETY);
    m.HighLight = file.read_bool("SCREEN", "HighLight", m.HighLight);
    m.AutoRedraw = file.read_bool("SCREEN", "AutoRedraw", m.AutoRedraw);

    m.JogDistances = file.section_keys("JOGDIST");
    m.SpeedKeys = file.section_keys("SPEEDKEYS");

    for (std::size_t axis = 0; axis < AXIS_SECTIONS.size(); ++axis) {
        const char* section = AXIS_SECTIONS[axis];
        AxisSetup& a = m.Axes[axis];
        a.ReverseHoming = file.read_bool(section, "HOME_DIRECTION", a.ReverseHoming);
        a.HomePosition = file.read_real(section, "HOME_POSITION", a.HomePosition, sep);
        a.HomeOffset = file.read_real(section, "HOME_OFFSET", a.HomeOffset, sep);
        a.StepsPerUnit = file.read_real(section, "STEPS/MM", a.StepsPerUnit, sep);
        a.MaxSps = file.read_int(section, "MAX_SPS", a.MaxSps);
        a.Backlash_steps = file.read_int(section, "BACKLASH", a.Backlash_steps);
    }
    // The controller takes the A axis's steps from STEPS/DEG; the dialog shows that value wherever the
    // key exists, so what the operator sees is what the machine runs with.
    AxisSetup& a = m.Axes[3];
    a.StepsPerUnit = file.read_real("AXIS_3", "STEPS/DEG", a.StepsPerUnit, sep);
    m.CamDialect = is_cam_dialect(read_dialect(file));
    m.Language = file.read_string("LANGUAGE", "Language", "English");
    return m;
}

void write_machine_setup(ProfileFile& file, const MachineSetup& setup, char separator) {
    const auto real = [&](const char* section, const char* key, double value) {
        file.write_real(section, key, value, separator);
    };
    file.write_string("MACHINE", "Name", setup.Name);
    real("MACHINE", "MINX", setup.MinX);
    real("MACHINE", "MAXX", setup.MaxX);
    real("MACHINE", "MINY", setup.MinY);
    real("MACHINE", "MAXY", setup.MaxY);
    real("MACHINE", "MINZ", setup.MinZ);
    real("MACHINE", "MAXZ", setup.MaxZ);

    real("SCREEN", "Grid", setup.Grid);
    real("SCREEN", "OpenGlResolution", setup.OpenGLResolution);
    real("SCREEN", "Zero", setup.Zero);
    file.write_bool("SCREEN", "SAFETY", setup.SAFETY);
    file.write_bool("SCREEN", "Highlight", setup.HighLight);
    file.write_bool("SCREEN", "AutoRedraw", setup.AutoRedraw);

    file.write_int("CONTROLLER", "PORT", setup.Port);
    file.write_int("CONTROLLER", "CONTOURING", setup.Contouring);
    file.write_bool("CONTROLLER", "INVERTED", setup.InvertStepPulse);

    file.write_string("RS274NGC", "VARIABLE_FILE", DEFAULT_VARIABLE_FILE);
    file.write_string("RS274NGC", "UNITS", setup.UnitsInch ? "G20" : "G21");
    file.write_string("RS274NGC", "DecimalSeparator", std::string(1, separator));
    if (setup.CamDialect) file.write_string("RS274NGC", "DIALECT", *setup.CamDialect ? "CAM" : "STRICT");

    file.write_int("TRAJ", "HOMING_VEL", setup.HomingVel);
    file.write_int("TRAJ", "ACCELERATION", setup.Acceleration);
    file.write_int("TRAJ", "ACCEL_SCALE", setup.AccelScale);
    file.write_int("TRAJ", "MAXSPS", setup.MaxSps);
    file.write_int("TRAJ", "START_VEL", setup.StartVelocity);
    real("TRAJ", "FASTJOG", setup.FastJog);
    real("TRAJ", "MEDJOG", setup.MedJog);
    real("TRAJ", "SLOWJOG", setup.SlowJog);

    file.write_list("JOGDIST", setup.JogDistances);
    file.write_list("SPEEDKEYS", setup.SpeedKeys);
    file.write_list("MACHINENAMES", setup.MachineNames);

    for (std::size_t axis = 0; axis < AXIS_SECTIONS.size(); ++axis) {
        const char* section = AXIS_SECTIONS[axis];
        const AxisSetup& a = setup.Axes[axis];
        real(section, "HOME_POSITION", a.HomePosition);
        real(section, "HOME_OFFSET", a.HomeOffset);
        file.write_bool(section, "HOME_DIRECTION", a.ReverseHoming);
        real(section, "STEPS/MM", a.StepsPerUnit);
        // Both keys carry the A axis's steps, so the controller and the dialog agree.
        if (axis == 3) real(section, "STEPS/DEG", a.StepsPerUnit);
        file.write_int(section, "MAX_SPS", a.MaxSps);
        // Whole steps, written in the real's shortest form, which every reader takes as an int.
        file.write_int(section, "BACKLASH", a.Backlash_steps);
    }
    if (setup.Language) file.write_string("LANGUAGE", "Language", *setup.Language);
}

std::filesystem::path written_tool_table_path(const std::filesystem::path& program_dir) {
    return tool_table_path_for(main_configuration_path(program_dir));
}

std::optional<std::string> save_machine_setup(const std::filesystem::path& program_dir,
                                              const MachineSetup& setup, char separator,
                                              const std::vector<ToolEntry>* tools) {
    const auto machine_path = machine_configuration_path(program_dir, setup.Name);
    if (!machine_path) return "Cannot write the file of the machine \"" + setup.Name + "\": not a file name";
    std::vector<FileText> files;
    for (const std::filesystem::path& path : {*machine_path, main_configuration_path(program_dir)}) {
        ProfileFile file;
        if (auto error = load_for_writing(path, file)) return error;
        write_machine_setup(file, setup, separator);
        files.push_back({path, file.text()});
    }
    if (tools) {
        const auto table = written_tool_table_path(program_dir);
        if (auto error = unwritable_tool_table(table, *tools)) return error;
        files.push_back({table, format_tool_table(*tools)});
    }
    return write_text_files_atomically(files);
}

void write_colours(ProfileFile& file, const ToolPathColours& colours) {
    file.write_int("SCREEN", "Linear", colours.ColorLinear);
    file.write_int("SCREEN", "Rapid", colours.ColorRapid);
    file.write_int("SCREEN", "CW", colours.ColorCW);
    file.write_int("SCREEN", "CCW", colours.ColorCCW);
    file.write_int("SCREEN", "Background", colours.ColorBackground);
}

std::optional<std::string> save_colours(const std::filesystem::path& program_dir,
                                        const ToolPathColours& colours) {
    const auto path = main_configuration_path(program_dir);
    ProfileFile file;
    if (auto error = load_for_writing(path, file)) return error;
    write_colours(file, colours);
    return file.save(path);
}

}  // namespace zorvan::config
