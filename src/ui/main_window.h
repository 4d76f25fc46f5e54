// TfrmMain, the operator program's window: the tool-path view, the machine panel, the G-code editor and
// the status bar. It is the composition root of the machine: the interpreter, the canonical functions,
// the controller and the program runner live here, and the window serves them as their operator panel
// and as the view of the runs.
#pragma once

#include <QMainWindow>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/machine_config.h"
#include "controller/zorvan_api_table.h"
#include "display/cam_grid.h"
#include "display/tool_path_view.h"
#include "interp/error_reporter.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/controller_dispatcher.h"
#include "machine/machine_time.h"
#include "machine/manual_control.h"
#include "machine/operator_panel.h"
#include "machine/program_runner.h"
#include "ui/stock_scene.h"

class QAction;
class QActionGroup;
class QComboBox;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;
class QSplitter;
class QsciScintilla;
class QMenu;

namespace zorvan::ui {

class GCodeLexer;
class ToolPathWidget;
class TfrmAbout;
class TfrmCoord;
class TfrmReNumber;
class TfrmStart;
class TfrmColors;
class TfrmParameters;
struct SetupInForce;
class TReplaceDialog;

// What the operator may answer when a changed program would be replaced or closed.
enum class UnsavedAnswer { Save, Discard, Cancel };

struct MainWindowOptions {
    std::filesystem::path program_dir;                // where ZorvanNC.Ini and the board library live
    std::optional<controller::ZorvanApiTable> board;  // none: no controller, previews only
    // Where modal messages go; a message box when empty. Tests record them instead.
    std::function<void(const QString&)> message_box;
    // The answer to a Yes/No question (true for Yes); a question box when empty. Tests answer instead.
    std::function<bool(const QString&)> confirm;
    // The answer to the question about a changed program; a question box when empty.
    std::function<UnsavedAnswer(const QString&)> ask_unsaved;
    // The system sound of a search that found nothing; QApplication::beep when empty.
    std::function<void()> beep;
    // A program to open, as File > Open opens it, once the window runs; none when empty.
    QString program;
    // The user's guide (an HTML file) that Help > Contents opens.
    std::filesystem::path guide;
};

class TfrmMain final : public QMainWindow, public machine::OperatorPanel, public machine::ManualView {
    Q_OBJECT
  public:
    explicit TfrmMain(MainWindowOptions options, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Start-up, as at creation and after the setup dialog saves.
    void LoadSettingsAndStart();

    // The handlers behind the menus and buttons, public so that the program's tests drive them.
    void mnuEditModeClick() { SelectMode(false); }
    void mnuControlModeClick() { SelectMode(true); }
    void Rendered1Click();
    // OpenGL on a display that can show it.
    static bool RenderedViewAvailable();
    static bool RenderedViewMayBeAvailable();  // without loading the OpenGL driver
    void Wireframe1Click();
    void Isometric1Click() { ShowProjection(&display::TVectorDisplay3D::ViewIsometric); }
    void Top1Click();
    void Front1Click() { ShowProjection(&display::TVectorDisplay3D::ViewFront); }
    void ZoomWindow1Click();
    void ClearScreen1Click();
    void AbsoluteCoordinates1Click() { SetCoordinateMode(true); }
    void MachineCoordinates1Click() { SetCoordinateMode(false); }
    void SpeedButton1Click() {
        WithProgram([this] { runner_->PreviewNext(); });
    }
    void SpeedButton2Click() {
        WithProgram([this] { runner_->StepLines(10); });
    }
    void Button3Click() {
        WithProgram([this] { runner_->StepLines(100); });
    }
    void Button4Click() {
        WithProgram([this] { runner_->StepLines(1000); });
    }
    void SpeedButton3Click();
    void SpeedButton4Click();
    void btnAllClick();
    void Button1Click();
    void btnClearClick() { runner_->Clear(); }
    void btnGoClick();
    void btnExecuteNextClick();
    void btnPauseClick();
    void btnStopClick();
    void StartfromLine1Click();
    void About1Click();
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SyntaxColored1Click();
    void Exit1Click();
    // Setup > Options and Setup > Setup Machine; each opens its dialog over the window.
    void Colors1Click();
    void SetupMachine1Click();
    // The language file's section of that name on every window and in the message tables; the built-in
    // texts when there is none.
    void ApplyLanguage(const std::string& language);
    // The editor's commands (context menu) and Help > Contents.
    void Undo1Click();
    void Font1Click();
    void Search1Click();
    void ReplaceDialog1Find();
    void ReplaceDialog1Replace();
    void SelectAll2Click();
    void Renumber1Click();
    void HelpContents1Click();
    // Open and Save As after their file dialogs.
    bool OpenFile(const QString& file_name);
    bool SaveFile(const QString& file_name);

    // Manual machine control: the jog buttons (pressed and let go), homing, zeroing, the sliders, the
    // output buttons, the command box, the controller reset and Set Coordinates.
    void btnRightMouseDown() { manual_->Jog(machine::AxisX, 1); }
    void btnLeftMouseDown() { manual_->Jog(machine::AxisX, -1); }
    void btnForwardMouseDown() { manual_->Jog(machine::AxisY, 1); }
    void btnBackMouseDown() { manual_->Jog(machine::AxisY, -1); }
    void btnUpMouseDown() { manual_->Jog(machine::AxisZ, 1); }
    void btnDownMouseDown() { manual_->Jog(machine::AxisZ, -1); }
    void btnCWMouseDown() { manual_->Jog(machine::AxisA, 1); }
    void btnCCWMouseDown() { manual_->Jog(machine::AxisA, -1); }
    void btnRightMouseUp() { manual_->EndJog(); }
    void pnlControlMouseMove() { manual_->EndJog(); }
    void btnHomeClick() { manual_->HomeAll(); }
    void HomeAll1Click() { btnHomeClick(); }
    void HomeZAxis1Click() { manual_->HomeAxis(machine::AxisZ); }
    void HomeYAxis1Click() { manual_->HomeAxis(machine::AxisY); }
    void HomeXAxis1Click() { manual_->HomeAxis(machine::AxisX); }
    void HomeAAxis1Click() { manual_->HomeAxis(machine::AxisA); }
    void btnClearXClick() { manual_->ZeroAxis(machine::AxisX); }
    void btnClearYClick() { manual_->ZeroAxis(machine::AxisY); }
    void btnClearZClick() { manual_->ZeroAxis(machine::AxisZ); }
    void btnClearAClick() { manual_->ZeroAxis(machine::AxisA); }
    void btnClearAllClick() { manual_->ZeroAll(); }
    void slOverideChange(int position) { manual_->FeedOverride(position); }
    void ZeroFeedOverride1Click() { ZeroFeedOverride(); }
    void tbSpindleChange(int percent) { manual_->SpindlePwm(percent); }
    void btnAux1Click();
    void btnAux2Click();
    void btnAux3Click();
    void btnAux4Click();
    void txtHotStatKeyPress();
    bool txtHotStatKeyDown(int key);
    void Reset1Click();
    void SetCoordinates1Click();
    // The keyboard, before the focused control; true when the key is swallowed.
    bool FormKeyDown(const QKeyEvent& event);
    void FormKeyUp(const QKeyEvent& event);

    // machine::OperatorPanel
    void ShowStatus(std::string_view text) override;
    void ShowStatusNow(std::string_view text) override;
    void SetUnitsLabel(std::string_view text) override;
    void SetFeedLabel(double rate) override;
    void SetToolLabel(std::string_view text) override;
    void SetOutputButton(machine::OutputButton button, int caption_entry, bool pressed) override;
    void SetSpindleSliderRange(int minimum_percent, int maximum_percent) override;
    void SetSpindleSlider(int percent) override;
    bool AbsoluteCoordinates() const override { return AbsoluteCoordinates_; }
    void UpdatePositionDisplay(std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a) override;
    void EmergencyStop(bool on) override;
    void ProcessMessages() override;
    void ShowModalMessage(std::string_view text) override;
    void SetControllerTimerBase(int reload) override { manual_->settings.ControllerTimerBase = reload; }
    std::array<double, 4> DisplayPosition() const override { return DisplayPosition_; }
    void SetPauseButton(bool down) override;
    void ZeroFeedOverride() override;
    void Sleep(int milliseconds) override;

    // machine::RunView
    void ClearToolPathView() override;
    void ClearPicture() override;
    void DrawMachineAndTool() override;
    void RepaintToolPathView() override;
    void DrawExtents() override;
    void SetExtentsShown(bool shown) override;
    void HighlightLine(int n) override;
    void LockMachineControls(bool locked) override;
    void SetGauge(int percent) override;
    void SetDisplayPosition(const std::array<double, 4>& steps) override { DisplayPosition_ = steps; }
    void SetGreyColours(bool on) override;
    bool RenderedViewShown() const override { return canon_->RenderedView; }
    void SetStopButton(bool down) override;
    std::string Message(int entry, std::string_view built_in) const override;
    void LineStarted(std::size_t index) override;

    // machine::ManualView
    std::string JogText() const override;
    void SetJogText(std::string_view text) override;
    void FocusEditor() override;
    bool Confirm(std::string_view question) override;
    bool ManualAllowed() const override { return handler_depth_ == 0; }
    bool OutputButtonDown(machine::OutputButton button) const override;
    void ClickGo() override { btnGoClick(); }
    void ClickStop() override { btnStopClick(); }
    void SelectControlCenter() override { mnuControlModeClick(); }

    // What the tests and the figures look at.
    interp::Interpreter& Interpreter() { return *interpreter_; }
    machine::Canon& Canon() { return *canon_; }
    machine::Controller& Controller() { return *controller_; }
    machine::ProgramRunner& Runner() { return *runner_; }
    machine::ManualControl& Manual() { return *manual_; }
    display::TVectorDisplay3D& View();
    const display::TCamGrid& StockGrid() const { return CamGrid; }
    const config::StartupSettings& Settings() const { return settings_; }
    QsciScintilla* Editor() const { return EdDnc; }
    QString StatusPanelText(int panel) const;  // 1..5; the gauge's value for 4
    QWidget* Child(const char* name) const;
    bool ControllerPresent() const;
    const display::ViewBox& ViewBoxValue() const { return ViewBox; }
    TfrmStart* StartDialog() const { return frmStart; }
    TfrmReNumber* ReNumberDialog() const { return frmReNumber; }
    TReplaceDialog* ReplaceDialog() const { return ReplaceDialog1; }
    QMenu* EditorMenu() const { return PopupMenu1; }
    TfrmCoord* CoordinatesDialog() const { return frmCoord; }
    TfrmColors* ColorsDialog() const { return frmColors; }
    TfrmParameters* ParametersDialog() const { return frmParameters; }

    // Entries 0..24 as the language file lays them out; 25, the board's silence, has only its built-in text.
    std::array<QString, 26> Msg;

    // The travel check of the previews and GO's question
    // GO's question about a program that leaves the table, answered by this instead of a question box
    // when set (true runs the program); the tests answer it.
    std::function<bool(const QString&)> AnswerRunAnyway;
    bool RunAnyway(const machine::TravelExcursion& first) override;  // machine::RunView

  private:
    // The check that sits between the interpreter and the canon; made before the interpreter.
    void StartTravelCheck();
    // After a preview: the status bar names the first excursion, or gives back what it showed before one.
    void ShowTravelStatus();
    std::unique_ptr<machine::TravelCheck> travel_;
    std::unique_ptr<machine::TravelCheckingCanon> travel_canon_;
    QString travel_status_;         // the excursion text last shown
    QString status_before_travel_;  // the text it replaced

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    class Reporter;

    // Whether the rendered view can be shown, asked of the OpenGL driver once.
    bool RenderedViewProbed();
    int rendered_view_probe_ = -1;  // not asked yet

    void BuildMenus();
    void BuildEditorMenu();
    // The editor's font as the operator last chose it, kept in the user's settings.
    void RestoreEditorFont();
    // Before a changed program is replaced or closed: true to go on (saved, or the changes given up).
    bool MayDiscardProgram();
    bool SaveAsChosenFile();
    // The program named on the command line, opened once the window is on the screen at its size.
    void OpenProgramArgument();
    void SearchEditor(bool replace_event);
    void BuildMachinePanel(QWidget* panel);
    void ConnectMachinePanel();
    // Presses and releases of the jog buttons, movement over pnlControl and the command box's keys.
    bool ManualControlEvent(QObject* watched, QEvent* event);
    // A continuous jog ends when the window no longer gets the release.
    void EndJogOnLeaving();
    void BuildStatusBar();
    void ReadConfiguration();
    void StartInterpreterAndController();
    void FormResize();
    void LayOutTopBar();
    void LayOutCoordinates();
    void Splitter1Moved();
    void Draw3DPaint();
    void Draw3DMouseMove();
    void Draw3DMouseUp();
    void FitToTable();
    void SetCoordinateMode(bool absolute);
    void SelectMode(bool control);
    void ShowProjection(void (display::TVectorDisplay3D::*preset)());
    // Wireframe without the preview that follows a switch from the rendered view.
    void ShowWireframe();
    void PreviewSwitchedView();
    void FitToViewBox();
    void ShowAxisCount();
    void SyncLines();
    // Runs a handler that needs the editor's lines, with the busy cursor while it works.
    void WithProgram(const std::function<void()>& handler);
    bool ControlCenterSelected() const;
    void SetAuxCaption(int index, const QString& text);
    void CreateSetupDialogs();
    SetupInForce SetupValuesInForce() const;
    void RestartAfterSetup();
    // GO's caption with the start line.
    void ShowStartLine();

    // The machine-time estimate, made in a thread of its own whenever the program's text or the
    // configuration changed, and the run's clock that GO shows beside it in the status bar.
    void BuildMachineTimePanel();
    void StartMachineTimeEstimate();
    void StopMachineTimeEstimate();
    void MachineTimeArrived(long generation, const machine::MachineTime& time,
                            std::shared_ptr<std::vector<float>> line_times);
    void ShowMachineTime();
    void StartRunClock();
    void ShowRunClock();
    void StopRunClock(bool ran);
    QLabel* sbrTime = nullptr;
    QTimer* run_clock_timer_ = nullptr;
    std::thread estimate_thread_;
    std::shared_ptr<std::atomic<bool>> estimate_cancel_;
    long estimate_generation_ = 0;
    bool machine_time_stale_ = true;
    std::optional<machine::MachineTime> machine_time_;
    std::shared_ptr<std::vector<float>> line_times_;  // of the estimated text: board seconds at each line
    bool run_clock_on_ = false;
    std::chrono::steady_clock::time_point run_started_, line_taken_at_;
    double line_taken_s_ = 0;  // the estimate's time at the last line GO took
    long last_whole_s_ = -1;   // the line time last shown, in whole seconds

    MainWindowOptions options_;
    config::StartupSettings settings_;
    std::filesystem::path IniFileName;
    display::ViewBox ViewBox{};
    std::array<double, 4> DisplayPosition_{};
    bool AbsoluteCoordinates_ = false;
    bool program_argument_opened_ = false;
    bool lines_stale_ = true;
    int handler_depth_ = 0;           // run and preview handlers in progress (they nest through waits)
    bool mode_chosen_ = false;        // neither mode is checked until one is chosen
    long table_drawn_at_clear_ = -1;  // the view's clear count when the table was last drawn
    bool grey_saved_ = false;
    std::array<int, 4> saved_colours_{};  // the move colours while the grey preview draws

    std::unique_ptr<Reporter> reporter_;
    std::unique_ptr<machine::Controller> controller_;
    std::unique_ptr<machine::PathRecord> path_record_;
    std::unique_ptr<machine::Canon> canon_;
    std::unique_ptr<interp::Interpreter> interpreter_;
    std::unique_ptr<machine::ProgramRunner> runner_;
    std::unique_ptr<machine::ManualControl> manual_;

    // Widgets, named as the operator's manual names them.
    QWidget* pnlAux = nullptr;
    QLineEdit* txtHotStat = nullptr;
    std::array<QPushButton*, 4> btnAux{};
    QWidget* Panel1 = nullptr;
    ToolPathWidget* Draw3D = nullptr;
    // The rendered view: the stock the program carves, drawn by the scene.
    display::TCamGrid CamGrid;
    std::unique_ptr<display::CamGridStock> stock_;
    QWidget* SceneHost = nullptr;  // where the scene goes when the rendered view is first shown
    TStockScene* Scene = nullptr;
    QWidget* pnlMachineControl = nullptr;
    QGroupBox* gbControlCenter = nullptr;
    QWidget* pnlCoords = nullptr;
    std::array<QLabel*, 4> lblAxis{};        // lblX, lblY, lblZ, lblA
    std::array<QLabel*, 4> lblCoord{};       // lblXCoord .. lblACoord
    std::array<QPushButton*, 5> btnClear{};  // X, Y, Z, A, All
    QWidget* pnlEdit = nullptr;
    QWidget* pnlControl = nullptr;
    QPushButton* btnGo = nullptr;
    QPushButton* btnExecuteNext = nullptr;
    QPushButton* btnPause = nullptr;
    QPushButton* btnStop = nullptr;
    QPushButton* btnHome = nullptr;
    std::array<QPushButton*, 8>
        jogButtons{};          // btnUp, btnDown, btnRight, btnLeft, btnBack, btnForward, btnCCW, btnCW
    QLabel* Label3 = nullptr;  // "Feed Rate", which opens the About box
    QLabel* lblUnits = nullptr;
    QComboBox* cmbJog = nullptr;
    QLabel* lblFeed = nullptr;
    double feed_label_rate_ = 0;  // shown when the window's messages next run
    bool feed_label_pending_ = false;
    QLabel* lblTool = nullptr;
    QLabel* lblTLO = nullptr;
    QSlider* slOveride = nullptr;
    QSlider* tbSpindle = nullptr;
    QSplitter* Splitter1 = nullptr;
    QsciScintilla* EdDnc = nullptr;
    GCodeLexer* SynGCodeSyn1 = nullptr;
    std::array<QLabel*, 5> sbrPanel{};
    QProgressBar* gauge = nullptr;

    QAction* mnuEditMode = nullptr;
    QAction* mnuControlMode = nullptr;
    QAction* Rendered1 = nullptr;
    QAction* Wireframe1 = nullptr;
    QAction* Isometric1 = nullptr;
    QAction* Front1 = nullptr;
    QAction* Top1 = nullptr;
    QAction* ZoomWindow1 = nullptr;
    QAction* AbsoluteCoordinates1 = nullptr;
    QAction* MachineCoordinates1 = nullptr;
    QMenu* Home1 = nullptr;
    QAction* HomeAAxis1 = nullptr;
    QAction* SyntaxColored1 = nullptr;
    QMenu* PopupMenu1 = nullptr;

    TfrmAbout* frmAbout = nullptr;
    TfrmStart* frmStart = nullptr;
    TfrmReNumber* frmReNumber = nullptr;
    TReplaceDialog* ReplaceDialog1 = nullptr;
    TfrmCoord* frmCoord = nullptr;
    TfrmColors* frmColors = nullptr;
    TfrmParameters* frmParameters = nullptr;
    QString GoCaption_ = "&GO";
};

}  // namespace zorvan::ui
