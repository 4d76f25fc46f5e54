#include "config/settings_listing.h"

#include <array>

#include "config/machine_config.h"
#include "config/number_text.h"

namespace zorvan::config {

namespace {

class Listing {
  public:
    void group(const char* title) {
        text_ += "# ";
        text_ += title;
        text_ += '\n';
    }
    void value(std::string_view section, std::string_view key, std::string_view value) {
        text_ += section;
        text_ += '/';
        text_ += key;
        text_ += '=';
        text_ += value;
        text_ += '\n';
    }
    void value(std::string_view section, std::string_view key, int number) {
        value(section, key, std::to_string(number));
    }
    void value(std::string_view section, std::string_view key, bool flag) {
        value(section, key, flag ? 1 : 0);
    }
    void value(std::string_view section, std::string_view key, double number) {
        value(section, key, format_real(number, '.'));
    }
    void list(std::string_view section, const std::vector<std::string>& items) {
        for (const std::string& item : items) {
            text_ += section;
            text_ += '/';
            text_ += item;
            text_ += '\n';
        }
    }
    std::string text() && { return std::move(text_); }

  private:
    std::string text_;
};

constexpr std::array<const char*, 4> AXES = {"AXIS_0", "AXIS_1", "AXIS_2", "AXIS_3"};

}  // namespace

std::string list_settings(const ProfileFile& file) {
    Listing out;
    const StartupSettings s = read_startup_settings(file);
    out.group("start-up read");
    out.value("LANGUAGE", "Language", s.Language);
    out.value("LANGUAGE", "Keypad", s.Keypad);
    out.value("RS274NGC", "DecimalSeparator", std::string_view(&s.DecimalSeparator, 1));
    out.value("RS274NGC", "UNITS", s.Units);
    out.value("CONTROLLER", "VERSION", s.FirmwareVersion);
    out.value("CONTROLLER", "HOMELIM", s.HOMELIM);
    out.value("CONTROLLER", "INVERTED", s.InvertStepPulse);
    out.list("MACHINENAMES", s.MachineNames);
    out.value("TRAJ", "FASTJOG", s.FastJog);
    out.value("TRAJ", "MEDJOG", s.MedJog);
    out.value("TRAJ", "SLOWJOG", s.SlowJog);
    out.value("TRAJ", "HOMING_VEL", static_cast<int>(s.HomingVel));
    out.value("TRAJ", "MAXSPS", s.MaxSps);
    out.value("TRAJ", "AXES", s.AxisCount);
    out.value("MACHINE", "MINX", s.MinX);
    out.value("MACHINE", "MAXX", s.MaxX);
    out.value("MACHINE", "MINY", s.MinY);
    out.value("MACHINE", "MAXY", s.MaxY);
    out.value("MACHINE", "MINZ", s.MinZ);
    out.value("MACHINE", "MAXZ", s.MaxZ);
    out.value("MACHINE", "Name", s.MachineName);
    out.value("SCREEN", "GRID", s.Grid);
    out.value("SCREEN", "Linear", s.ColorLinear);
    out.value("SCREEN", "Rapid", s.ColorRapid);
    out.value("SCREEN", "CW", s.ColorCW);
    out.value("SCREEN", "CCW", s.ColorCCW);
    out.value("SCREEN", "Background", s.ColorBackground);
    out.value("SCREEN", "SAFETY", s.SAFETY);
    out.value("SCREEN", "HighLight", s.HighLight);
    out.value("SCREEN", "AutoRedraw", s.AutoRedraw);
    out.value("SCREEN", "OpenGLResolution", s.OpenGLResolution);
    out.list("JOGDIST", s.JogDistances);
    out.list("SPEEDKEYS", s.SpeedKeys);
    for (std::size_t axis = 0; axis < AXES.size(); ++axis) {
        out.value(AXES[axis], "HOME_DIRECTION", (s.HomeDirections & (1 << axis)) != 0);
        out.value(AXES[axis], "HOME_POSITION", s.HomePosition[axis]);
        out.value(AXES[axis], "HOME_OFFSET", s.HomeOffset[axis]);
    }

    out.group("interpreter read");
    out.value("RS274NGC", "VARIABLE_FILE", read_variable_file(file));
    out.value("RS274NGC", "DIALECT", read_dialect(file));

    const ControllerSettings c = read_controller_settings(file, s.DecimalSeparator);
    out.group("controller read");
    out.value("TRAJ", "ACCELERATION", c.Acceleration);
    out.value("TRAJ", "MAXSPS", c.MaxSps);
    out.value("TRAJ", "START_VEL", c.StartVelocity);
    out.value("TRAJ", "ACCEL_SCALE", c.AccelScale);
    out.value("CONTROLLER", "CONTOURING", c.Contouring);
    out.value("CONTROLLER", "PORT", c.ControllerPort);
    for (std::size_t axis = 0; axis < 3; ++axis) {
        out.value(AXES[axis], "STEPS/MM", c.StepsPerUnit[axis]);
        out.value(AXES[axis], "BACKLASH", c.Backlash_steps[axis]);
        out.value(AXES[axis], "MAX_SPS", c.AxisMaxSps[axis]);
    }
    out.value("AXIS_3", "BACKLASH", c.Backlash_steps[3]);
    out.value("AXIS_3", "MAX_SPS", c.AxisMaxSps[3]);
    out.value("AXIS_3", "STEPS/DEG", c.StepsPerUnit[3]);
    out.value("SPINDLE", "MINRPM", c.MinRpm);
    out.value("SPINDLE", "MAXRPM", c.MaxRpm);
    out.value("SPINDLE", "MINPWMPERCENT", c.MinPwmPercent);
    out.value("SPINDLE", "MAXPWMPERCENT", c.MaxPwmPercent);
    return std::move(out).text();
}

}  // namespace zorvan::config
