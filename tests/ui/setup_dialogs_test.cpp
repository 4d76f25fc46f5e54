// Setup > Options and Setup > Setup Machine driven over the operator program's window: what each page
// shows, what Save writes (read back from the files), what a refused or failed save leaves, the start-up
// run again, the colours on the view, the acceleration plot, and pictures of the pages checked by content.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

#include <fstream>

#include "config/machine_config.h"
#include "config/profile_file.h"
#include "support/file_size_limit.h"
#include "ui/accel_plot.h"
#include "ui/colors_dialog.h"
#include "ui/main_window_fixture.h"
#include "ui/parameters_dialog.h"
#include "ui/tool_path_widget.h"

namespace zorvan::ui {
namespace {

constexpr const char* kIni =
    "[MACHINE]\nName=Bench\nMINX=0\nMAXX=200\nMINY=0\nMAXY=150\nMINZ=-50\nMAXZ=100\n"
    "[SCREEN]\nGrid=10\nLinear=0\nBackground=16777215\n"
    "[RS274NGC]\nUNITS=G21\nDecimalSeparator=.\n"
    "[CONTROLLER]\nPORT=1\nCONTOURING=1\n"
    "[TRAJ]\nAXES=3\nMAXSPS=16000\nSTART_VEL=800\nACCELERATION=600000\nACCEL_SCALE=8\nHOMING_VEL=2000\n"
    "FASTJOG=25\nMEDJOG=5\nSLOWJOG=0.5\n"
    "[AXIS_0]\nSTEPS/MM=100\nMAX_SPS=16000\nHOME_POSITION=-1\n"
    "[AXIS_1]\nSTEPS/MM=100\nMAX_SPS=16000\n"
    "[AXIS_2]\nSTEPS/MM=100\nMAX_SPS=10000\nHOME_DIRECTION=1\n"
    "[JOGDIST]\n0.1=0.1\n1=1\n[SPEEDKEYS]\nM5=M5\n[MACHINENAMES]\nBench=Bench\n";

constexpr const char* kTable =
    "SLOT    ID     LEN     DIAM    STYLE    ANG/RAD      COMMENT\r\n"
    "STYLE:  1=BALL  2=VEE   3=Bull   0=End\r\n"
    "\r\n"
    "0       0      0.0      0.0      0        0.0         Tool Reset\r\n"
    "1      1      35      6      0      0       6 mm end mill\r\n"
    "2      2      30      3.175      2      90       engraver\r\n";

// Pixels clearly darker than a light background inside `area`.
int DarkPixels(const QImage& image, QRect area) {
    int dark = 0;
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            dark += QColor(image.pixel(x, y)).lightness() < 110;
    }
    return dark;
}

// The picture of a widget, kept where ZORVAN_SHOTS names a folder, for a person to look at.
QImage Shot(QWidget* widget, const char* name) {
    const QImage image = widget->grab().toImage();
    const QByteArray folder = qgetenv("ZORVAN_SHOTS");
    if (!folder.isEmpty()) image.save(QString::fromLocal8Bit(folder) + "/" + name + ".png");
    return image;
}

class SetupDialogs : public MainWindow {
  protected:
    void StartWith(bool with_board, const std::string& ini = kIni) {
        WriteIni(ini);
        ASSERT_FALSE(config::write_text_file_atomically(temp.path() / "ZorvanNC.tbl", kTable));
        Start(with_board);
        messages.clear();
    }
    TfrmParameters* OpenSetup() {
        window->SetupMachine1Click();
        TfrmParameters* dialog = window->ParametersDialog();
        EXPECT_TRUE(dialog->isVisible());
        return dialog;
    }
    // Typed into a field and the field left.
    static void Type(TCommonEdit* field, const QString& text) {
        field->setText(text);
        field->Reformat();
    }
    std::string File(const std::string& name) const {
        return config::read_text_file(temp.path() / name).value_or("<none>");
    }
    config::ProfileFile Ini(const std::string& name) const { return config::ProfileFile::parse(File(name)); }
};

TEST_F(SetupDialogs, EveryPageShowsTheValuesInForce) {
    StartWith(false);
    TfrmParameters* d = OpenSetup();
    EXPECT_EQ(d->windowTitle(), "Machine Configuration");
    EXPECT_EQ(d->cmbMachine->currentText(), "Bench");
    EXPECT_EQ(d->txtMaxVel->text(), "16000");
    EXPECT_EQ(d->txtStartVel->text(), "800");
    EXPECT_EQ(d->txtAccel->text(), "600000");
    EXPECT_EQ(d->txtScale->text(), "8");
    EXPECT_EQ(d->txtHomeVel->text(), "2000");
    EXPECT_EQ(d->txtSlowJogVel->text(), "0.50");
    EXPECT_EQ(d->txtStepsMM[0]->text(), "100.0000000");
    EXPECT_EQ(d->txtHomePosition[0]->text(), "-1.000");
    EXPECT_TRUE(d->chkHomeDir[2]->isChecked());
    EXPECT_EQ(d->txtMaxVelAxis[2]->text(), "10000");
    EXPECT_TRUE(d->gbAxis[3]->isHidden());  // three axes
    EXPECT_EQ(d->txtXMax->text(), "200.0");
    EXPECT_EQ(d->txtGrid->text(), "10.0");
    EXPECT_EQ(d->txtSeperator->text(), ".");
    EXPECT_FALSE(d->txtSeperator->isEnabled());
    EXPECT_EQ(d->txtPort->currentData().toInt(), 1);
    EXPECT_TRUE(d->rbMM->isChecked());
    EXPECT_EQ(d->cmbJog->count(), 2);
    EXPECT_EQ(d->cmbSpeed->itemText(0), "M5");
    ASSERT_EQ(d->sgTool->rowCount(), 2);
    const char* const row2[7] = {"2", "2", "30.000", "3.175", "Vee", "90.000", "engraver"};
    for (int column = 0; column < 7; ++column)
        EXPECT_EQ(d->sgTool->item(1, column)->text(), row2[column]) << column;
}

// Every page changed, then Save: both configuration files and the tool table read back.
TEST_F(SetupDialogs, SaveWritesEveryPageAndTheToolTable) {
    StartWith(false);
    TfrmParameters* d = OpenSetup();
    d->cmbMachine->setEditText("Bench 2");
    Type(d->txtHomeVel, "1500");
    Type(d->txtFastJogVel, "30");
    d->chkInvertStepPulse->setChecked(true);
    Type(d->txtStepsMM[1], "250.5");
    Type(d->txtBacklash[0], "3");
    d->chkHomeDir[0]->setChecked(true);
    Type(d->txtYMax, "180");
    Type(d->txtGrid, "5");
    d->rbInch->setChecked(true);
    d->chkDialect->setChecked(true);
    d->chkRedraw->setChecked(true);
    d->txtJogNew->setText("5");
    d->cmbJog->setCurrentIndex(0);
    d->btnAddJogClick();
    d->sgTool->item(0, 2)->setText("36.5");
    d->sgTool->item(1, 4)->setText("Bull");

    ASSERT_TRUE(d->btnSaveClick());
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(messages, Messages{"Controller not detected..."});  // the start-up ran again, without a board
    for (const char* name : {"Bench 2.Ini", "ZorvanNC.Ini"}) {
        SCOPED_TRACE(name);
        const config::MachineSetup m = config::read_machine_setup(Ini(name));
        EXPECT_EQ(m.HomingVel, 1500);
        EXPECT_DOUBLE_EQ(m.FastJog, 30);
        EXPECT_TRUE(m.InvertStepPulse);
        EXPECT_DOUBLE_EQ(m.Axes[1].StepsPerUnit, 250.5);
        EXPECT_EQ(m.Axes[0].Backlash_steps, 3);
        EXPECT_TRUE(m.Axes[0].ReverseHoming);
        EXPECT_DOUBLE_EQ(m.Axes[0].HomePosition, -1);
        EXPECT_DOUBLE_EQ(m.MaxY, 180);
        EXPECT_DOUBLE_EQ(m.Grid, 5);
        EXPECT_TRUE(m.UnitsInch);
        EXPECT_EQ(m.CamDialect, true);
        EXPECT_TRUE(m.AutoRedraw);
        EXPECT_EQ(m.JogDistances, (std::vector<std::string>{"0.1", "5", "1"}));
        EXPECT_EQ(m.MaxSps, 16000);
    }
    EXPECT_EQ(Ini("ZorvanNC.Ini").section_keys("MACHINENAMES"),
              (std::vector<std::string>{"Bench", "Bench 2"}));
    EXPECT_EQ(Ini("ZorvanNC.Ini").read_string("MACHINE", "Name", ""), "Bench 2");
    const auto tools = config::parse_tool_table(File("ZorvanNC.tbl"));
    ASSERT_EQ(tools.size(), 3u);
    EXPECT_DOUBLE_EQ(tools[1].entry.Length, 36.5);
    EXPECT_EQ(tools[2].entry.Style, config::StyleBull);
    EXPECT_DOUBLE_EQ(tools[2].entry.Diameter, 3.175);

    // The start-up ran again: the window took the new settings and the tool table.
    EXPECT_EQ(window->Settings().MachineName, "Bench 2");
    EXPECT_EQ(window->Settings().Units, "G20");
    EXPECT_DOUBLE_EQ(window->Canon().ToolList()[1].Length, 36.5);
    // Opened again, the dialog shows what was saved.
    d = OpenSetup();
    EXPECT_EQ(d->txtHomeVel->text(), "1500");
    EXPECT_TRUE(d->rbInch->isChecked());
    EXPECT_EQ(d->cmbMachine->findText("Bench 2"), 1);
}

struct Refusal {
    QString name;
    const char* message;
};

// A refused save writes nothing and keeps the dialog open with what was typed.
TEST_F(SetupDialogs, RefusedNamesKeepTheDialogAndTheFiles) {
    StartWith(false);
    const std::string ini = File("ZorvanNC.Ini");
    const std::vector<Refusal> refusals = {{"", "Machine Name is Blank."},
                                           {"   ", "Machine Name is Blank."},
                                           {"zorvannc", "Machine Name is Blank."},
                                           {"TormelCNC", "Machine Name is Blank."},
                                           {"a/b",
                                            "Cannot write the file of the machine \"a/b\": not a file name. "
                                            "Nothing was saved."}};
    TfrmParameters* d = OpenSetup();
    Type(d->txtAccel, "12345");
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name.toStdString());
        messages.clear();
        d->cmbMachine->setEditText(r.name);
        EXPECT_FALSE(d->btnSaveClick());
        EXPECT_EQ(messages, Messages{r.message});
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->txtAccel->text(), "12345");
        EXPECT_EQ(File("ZorvanNC.Ini"), ini);
        EXPECT_EQ(File("ZorvanNC.tbl"), kTable);
    }
}

struct VelocityCase {
    int x, y, z, max;
    bool warned;
};

TEST_F(SetupDialogs, MaxVelocityWarningLetsTheSaveGoOn) {
    StartWith(false);
    const std::vector<VelocityCase> cases = {{500, 800, 600, 800, false}, {500, 800, 600, 700, true}};
    for (const VelocityCase& c : cases) {
        SCOPED_TRACE(c.max);
        TfrmParameters* d = OpenSetup();
        messages.clear();
        d->txtMaxVelAxis[0]->SetValue(c.x);
        d->txtMaxVelAxis[1]->SetValue(c.y);
        d->txtMaxVelAxis[2]->SetValue(c.z);
        d->txtMaxVel->SetValue(c.max);
        d->txtStartVel->SetValue(100);  // below both, so the controller start-up has nothing to correct
        EXPECT_TRUE(d->btnSaveClick());
        Messages expected{"Controller not detected..."};
        if (c.warned)
            expected.insert(expected.begin(),
                            "Warning: Max Velocity does not equel the Max velocity of XYZ Axis.");
        EXPECT_EQ(messages, expected);
        EXPECT_EQ(Ini("ZorvanNC.Ini").read_int("TRAJ", "MAXSPS", 0), c.max);
    }
}

struct CellCase {
    int column;
    QString text;
    std::string message;
};

// A cell that does not convert stops the save before any file is touched.
TEST_F(SetupDialogs, AToolCellThatDoesNotConvertLeavesEveryFileAsItWas) {
    StartWith(false);
    const std::string ini = File("ZorvanNC.Ini");
    const std::vector<CellCase> cases = {{2, "abc", "'abc' is not a valid floating point value"},
                                         {3, "", "'' is not a valid floating point value"},
                                         {5, "1,5", "'1,5' is not a valid floating point value"},
                                         {1, "x1", "'x1' is not a valid integer value"}};
    for (const CellCase& c : cases) {
        SCOPED_TRACE(c.message);
        TfrmParameters* d = OpenSetup();
        messages.clear();
        Type(d->txtHomeVel, "1234");
        d->sgTool->item(1, c.column)->setText(c.text);
        EXPECT_FALSE(d->btnSaveClick());
        EXPECT_EQ(messages, Messages{c.message});
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->sgTool->item(1, c.column)->text(), c.text);
        EXPECT_EQ(File("ZorvanNC.tbl"), kTable);
        EXPECT_EQ(File("ZorvanNC.Ini"), ini);
        EXPECT_FALSE(std::filesystem::exists(temp.path() / "Bench.Ini"));
        d->Button1Click();
    }
}

// The tool table cannot be written (its long comment is more than the disk takes): the configuration
// files written before it are put back, and the operator is told.
TEST_F(SetupDialogs, AFailedWriteLeavesEveryFileAsItWasAndSaysSo) {
    StartWith(false);
    const std::string ini = File("ZorvanNC.Ini");
    TfrmParameters* d = OpenSetup();
    Type(d->txtHomeVel, "1234");
    d->sgTool->item(0, 6)->setText(QString(10000, 'x'));
    {
        const zorvan::testing::FileSizeLimit limit(8192);
        EXPECT_FALSE(d->btnSaveClick());
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("ZorvanNC.tbl"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("Nothing was saved."), std::string::npos) << messages[0];
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->txtHomeVel->text(), "1234");
    EXPECT_EQ(File("ZorvanNC.Ini"), ini);
    EXPECT_EQ(File("ZorvanNC.tbl"), kTable);
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "Bench.Ini"));
    EXPECT_EQ(window->Settings().HomingVel, 2000);  // the start-up did not run again
}

// Steps per mm changed and saved: the controller is started again with them, and a move of 2 mm is
// 500 steps on the board.
TEST_F(SetupDialogs, TheStartUpRunsAgainAndTheBoardTakesTheNewSteps) {
    StartWith(true);
    window->btnStopClick();
    window->Manual().ExecuteCommand("G0 X2");
    EXPECT_EQ(BoardPosition(*board)[0], 200);
    TfrmParameters* d = OpenSetup();
    Type(d->txtStepsMM[0], "250");
    ASSERT_TRUE(d->btnSaveClick());
    EXPECT_TRUE(window->Controller().ControllerPresent);
    EXPECT_TRUE(window->Controller().EStopActive);  // a started controller waits in the emergency stop
    EXPECT_EQ(window->Runner().StartLine, 0);
    EXPECT_DOUBLE_EQ(window->Canon().UnitsPerStep[0], 1.0 / 250);
    window->btnStopClick();
    window->Manual().ExecuteCommand("G0 X2");
    EXPECT_EQ(BoardPosition(*board)[0], 500);
}

TEST_F(SetupDialogs, TheMachineBoxLoadsAMachinesFileAndNotTheTools) {
    StartWith(false);
    ASSERT_FALSE(config::write_text_file_atomically(
        temp.path() / "Mill.Ini", "[TRAJ]\nMAXSPS=1234\n[JOGDIST]\n2=2\n[AXIS_3]\nSTEPS/DEG=7\n"));
    TfrmParameters* d = OpenSetup();
    d->sgTool->item(0, 6)->setText("edited");
    d->cmbMachineClick("Mill");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(d->txtMaxVel->text(), "1234");
    EXPECT_EQ(d->txtAccel->text(), "100");  // the dialog's own default
    EXPECT_EQ(d->txtStepsMM[3]->text(), "7.0000000");
    EXPECT_EQ(d->cmbJog->count(), 1);
    EXPECT_EQ(d->cmbMachine->currentText(), "Mill");
    EXPECT_EQ(d->sgTool->item(0, 6)->text(), "edited");
    d->cmbMachineClick("Nowhere");
    EXPECT_EQ(messages, Messages{"ZorvanNC.Ini file not found.  Loading defaults..."});
    EXPECT_EQ(d->txtMaxVel->text(), "100");
    EXPECT_EQ(d->cmbJog->count(), 0);
}

TEST_F(SetupDialogs, JogDistancesAndSpeedKeysAreAddedAfterTheSelectionAndDeleted) {
    StartWith(false);
    TfrmParameters* d = OpenSetup();
    d->btnAddJogClick();
    EXPECT_EQ(messages, Messages{"Text field is blank!"});
    d->cmbJog->setCurrentIndex(0);
    d->txtJogNew->setText("0.5");
    d->btnAddJogClick();
    EXPECT_EQ(d->cmbJog->itemText(1), "0.5");
    EXPECT_EQ(d->cmbJog->currentIndex(), 1);
    d->txtJogNew->setText("a=b");
    d->btnAddJogClick();
    EXPECT_EQ(d->cmbJog->count(), 3);  // a key name cannot hold "="
    EXPECT_EQ(messages.size(), 2u);
    d->cmbJog->setCurrentIndex(0);
    d->btnDeleteJogClick();
    EXPECT_EQ(d->cmbJog->itemText(0), "0.5");
    EXPECT_EQ(d->cmbJog->currentIndex(), 1);  // the last item
    d->txtSpeedNew->setText("G0 Z10");
    d->btnAddSpeedClick();
    d->btnDeleteSpeedClick();
    d->btnDeleteSpeedClick();
    EXPECT_EQ(d->cmbSpeed->count(), 0);
    d->btnDeleteSpeedClick();  // nothing left to delete
    ASSERT_TRUE(d->btnSaveClick());
    EXPECT_EQ(window->Settings().JogDistances, (std::vector<std::string>{"0.5", "1"}));
    EXPECT_TRUE(window->Settings().SpeedKeys.empty());
}

// Add Tool and Remove Tool change only the grid and the dialog's list until Save; Close drops them.
TEST_F(SetupDialogs, ToolsAreAddedAndRemovedAndRenumbered) {
    StartWith(false);
    TfrmParameters* d = OpenSetup();
    d->btnAddToolClick();
    ASSERT_EQ(d->sgTool->rowCount(), 3);
    const char* const added[7] = {"3", "3", "1.000", "1.000", "Vee", "0.000", "New Tool"};
    for (int column = 0; column < 7; ++column)
        EXPECT_EQ(d->sgTool->item(2, column)->text(), added[column]) << column;
    d->Button1Click();
    EXPECT_EQ(window->Canon().ToolList().size(), 3u);

    d = OpenSetup();
    EXPECT_EQ(d->sgTool->rowCount(), 2);
    d->btnAddToolClick();
    d->sgTool->item(2, 6)->setText("third");
    Type(d->txtHomeVel, "999");
    d->sgTool->setCurrentCell(0, 1);
    d->Button2Click();
    EXPECT_EQ(d->sgTool->rowCount(), 2);
    EXPECT_EQ(d->sgTool->item(0, 0)->text(), "1");
    EXPECT_EQ(d->sgTool->item(1, 6)->text(), "third");
    EXPECT_EQ(d->txtHomeVel->text(), "999");  // the other pages keep what was typed
    ASSERT_TRUE(d->btnSaveClick());
    const auto tools = config::parse_tool_table(File("ZorvanNC.tbl"));
    ASSERT_EQ(tools.size(), 3u);
    EXPECT_EQ(tools[1].slot, 1);
    EXPECT_EQ(tools[1].entry.Comment, "engraver");
    EXPECT_EQ(tools[2].slot, 2);
    EXPECT_EQ(tools[2].entry.Id, 3);
    EXPECT_EQ(tools[2].entry.Comment, "third");
}

TEST_F(SetupDialogs, TheToolTablePrintsToAPdfFile) {
    StartWith(false);
    TfrmParameters* d = OpenSetup();
    const auto lines = ToolTableLines(window->Canon().ToolList());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "SLOT    ID     LEN     DIAM      STYLE   ANG/RAD      COMMENT");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[3], "2          2     30.0000   3.1750     Vee     90.0000        engraver");
    const QString pdf = QString::fromStdString((temp.path() / "tools.pdf").string());
    d->ConfirmPrint = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    d->btnPrintClick();
    EXPECT_EQ(File("tools.pdf").substr(0, 4), "%PDF");
    std::filesystem::remove(temp.path() / "tools.pdf");
    d->ConfirmPrint = [](QPrinter&) { return false; };  // the print dialog cancelled
    d->btnPrintClick();
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "tools.pdf"));
}

struct ProfileCase {
    int start, max, acceleration, scale;
    const char* time;
};

TEST_F(SetupDialogs, ThePlotShowsTheRampAndItsTotalTime) {
    StartWith(false);
    TfrmParameters* d = OpenSetup();
    const std::vector<ProfileCase> cases = {{600, 1000, 10000000, 1, "0.244"},
                                            {1200, 1000, 10000000, 1, "0.244"}};
    for (const ProfileCase& c : cases) {
        d->txtStartVel->SetValue(c.start);
        d->txtMaxVel->SetValue(c.max);
        d->txtAccel->SetValue(c.acceleration);
        d->txtScale->SetValue(c.scale);
        EXPECT_EQ(d->lblMaxTime->text(), c.time);
        EXPECT_EQ(d->DrawAccel->Profile().MaxVelocity, c.max);
    }
    // The start velocity above the maximum is plotted lowered and written back only when a field is left.
    EXPECT_EQ(d->txtStartVel->text(), "1200");
    d->txtMaxVel->OnExit();
    EXPECT_EQ(d->txtStartVel->text(), "1000");
    // A known ramp's time as the controller runs it: 100 to 1000 steps/s at 5000 steps/s².
    d->txtStartVel->SetValue(100);
    d->txtAccel->SetValue(5000);
    machine::ProfileFields fields{100, 1000, 5000, 1};
    EXPECT_EQ(d->lblMaxTime->text().toStdString(), machine::DrawProfile(fields).TimeLabel);
}

// The pictures of the pages, checked by what they must show.
TEST_F(SetupDialogs, PicturesOfThePages) {
    StartWith(false);
    TfrmParameters* d = OpenSetup();
    d->resize(1000, 600);
    QApplication::processEvents();

    d->PageControl1->setCurrentIndex(0);
    QApplication::processEvents();
    const QImage velocities = Shot(d, "setup_velocities");
    const TAccelPlot* plot = d->DrawAccel;
    const QPoint plot_at = plot->mapTo(d, QPoint(0, 0));
    // The curve: every plotted point of the ramp is ink on the white background.
    int on_curve = 0, points = 0;
    for (const machine::ProfilePoint& p : plot->Profile().Polyline) {
        const QPointF at = plot->PixelOf(p.x, p.y);
        if (!plot->PlotArea().contains(at.toPoint())) continue;
        ++points;
        on_curve += DarkPixels(velocities, QRect(plot_at + at.toPoint() - QPoint(1, 1), QSize(3, 3))) > 0;
    }
    EXPECT_GT(points, 100);
    EXPECT_EQ(on_curve, points);
    // Above the top speed there is no ink but the grid's faint lines.
    const QRect above(
        plot_at +
            plot->PixelOf(plot->Profile().MaxVelocity * 0.5, plot->Profile().MaxVelocity * 1.06).toPoint(),
        QSize(20, 2));
    EXPECT_EQ(DarkPixels(velocities, above), 0);
    // The axis marks and the time are written.
    EXPECT_GT(DarkPixels(velocities, QRect(plot_at, QSize(plot->PlotArea().left(), plot->height()))), 50);
    EXPECT_GT(DarkPixels(velocities, QRect(d->lblMaxTime->mapTo(d, QPoint(0, 0)), d->lblMaxTime->size())),
              10);
    EXPECT_EQ(d->lblMaxTime->text(), plot->Profile().TimeLabel.c_str());

    d->PageControl1->setCurrentIndex(1);
    QApplication::processEvents();
    const QImage axes = Shot(d, "setup_axes");
    for (std::size_t axis = 0; axis < 3; ++axis) {
        QLineEdit* field = d->txtStepsMM[axis];
        EXPECT_GT(DarkPixels(axes, QRect(field->mapTo(d, QPoint(0, 0)), field->size())), 20) << axis;
    }
    EXPECT_FALSE(d->gbAxis[3]->isVisible());

    d->PageControl1->setCurrentIndex(2);
    QApplication::processEvents();
    const QImage setup = Shot(d, "setup_tormelcnc");
    for (QWidget* shown : std::initializer_list<QWidget*>{d->cmbJog, d->txtXMax, d->rbMM, d->chkDialect}) {
        EXPECT_TRUE(shown->isVisible());
        EXPECT_GT(DarkPixels(setup, QRect(shown->mapTo(d, QPoint(0, 0)), shown->size())), 20)
            << shown->objectName().toStdString();
    }

    d->PageControl1->setCurrentIndex(3);
    QApplication::processEvents();
    const QImage tools = Shot(d, "setup_tools");
    const QRect row = d->sgTool->visualItemRect(d->sgTool->item(1, 6));
    const QPoint grid_at = d->sgTool->viewport()->mapTo(d, QPoint(0, 0));
    EXPECT_GT(DarkPixels(tools, row.translated(grid_at)), 20);  // "engraver"
    const QRect empty_row = row.translated(grid_at + QPoint(0, 3 * row.height()));
    EXPECT_EQ(DarkPixels(tools, empty_row.adjusted(2, 2, -2, -2)), 0);  // two tools, no third row
}

class OptionsDialog : public SetupDialogs {
  protected:
    TfrmColors* OpenOptions(std::vector<int> picks) {
        window->Colors1Click();
        TfrmColors* d = window->ColorsDialog();
        EXPECT_TRUE(d->isVisible());
        d->PickColour = [picks, next = std::size_t{0}](int) mutable -> std::optional<int> {
            const int pick = next < picks.size() ? picks[next++] : -1;
            if (pick < 0) return std::nullopt;  // the picker cancelled
            return pick;
        };
        return d;
    }
    // A pixel of the view's left margin, beside the table and away from the axes and the corner labels.
    QColor ViewPixel() {
        QApplication::processEvents();
        const QImage view = Shot(window->Child("Draw3D"), "options_view");
        return view.pixelColor(3, view.height() / 4);
    }
};

// Red background, blue feed moves: the view shows them at once, Save writes them to the main file only.
TEST_F(OptionsDialog, PickedColoursReachTheViewAndSaveWritesThem) {
    StartWith(false);
    TfrmColors* d = OpenOptions({255, 16711680});
    EXPECT_EQ(d->windowTitle(), "Options");
    EXPECT_EQ(d->pnlBack->Colour(), 16777215);
    d->PanelClick(4);
    d->PanelClick(0);
    EXPECT_EQ(d->pnlBack->Colour(), 255);
    EXPECT_EQ(window->View().ColorLinear, 16711680);
    d->Button1Click();
    EXPECT_EQ(messages, Messages{"Options Saved!"});
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(ViewPixel(), QColor(255, 0, 0));
    EXPECT_EQ(Ini("ZorvanNC.Ini").read_int("SCREEN", "Background", 0), 255);
    EXPECT_EQ(Ini("ZorvanNC.Ini").read_int("SCREEN", "Linear", 0), 16711680);
    EXPECT_EQ(Ini("ZorvanNC.Ini").read_int("SCREEN", "Grid", 0), 10);  // nothing else changed

    // A feed move of a preview is drawn in the new colour.
    window->mnuEditModeClick();
    LoadProgram("G1 X150 Y100 F500\nM2\n");
    window->btnAllClick();
    const QImage view = window->Child("Draw3D")->grab().toImage();
    int blue = 0;
    for (int y = 0; y < view.height(); ++y) {
        for (int x = 0; x < view.width(); ++x)
            blue += view.pixelColor(x, y) == QColor(0, 0, 255);
    }
    EXPECT_GT(blue, 50);
}

TEST_F(OptionsDialog, CancelKeepsPickedColoursWithoutWritingThem) {
    StartWith(false);
    const std::string ini = File("ZorvanNC.Ini");
    TfrmColors* d = OpenOptions({-1, 32768});
    d->PanelClick(4);  // the picker cancelled
    EXPECT_EQ(window->View().ColorBackground, 16777215);
    d->PanelClick(4);
    d->Button2Click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(ViewPixel(), QColor(0, 128, 0));
    EXPECT_EQ(File("ZorvanNC.Ini"), ini);
    EXPECT_TRUE(messages.empty());
}

TEST_F(OptionsDialog, AFailedSaveSaysSoAndStaysOpen) {
    StartWith(false);
    TfrmColors* d = OpenOptions({255});
    d->PanelClick(1);
    std::filesystem::remove(temp.path() / "ZorvanNC.Ini");
    std::filesystem::create_directory(temp.path() / "ZorvanNC.Ini");
    d->Button1Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("ZorvanNC.Ini"), std::string::npos) << messages[0];
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->pnlRapid->Colour(), 255);
}

}  // namespace
}  // namespace zorvan::ui
