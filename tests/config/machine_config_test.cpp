#include "config/machine_config.h"

#include <gtest/gtest.h>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "config/text_file.h"

namespace zorvan::config {
namespace {

std::string crlf_lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

template <typename... T>
std::vector<double> values(T... numbers) {
    return {static_cast<double>(numbers)...};
}

// Where the readers' defaults differ, a file without the key gives each reader its own value.
TEST(MachineConfig, EachReaderKeepsItsOwnDefaults) {
    const ProfileFile empty;
    const auto s = read_startup_settings(empty);
    const auto c = read_controller_settings(empty, '.');
    const auto d = read_machine_setup(empty);
    EXPECT_EQ(values(c.MaxSps, c.Acceleration, c.AccelScale, c.ControllerPort, c.Contouring,
                     c.StepsPerUnit[0], c.StepsPerUnit[3], c.Backlash_steps[1], c.AxisMaxSps[2], c.MaxRpm),
              values(1000, 5000, 1, 0, 0, 100, 100, 0, 1000, 10000));
    EXPECT_EQ(values(d.MaxSps, d.Acceleration, d.AccelScale, d.Port, d.Contouring, d.Axes[0].StepsPerUnit,
                     d.Axes[3].StepsPerUnit, d.Axes[1].Backlash_steps, d.Axes[2].MaxSps, d.Zero),
              values(100, 100, 100, 1, 1, 0, 0, 100, 100, 0.1));
    EXPECT_EQ(values(s.MaxSps, s.OpenGLResolution, s.Grid, s.ColorBackground, s.HomingVel, s.FirmwareVersion,
                     s.MaxX, s.TableWidth),
              values(100, 10, 1, 16777215, 100, 1, 10, 10));
    EXPECT_EQ(s.Language, "English");
    EXPECT_EQ(s.Units, "G21");
    EXPECT_EQ(s.MachineName, "No Machine Loaded");
    EXPECT_TRUE(s.SAFETY);
}

TEST(MachineConfig, TheFilesSeparatorReadsEveryReal) {
    const auto file = ProfileFile::parse(
        "[RS274NGC]\r\nDecimalSeparator=,\r\n[MACHINE]\r\nMAXX=12,5\r\nMAXY=12.5\r\nMINX=-2,5\r\n"
        "[AXIS_0]\r\nSTEPS/MM=200,5\r\n[TRAJ]\r\nFASTJOG=2,25\r\n");
    const auto startup = read_startup_settings(file);
    EXPECT_EQ(startup.DecimalSeparator, ',');
    EXPECT_EQ(startup.MaxX, 12.5);
    EXPECT_EQ(startup.MaxY, 10.0);
    EXPECT_EQ(startup.TableWidth, 15.0);
    EXPECT_EQ(startup.TableDepth, 10.0);
    EXPECT_EQ(startup.FastJog, 2.25);
    EXPECT_EQ(read_controller_settings(file, startup.DecimalSeparator).StepsPerUnit[0], 200.5);
    const auto dialog = read_machine_setup(file);
    EXPECT_EQ(dialog.MaxX, 12.5);
    EXPECT_EQ(dialog.MaxY, 10.0);
    EXPECT_EQ(dialog.Axes[0].StepsPerUnit, 200.5);
}

TEST(MachineConfig, StartUpReadsTheFileAsWritten) {
    const auto file = ProfileFile::parse(
        "[SCREEN]\nOpenGlResolution=1\ngrid=2\nhighlight=1\nBackground=0xFF\n"
        "[CONTROLLER]\nPORT=0x3\nINVERTED=1\n"
        "[TRAJ]\nHOMING_VEL=70000\nAXES=4\n"
        "[AXIS_0]\nHOME_DIRECTION=2\n[AXIS_2]\nHOME_DIRECTION=1\nHOME_POSITION=-3.5\n[AXIS_3]\nHOME_OFFSET="
        "90\n"
        "[MACHINENAMES]\nmill=mill\nBench=Bench\nMill=Mill\nAlpha=Alpha\n"
        "[JOGDIST]\n10=10\n0.1=0.1\n");
    const auto s = read_startup_settings(file);
    EXPECT_EQ(s.OpenGLResolution, 1.5);
    EXPECT_EQ(read_machine_setup(file).OpenGLResolution, 1.0);
    EXPECT_EQ(s.Grid, 2.0);
    EXPECT_TRUE(s.HighLight);
    EXPECT_EQ(s.ColorBackground, 255);
    EXPECT_TRUE(s.InvertStepPulse);
    EXPECT_EQ(s.HomingVel, 70000 - 65536);
    EXPECT_EQ(s.AxisCount, 4);
    EXPECT_EQ(s.HomeDirections, 1 | 4);
    EXPECT_EQ(s.HomePosition[2], -3.5);
    EXPECT_EQ(s.HomeOffset[3], 90.0);
    EXPECT_EQ(s.MachineNames, (std::vector<std::string>{"Alpha", "Bench", "mill"}));
    EXPECT_EQ(s.JogDistances, (std::vector<std::string>{"10", "0.1"}));
    EXPECT_EQ(read_controller_settings(file, '.').ControllerPort, 3);
    EXPECT_EQ(read_machine_setup(file).Port, 3);
}

TEST(MachineConfig, AnAxisWithoutMaxSpsTakesTheMaxSpsTheControllerRead) {
    const auto file =
        ProfileFile::parse("[TRAJ]\nMAXSPS=700\n[AXIS_0]\nMAX_SPS=500\n[AXIS_3]\nSTEPS/MM=5\nSTEPS/DEG=40\n");
    const auto c = read_controller_settings(file, '.');
    EXPECT_EQ(c.AxisMaxSps, (std::array<int, 4>{500, 700, 700, 700}));
    EXPECT_EQ(c.StepsPerUnit[3], 40.0);
    EXPECT_EQ(read_startup_settings(file).MaxSps, 700);
}

TEST(MachineConfig, TheDialogShowsTheAAxisStepsTheControllerUses) {
    EXPECT_EQ(
        read_machine_setup(ProfileFile::parse("[AXIS_3]\nSTEPS/MM=5\nSTEPS/DEG=40\n")).Axes[3].StepsPerUnit,
        40.0);
    EXPECT_EQ(read_machine_setup(ProfileFile::parse("[AXIS_3]\nSTEPS/MM=5\n")).Axes[3].StepsPerUnit, 5.0);

    MachineSetup setup;
    setup.Axes[3].StepsPerUnit = 27.5;
    ProfileFile file;
    write_machine_setup(file, setup, '.');
    EXPECT_EQ(read_controller_settings(file, '.').StepsPerUnit[3], 27.5);
    EXPECT_EQ(file.read_real("AXIS_3", "STEPS/MM", 0.0, '.'), 27.5);
}

TEST(MachineConfig, UnitsAreInchUnlessTheFileSaysG21) {
    const std::pair<const char*, bool> cases[] = {{"", false},
                                                  {"UNITS=G21\n", false},
                                                  {"UNITS=g21\n", false},
                                                  {"UNITS=G20\n", true},
                                                  {"UNITS=mm\n", true}};
    for (const auto& [line, inch] : cases) {
        EXPECT_EQ(read_machine_setup(ProfileFile::parse(std::string("[RS274NGC]\n") + line)).UnitsInch, inch)
            << line;
    }
}

TEST(MachineConfig, AMissingOrEmptyVariableFileIsTheUsualOne) {
    EXPECT_EQ(read_variable_file(ProfileFile::parse("[RS274NGC]\nVARIABLE_FILE=\n")), "ZorvanNC.Var");
    EXPECT_EQ(read_variable_file(ProfileFile::parse("[rs274ngc]\nvariable_file=Bench.var\n")), "Bench.var");
}

// A new file comes out in the order of the setup dialog's write.
TEST(MachineConfigWriting, ANewFileTakesTheWritersOrder) {
    MachineSetup setup;
    setup.Name = "Bench";
    setup.MaxX = 12.5;
    setup.JogDistances = {"0.1", "1"};
    setup.SpeedKeys = {"G0 X0"};
    setup.MachineNames = {"Bench"};
    setup.Axes[3].Backlash_steps = 3;
    ProfileFile file;
    write_machine_setup(file, setup, ',');
    const std::string axis =
        crlf_lines({"HOME_POSITION=0", "HOME_OFFSET=0", "HOME_DIRECTION=0", "STEPS/MM=0"});
    EXPECT_EQ(file.text(), crlf_lines({"[MACHINE]",
                                       "Name=Bench",
                                       "MINX=0",
                                       "MAXX=12,5",
                                       "MINY=0",
                                       "MAXY=10",
                                       "MINZ=0",
                                       "MAXZ=10",
                                       "",
                                       "[SCREEN]",
                                       "Grid=1",
                                       "OpenGlResolution=10",
                                       "Zero=0,1",
                                       "SAFETY=1",
                                       "Highlight=0",
                                       "AutoRedraw=0",
                                       "",
                                       "[CONTROLLER]",
                                       "PORT=1",
                                       "CONTOURING=1",
                                       "INVERTED=0",
                                       "",
                                       "[RS274NGC]",
                                       "VARIABLE_FILE=ZorvanNC.Var",
                                       "UNITS=G21",
                                       "DecimalSeparator=,",
                                       "",
                                       "[TRAJ]",
                                       "HOMING_VEL=100",
                                       "ACCELERATION=100",
                                       "ACCEL_SCALE=100",
                                       "MAXSPS=100",
                                       "START_VEL=100",
                                       "FASTJOG=1",
                                       "MEDJOG=1",
                                       "SLOWJOG=1",
                                       "",
                                       "[JOGDIST]",
                                       "0.1=0.1",
                                       "1=1",
                                       "",
                                       "[SPEEDKEYS]",
                                       "G0 X0=G0 X0",
                                       "",
                                       "[MACHINENAMES]",
                                       "Bench=Bench",
                                       "",
                                       "[AXIS_0]"}) +
                               axis + crlf_lines({"MAX_SPS=100", "BACKLASH=100", "", "[AXIS_1]"}) + axis +
                               crlf_lines({"MAX_SPS=100", "BACKLASH=100", "", "[AXIS_2]"}) + axis +
                               crlf_lines({"MAX_SPS=100", "BACKLASH=100", "", "[AXIS_3]"}) + axis +
                               crlf_lines({"STEPS/DEG=0", "MAX_SPS=100", "BACKLASH=3"}));
}

MachineSetup unusual_setup() {
    MachineSetup m;
    m.Name = "East bench";
    m.MinX = -12.5, m.MaxX = 300.25, m.MinY = -1e-5, m.MaxY = 1e20, m.MinZ = -80, m.MaxZ = 0.125;
    m.Grid = 2.5, m.OpenGLResolution = 1, m.Zero = 3.75;
    m.SAFETY = false, m.HighLight = true, m.AutoRedraw = true;
    m.Port = 4, m.Contouring = 2500, m.InvertStepPulse = true, m.UnitsInch = true;
    m.HomingVel = 450, m.Acceleration = 250000, m.AccelScale = 0, m.MaxSps = 8000, m.StartVelocity = 45;
    m.FastJog = 12.5, m.MedJog = 2.25, m.SlowJog = 0.001;
    m.JogDistances = {"0,01", "0,1", "1"};
    m.SpeedKeys = {"G0 X0 Y0", "M3 S1000"};
    m.MachineNames = {"East bench", "West"};
    m.Axes = {{{-2, 0, false, 66.6666666666667, 7000, 0},
               {-0.5, 0.05, true, -133.333333333333, 7001, 5},
               {1, 0.1, false, 2032, 7002, 10},
               {2.5, 0.15, true, 17.7777777777778, 7003, 15}}};
    m.CamDialect = true;
    m.Language = "Deutsch";
    return m;
}

TEST(MachineConfigWriting, WhatIsWrittenReadsBackWithEitherSeparator) {
    for (const char separator : {'.', ','}) {
        SCOPED_TRACE(separator);
        MachineSetup setup = unusual_setup();
        setup.DecimalSeparator = separator;
        ProfileFile file;
        write_machine_setup(file, setup, separator);
        const auto text = file.text();
        MachineSetup read_back = read_machine_setup(ProfileFile::parse(text));
        read_back.Name = setup.Name;  // the dialog's read takes these from elsewhere
        read_back.MachineNames = setup.MachineNames;
        EXPECT_EQ(read_back, setup) << text;

        const auto startup = read_startup_settings(ProfileFile::parse(text));
        EXPECT_EQ(startup.MachineName, setup.Name);
        EXPECT_EQ(startup.MaxY, 1e20);
        EXPECT_EQ(startup.Units, "G20");
        EXPECT_EQ(startup.InvertStepPulse, true);
        EXPECT_EQ(startup.Language, "Deutsch");
        EXPECT_TRUE(is_cam_dialect(read_dialect(ProfileFile::parse(text))));
        const auto controller = read_controller_settings(ProfileFile::parse(text), startup.DecimalSeparator);
        EXPECT_EQ(controller.StepsPerUnit[1], setup.Axes[1].StepsPerUnit);
        EXPECT_EQ(controller.StepsPerUnit[3], setup.Axes[3].StepsPerUnit);
        EXPECT_EQ(controller.Backlash_steps[2], 10);
    }
}

TEST(MachineConfigWriting, HandWrittenKeysSurviveAndValuesChangeInPlace) {
    const std::string hand =
        crlf_lines({"; bench mill, east wall", "[LANGUAGE]", "Language=Deutsch", "[TRAJ]", "MAXSPS=900",
                    "AXES=4", "Custom=1", "[SPINDLE]", "MAXRPM=24000", "[JOGDIST]", "5=5", "; end"});
    auto file = ProfileFile::parse(hand);
    write_machine_setup(file, unusual_setup(), '.');
    const auto text = file.text();
    EXPECT_EQ(text.rfind(crlf_lines({"; bench mill, east wall", "[LANGUAGE]", "Language=Deutsch", "[TRAJ]",
                                     "MAXSPS=8000", "AXES=4", "Custom=1"}),
                         0),
              0u)
        << text;
    // The list section keeps its place and its comment, but not its old items.
    EXPECT_NE(text.find(crlf_lines({"[SPINDLE]", "MAXRPM=24000", "[JOGDIST]", "0,01=0,01", "0,1=0,1", "1=1",
                                    "; end", "", "[MACHINE]"})),
              std::string::npos)
        << text;
    EXPECT_EQ(read_controller_settings(file, '.').MaxRpm, 24000);
    EXPECT_EQ(read_startup_settings(file).Language, "Deutsch");
    EXPECT_EQ(file.section_keys("JOGDIST"), (std::vector<std::string>{"0,01", "0,1", "1"}));

    // A second save changes nothing more.
    write_machine_setup(file, unusual_setup(), '.');
    EXPECT_EQ(file.text(), text);
}

TEST(MachineConfigWriting, TheOptionsWriteTouchesOnlyTheColours) {
    auto file = ProfileFile::parse("[SCREEN]\r\nGRID=2\r\nCW=7\r\n");
    write_colours(file, {255, 32768, 16711680, 1, 0});
    EXPECT_EQ(file.text(), crlf_lines({"[SCREEN]", "GRID=2", "CW=16711680", "Linear=255", "Rapid=32768",
                                       "CCW=1", "Background=0"}));
    const auto s = read_startup_settings(file);
    EXPECT_EQ(s.ColorRapid, 32768);
    EXPECT_EQ(s.ColorBackground, 0);
}

class SavingFiles : public ::testing::Test {
  protected:
    zorvan::testing::TempDir temp;
    const std::filesystem::path& dir = temp.path();
};

TEST_F(SavingFiles, TheSetupGoesToTheMachinesFileAndThenTheMainFile) {
    std::ofstream(dir / "ZorvanNC.Ini") << "[SCREEN]\r\nLinear=255\r\n";
    const MachineSetup setup = unusual_setup();
    ASSERT_EQ(save_machine_setup(dir, setup, '.'), std::nullopt);
    const auto machine = ProfileFile::load(dir / "East bench.Ini");
    const auto main = ProfileFile::load(dir / "ZorvanNC.Ini");
    ASSERT_TRUE(machine && main);
    EXPECT_EQ(read_machine_setup(*machine).Axes, setup.Axes);
    EXPECT_EQ(read_startup_settings(*main).MachineName, "East bench");
    EXPECT_EQ(read_startup_settings(*main).ColorLinear, 255);
    EXPECT_FALSE(machine->find("SCREEN", "Linear"));

    ASSERT_EQ(save_colours(dir, {1, 2, 3, 4, 5}), std::nullopt);
    EXPECT_EQ(read_startup_settings(*ProfileFile::load(dir / "ZorvanNC.Ini")).ColorCCW, 4);
    EXPECT_EQ(ProfileFile::load(dir / "East bench.Ini")->text(), machine->text());
}

// With the tool list, the tool table beside the main file is the third file of one save; a failure of any
// of the three leaves all of them as they were.
TEST_F(SavingFiles, TheSetupAndTheToolTableAreSavedAllOrNothing) {
    const std::string main_text = "[TRAJ]\r\nMAXSPS=900\r\n";
    std::ofstream(dir / "ZorvanNC.Ini") << main_text;
    std::vector<ToolEntry> tools = {{}, {7, 2.5, 0.5, StyleVee, 90, "engraver"}};
    const MachineSetup setup = unusual_setup();

    std::vector<ToolEntry> long_comment = tools;
    long_comment[1].Comment.assign(10000, 'x');
    {
        const zorvan::testing::FileSizeLimit limit(8192);
        const auto failure = save_machine_setup(dir, setup, '.', &long_comment);
        ASSERT_TRUE(failure);
        EXPECT_NE(failure->find("ZorvanNC.tbl"), std::string::npos) << *failure;
    }
    std::vector<ToolEntry> not_a_number = tools;
    not_a_number[1].Length = std::nan("");
    EXPECT_TRUE(save_machine_setup(dir, setup, '.', &not_a_number));
    EXPECT_EQ(read_text_file(dir / "ZorvanNC.Ini"), main_text);
    EXPECT_FALSE(std::filesystem::exists(dir / "East bench.Ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "ZorvanNC.tbl"));

    ASSERT_EQ(save_machine_setup(dir, setup, '.', &tools), std::nullopt);
    EXPECT_EQ(written_tool_table_path(dir), dir / "ZorvanNC.tbl");
    EXPECT_EQ(read_text_file(dir / "ZorvanNC.tbl"), format_tool_table(tools));
    EXPECT_EQ(read_machine_setup(*ProfileFile::load(dir / "ZorvanNC.Ini")).MaxSps, setup.MaxSps);
    EXPECT_TRUE(std::filesystem::exists(dir / "East bench.Ini"));
}

TEST_F(SavingFiles, AFailedSaveSaysSoAndLeavesTheMainFileAlone) {
    const std::string main_text = "[TRAJ]\r\nMAXSPS=900\r\n";
    std::ofstream(dir / "ZorvanNC.Ini") << main_text;
    MachineSetup setup;
    for (const char* name : {"", "..", "../outside", "a/b"}) {
        setup.Name = name;
        EXPECT_TRUE(save_machine_setup(dir, setup, '.')) << name;
    }
    // A machine file that is there but cannot be read is not replaced by one without its keys.
    std::filesystem::create_directory(dir / "Mill.Ini");
    setup.Name = "Mill";
    const auto error = save_machine_setup(dir, setup, '.');
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("Mill.Ini"), std::string::npos) << *error;
    EXPECT_EQ(read_text_file(dir / "ZorvanNC.Ini"), main_text);
    EXPECT_EQ(machine_configuration_path(dir, "Mill"), dir / "Mill.Ini");
}

}  // namespace
}  // namespace zorvan::config
