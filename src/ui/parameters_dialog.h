// "Machine Configuration" (Setup > Setup Machine): every setting that the program writes to the
// configuration file and the tool table, on four pages, and the named machines it keeps. Created once and
// hidden when closed; the fields are filled from the values in force each time it is shown.
#pragma once

#include <QDialog>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "config/machine_config.h"
#include "config/tool_table_file.h"
#include "machine/acceleration_profile.h"
#include "ui/numeric_edit.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace zorvan::ui {

class TAccelPlot;

// What the dialog shows when it opens: the settings the program runs with.
struct SetupInForce {
    std::filesystem::path program_dir;
    config::MachineSetup setup;            // Name is the current machine's; MachineNames the known ones
    std::vector<config::ToolEntry> tools;  // the loaded tool list; position 0 is the reset line
    int axis_count = 3;
    char separator = '.';                // the decimal separator in force
    int background = 16777215;           // the tool-path view's background, for the plot
    QString missing_file_message;        // the main window's message entry 0
    std::vector<std::string> languages;  // the sections of the language file
};

// The names the machine box refuses as a machine of its own: they are the program's own files.
bool IsReservedMachineName(const QString& name);

// The printed tool table's lines: the heading, an empty line, then one line per tool from position 1.
std::vector<QString> ToolTableLines(const std::vector<config::ToolEntry>& tools);

class TfrmParameters : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmParameters(QWidget* parent = nullptr);

    std::function<SetupInForce()> ValuesInForce;
    // Modal messages; a message box when empty.
    std::function<void(const QString&)> OnMessage;
    // After a save: the tool table loaded again, the start-up run anew and the view reset.
    std::function<void()> Restart;
    // The print dialog on the printer: true when confirmed. QPrintDialog when empty.
    std::function<bool(QPrinter&)> ConfirmPrint;

    // Show: every box and field filled from the values in force.
    void FormShow();
    // A machine chosen in the machine box: its file's values in the fields (not the tools).
    void cmbMachineClick(const QString& name);
    void btnAddSpeedClick();
    void btnDeleteSpeedClick();
    void btnAddJogClick();
    void btnDeleteJogClick();
    void btnAddToolClick();
    void Button2Click();  // Remove Tool
    void btnPrintClick();
    // The save sequence; true when everything was written and the start-up ran again.
    bool btnSaveClick();
    void Button1Click();  // Close: nothing is written

    // The tool grid taken back into a copy of the working list; false, with the conversion error in
    // `error`, when a cell does not convert.
    bool SaveToolTable(std::vector<config::ToolEntry>& list, QString& error) const;
    // The fields as a setup, the machine box's name and items included.
    config::MachineSetup CollectSetup() const;
    const std::vector<config::ToolEntry>& WorkingTools() const { return tools_; }
    // The plot redrawn from the four ramp fields; with write_back a start velocity above the maximum is
    // written back into its field.
    void DrawProfile(bool write_back = false);

    QTabWidget* PageControl1 = nullptr;
    QComboBox* cmbMachine = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* Button1 = nullptr;  // "Close"

    // Machine Velocities
    TIntegerEdit* txtHomeVel = nullptr;
    TIntegerEdit* txtAccel = nullptr;
    TIntegerEdit* txtScale = nullptr;
    TIntegerEdit* txtMaxVel = nullptr;
    TIntegerEdit* txtStartVel = nullptr;
    TIntegerEdit* txtContouring = nullptr;
    TRealEdit* txtFastJogVel = nullptr;
    TRealEdit* txtMedJogVel = nullptr;
    TRealEdit* txtSlowJogVel = nullptr;
    QCheckBox* chkInvertStepPulse = nullptr;
    TAccelPlot* DrawAccel = nullptr;
    QLabel* lblVelocity = nullptr;
    QLabel* lblTime = nullptr;
    QLabel* lblMaxTime = nullptr;

    // Axes Setup: X, Y, Z, A
    std::array<QGroupBox*, 4> gbAxis{};  // gbAxis[3] is gbAAxis
    std::array<TRealEdit*, 4> txtHomePosition{};
    std::array<TRealEdit*, 4> txtHomeOffset{};
    std::array<TRealEdit*, 4> txtStepsMM{};
    std::array<TRealEdit*, 4> txtBacklash{};
    std::array<TIntegerEdit*, 4> txtMaxVelAxis{};
    std::array<QCheckBox*, 4> chkHomeDir{};

    // TormelCNC Setup
    QComboBox* cmbSpeed = nullptr;
    QLineEdit* txtSpeedNew = nullptr;
    QPushButton* btnAddSpeed = nullptr;
    QPushButton* btnDeleteSpeed = nullptr;
    QComboBox* cmbJog = nullptr;
    QLineEdit* txtJogNew = nullptr;
    QPushButton* btnAddJog = nullptr;
    QPushButton* btnDeleteJog = nullptr;
    TRealEdit* txtXMin = nullptr;
    TRealEdit* txtXMax = nullptr;
    TRealEdit* txtYMin = nullptr;
    TRealEdit* txtYMax = nullptr;
    TRealEdit* txtZMin = nullptr;
    TRealEdit* txtZMax = nullptr;
    QLineEdit* txtSeperator = nullptr;
    QComboBox* txtPort = nullptr;
    QGroupBox* rgUnits = nullptr;
    QRadioButton* rbMM = nullptr;
    QRadioButton* rbInch = nullptr;
    QCheckBox* chkDialect = nullptr;
    QComboBox* cmbLanguage = nullptr;
    QCheckBox* chkSafety = nullptr;
    QCheckBox* chkHighlight = nullptr;
    QCheckBox* chkRedraw = nullptr;
    TRealEdit* txtGrid = nullptr;
    TRealEdit* txtResolution = nullptr;
    TRealEdit* txtZero = nullptr;

    // Tool Library
    QTableWidget* sgTool = nullptr;
    QPushButton* btnAddTool = nullptr;
    QPushButton* Button2 = nullptr;  // "Remove Tool"
    QPushButton* btnPrint = nullptr;

  private:
    QWidget* BuildVelocitiesPage();
    QWidget* BuildAxesPage();
    QWidget* BuildSetupPage();
    QWidget* BuildToolPage();
    std::vector<TCommonEdit*> NumericFields() const;

    void FillFields(const config::MachineSetup& setup);
    void FillPorts(int configured);
    void FillToolGrid();
    void SetToolRow(int row, int position, const config::ToolEntry& tool);
    void AddListItem(QComboBox* box, QLineEdit* edit);
    void DeleteListItem(QComboBox* box);
    void AddMachineName(const QString& name);
    void Message(const QString& text);

    SetupInForce in_force_;
    std::vector<config::ToolEntry> tools_;  // the list the grid edits; the loaded one changes only on Save
};

}  // namespace zorvan::ui
