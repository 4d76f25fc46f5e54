#include "ui/main_window.h"

#include <Qsci/qsciscintilla.h>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

#include "config/profile_file.h"
#include "display/machine_drawing.h"
#include "machine/machine_startup.h"
#include "ui/about_dialog.h"
#include "ui/coordinates_dialog.h"
#include "ui/editor_setup.h"
#include "ui/gcode_lexer.h"
#include "ui/panel_widgets.h"
#include "ui/renumber_dialog.h"
#include "ui/start_dialog.h"
#include "ui/tool_path_widget.h"

namespace zorvan::ui {
namespace {

const char* const kBuiltInMessages[17] = {
    "ZorvanNC.Ini file not found.  Loading defaults...",
    "Controller not initialized.  Running in Preview Mode.",
    "No file loaded.",
    "Preview Cancelled.",
    "Could not Reset Controller",
    "Controller in EmStop.",
    "ZorvanNC.Ini file not found.",
    "Options Saved!",
    "ZorvanNC.Tbl file not found",
    "Options Saved!",
    "Controller is Ready...",
    "Preview Mode",
    "Edit Mode",
    "Control Mode",
    "Processing file...",
    "Options Saved!",
    "Invalid Language File.",
};

}  // namespace

// The interpreter's complaints in a modal box, as the operator sees every other message.
class TfrmMain::Reporter final : public interp::ErrorReporter {
  public:
    explicit Reporter(TfrmMain& window) : window_(window) {}
    void report_error(int line_count, std::string_view line_text, std::string_view message) override {
        window_.ShowModalMessage(interp::format_error_box(line_count, line_text, message));
    }

  private:
    TfrmMain& window_;
};

TfrmMain::TfrmMain(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
    setObjectName("frmMain");
    setWindowTitle("ZorvanNC");
    setMinimumSize(500, 480);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    pnlAux = new QWidget(central);
    pnlAux->setObjectName("pnlAux");
    pnlAux->setFixedHeight(30);
    MakeLabel(pnlAux, "lblMDI", "MDI", QRect(5, 6, 30, 18));
    txtHotStat = new QLineEdit(pnlAux);
    txtHotStat->setObjectName("txtHotStat");
    const char* const aux_names[4] = {"btnAux1", "btnAux2", "btnAux3", "btnAux4"};
    const char* const aux_captions[4] = {"Mist Off", "Flood Off", "CW Off", "CCW Off"};
    for (int i = 0; i < 4; ++i) {
        btnAux[static_cast<std::size_t>(i)] =
            MakeButton(pnlAux, aux_names[i], aux_captions[i], QRect(0, 3, 80, 24));
        btnAux[static_cast<std::size_t>(i)]->setCheckable(true);
    }
    column->addWidget(pnlAux);

    Splitter1 = new QSplitter(Qt::Vertical, central);
    Splitter1->setObjectName("Splitter1");
    auto* upper = new QWidget(Splitter1);
    auto* row = new QHBoxLayout(upper);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    Panel1 = new QWidget(upper);
    Panel1->setObjectName("Panel1");
    auto* stack = new QGridLayout(Panel1);
    stack->setContentsMargins(0, 0, 0, 0);
    Draw3D = new ToolPathWidget(Panel1);
    Draw3D->setObjectName("Draw3D");
    // The rendered view's scene is made when it is first shown: an OpenGL widget in the window costs a
    // context on every paint of the window, and a system without OpenGL must still run the program.
    SceneHost = new QWidget(Panel1);
    SceneHost->setObjectName("SceneHost");
    auto* scene_layout = new QGridLayout(SceneHost);
    scene_layout->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(Draw3D, 0, 0);
    stack->addWidget(SceneHost, 0, 0);
    row->addWidget(Panel1, 1);
    pnlMachineControl = new QWidget(upper);
    pnlMachineControl->setObjectName("pnlMachineControl");
    pnlMachineControl->setFixedWidth(kMachinePanelWidth);
    BuildMachinePanel(pnlMachineControl);
    row->addWidget(pnlMachineControl);

    EdDnc = new QsciScintilla(Splitter1);
    EdDnc->setObjectName("EdDnc");
    SetUpEditor(*EdDnc);
    SynGCodeSyn1 = new GCodeLexer(EdDnc);
    EdDnc->setLexer(SynGCodeSyn1);
    EdDnc->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(EdDnc, &QsciScintilla::textChanged, this, [this] { lines_stale_ = true; });
    Splitter1->addWidget(upper);
    Splitter1->addWidget(EdDnc);
    Splitter1->setStretchFactor(0, 3);
    Splitter1->setStretchFactor(1, 1);
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { Splitter1Moved(); });
    column->addWidget(Splitter1, 1);
    setCentralWidget(central);

    BuildMenus();
    BuildStatusBar();
    BuildMachineTimePanel();

    Draw3D->on_paint = [this] { Draw3DPaint(); };
    Draw3D->on_mouse_move = [this] { Draw3DMouseMove(); };
    Draw3D->on_mouse_up = [this] { Draw3DMouseUp(); };

    reporter_ = std::make_unique<Reporter>(*this);
    controller_ = std::make_unique<machine::Controller>(*this, options_.board);
    // The canon draws through the record, which keeps a whole preview to draw it again for a new view.
    path_record_ = std::make_unique<machine::PathRecord>(Draw3D->View());
    canon_ = std::make_unique<machine::Canon>(*this, *path_record_, controller_.get());
    stock_ = std::make_unique<display::CamGridStock>(CamGrid);
    stock_->on_refresh = [this] {
        if (Scene != nullptr) Scene->Refresh();
    };
    canon_->SetStockSink(stock_.get());
    StartTravelCheck();
    interpreter_ = std::make_unique<interp::Interpreter>(*travel_canon_, *reporter_, options_.program_dir);
    runner_ = std::make_unique<machine::ProgramRunner>(*interpreter_, *canon_, *controller_, *this);
    runner_->SetView(this);
    runner_->SetPathRecord(path_record_.get());
    runner_->SetTravelCheck(travel_.get());
    runner_->ControlCenter = false;
    manual_ = std::make_unique<machine::ManualControl>(*interpreter_, *canon_, *controller_, *this, *runner_);
    manual_->SetView(this);
    ConnectMachinePanel();
    // One filter sees every event of the application: the keys at the window's platform window before
    // the focused control, the jog buttons' presses and releases, the top bar's resize. (The platform
    // window is looked up at each event, as it may be made anew.)
    qApp->installEventFilter(this);

    // FormCreate: every start-up message is shown before the dialogs exist. The desktop's screen saver
    // is the desktop session's business here, so nothing is switched off.
    LoadSettingsAndStart();
    frmAbout = new TfrmAbout(this);
    frmStart = new TfrmStart(this);
    frmCoord = new TfrmCoord(this);
    CreateSetupDialogs();
    frmReNumber = new TfrmReNumber(this);
    // Last, with every window made: the language file's texts go onto all of them.
    ApplyLanguage(settings_.Language);
}

TfrmMain::~TfrmMain() {
    StopMachineTimeEstimate();
    qApp->removeEventFilter(this);
}

display::TVectorDisplay3D& TfrmMain::View() {
    return Draw3D->View();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (ManualControlEvent(watched, event)) return true;
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease) {
        About1Click();
        return true;
    }
    // The top bar gets its width from the window's layout after the window's own resize.
    if (watched == pnlAux && event->type() == QEvent::Resize) LayOutTopBar();
    if (watched == windowHandle() && event->type() == QEvent::Expose) OpenProgramArgument();
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&New", this, [this] { New1Click(); });
    file->addAction("&Open", this, [this] { Open1Click(); });
    file->addSeparator();
    file->addAction("&Exit", this, [this] { Exit1Click(); });

    QMenu* mode = menuBar()->addMenu("&Mode");
    mnuEditMode = mode->addAction("&Edit Center", this, [this] { mnuEditModeClick(); });
    mnuControlMode = mode->addAction("&Control Center", this, [this] { mnuControlModeClick(); });
    mnuEditMode->setCheckable(true);
    mnuControlMode->setCheckable(true);

    QMenu* view = menuBar()->addMenu("&View");
    Rendered1 = view->addAction("&Rendered", this, [this] { Rendered1Click(); });
    // Without OpenGL on a real display the rendered view cannot be shown: the item says so by being off.
    // Finding out loads the OpenGL driver, tens of megabytes, so it is asked when the menu first opens.
    Rendered1->setEnabled(RenderedViewMayBeAvailable());
    connect(view, &QMenu::aboutToShow, this, [this] { Rendered1->setEnabled(RenderedViewProbed()); });
    Wireframe1 = view->addAction("&Wireframe", this, [this] { Wireframe1Click(); });
    view->addSeparator();
    Isometric1 = view->addAction("&Isometric 3D", this, [this] { Isometric1Click(); });
    Top1 = view->addAction("&Top", this, [this] { Top1Click(); });
    Front1 = view->addAction("&Front", this, [this] { Front1Click(); });
    ZoomWindow1 = view->addAction("&Zoom Window", this, [this] { ZoomWindow1Click(); });
    view->addAction("&Clear Screen", this, [this] { ClearScreen1Click(); });
    view->addSeparator();
    auto* coordinates = new QActionGroup(this);
    AbsoluteCoordinates1 =
        view->addAction("&Absolute Coordinates", this, [this] { AbsoluteCoordinates1Click(); });
    MachineCoordinates1 =
        view->addAction("&Machine Coordinates", this, [this] { MachineCoordinates1Click(); });
    for (QAction* a : {AbsoluteCoordinates1, MachineCoordinates1}) {
        a->setCheckable(true);
        coordinates->addAction(a);
    }
    AbsoluteCoordinates1->setChecked(true);

    // Homing moves the machine: the menu works in the Control Center only (SelectMode).
    Home1 = menuBar()->addMenu("&Home");
    Home1->addAction("Home &Z Axis", this, [this] { HomeZAxis1Click(); });
    Home1->addAction("Home &Y Axis", this, [this] { HomeYAxis1Click(); });
    Home1->addAction("Home &X Axis", this, [this] { HomeXAxis1Click(); });
    HomeAAxis1 = Home1->addAction("Home &A Axis", this, [this] { HomeAAxis1Click(); });
    Home1->addAction("Home &All", this, [this] { HomeAll1Click(); });
    Home1->setEnabled(false);

    QMenu* controller = menuBar()->addMenu("&Controller");
    controller->addAction("Start from &Line", this, [this] { StartfromLine1Click(); });
    controller->addSeparator();
    controller->addAction("&Reset", this, [this] { Reset1Click(); });
    controller->addAction("&Zero Feed Override", this, [this] { ZeroFeedOverride1Click(); });
    controller->addAction("&Set Coordinates", this, [this] { SetCoordinates1Click(); });

    QMenu* setup = menuBar()->addMenu("&Setup");
    setup->addAction("&Options", this, [this] { Colors1Click(); });
    setup->addAction("Setup &Machine", this, [this] { SetupMachine1Click(); });

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&Help Contents", this, [this] { HelpContents1Click(); });
    help->addAction("&About", this, [this] { About1Click(); });

    BuildEditorMenu();
}

void TfrmMain::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("sbrBar");
    bar->setSizeGripEnabled(false);
    const int widths[5] = {0, 75, 150, 75, 150};
    for (std::size_t i = 0; i < 5; ++i) {
        if (i == 3) continue;
        sbrPanel[i] = new QLabel(bar);
        sbrPanel[i]->setObjectName(QString("sbrPanel%1").arg(i + 1));
        sbrPanel[i]->setFrameShape(QFrame::Panel);
        sbrPanel[i]->setFrameShadow(QFrame::Sunken);
        if (widths[i] > 0) sbrPanel[i]->setFixedWidth(widths[i]);
    }
    gauge = new QProgressBar(bar);
    gauge->setObjectName("gauge");
    gauge->setRange(0, 100);
    gauge->setValue(0);
    gauge->setAlignment(Qt::AlignCenter);
    gauge->setFixedWidth(widths[3]);
    // The message panel takes the room left, however long its message: its text is cut, and the
    // panels beside it keep their widths.
    sbrPanel[0]->setSizePolicy(QSizePolicy::Ignored, sbrPanel[0]->sizePolicy().verticalPolicy());
    bar->addWidget(sbrPanel[0], 1);
    bar->addPermanentWidget(sbrPanel[1]);
    bar->addPermanentWidget(sbrPanel[2]);
    bar->addPermanentWidget(gauge);
    bar->addPermanentWidget(sbrPanel[4]);
}

void TfrmMain::LoadSettingsAndStart() {
    // The machine may have changed: its time, and what a preview draws of it.
    machine_time_stale_ = true;
    if (runner_) runner_->ForgetRecordedPass();
    for (std::size_t i = 0; i < 17; ++i)
        Msg[i] = kBuiltInMessages[i];
    Msg[machine::MsgNotResponding] = machine::NOT_RESPONDING;
    SceneHost->hide();
    SceneHost->setEnabled(false);
    Draw3D->show();
    pnlEdit->move(0, pnlCoords->geometry().bottom() + 1 + 3);
    pnlControl->move(0, pnlCoords->geometry().bottom() + 1 + 3);
    // Until a mode is chosen the Edit Center's panel shows, as the window was designed.
    if (!mode_chosen_) {
        pnlControl->hide();
        pnlEdit->show();
    }
    controller_->EStopActive = false;
    runner_->StartLine = 0;
    IniFileName = options_.program_dir / "ZorvanNC.Ini";
    ReadConfiguration();
    canon_->PreviewMode = true;
    StartInterpreterAndController();
    View().SetBackgroundColor(settings_.ColorBackground);
    AbsoluteCoordinates1Click();
    View().ViewTop();
    FitToTable();
    ClearToolPathView();
    View().PrepareDrawing();
    DrawMachineAndTool();
    FormResize();
    Draw3D->update();
}

void TfrmMain::ReadConfiguration() {
    const bool found = std::filesystem::exists(IniFileName);
    if (!found) ShowModalMessage(Msg[0].toStdString());
    const auto ini = config::ProfileFile::load(IniFileName);
    settings_ = config::read_startup_settings(ini ? *ini : config::ProfileFile::parse(""));
    interpreter_->set_decimal_separator(settings_.DecimalSeparator);
    controller_->FirmwareVersion = settings_.FirmwareVersion;  // until the board reports its own
    manual_->settings = machine::ManualSettingsFrom(settings_);
    runner_->HighLight = settings_.HighLight;
    View().ColorLinear = settings_.ColorLinear;
    View().ColorRapid = settings_.ColorRapid;
    View().ColorCW = settings_.ColorCW;
    View().ColorCCW = settings_.ColorCCW;
    View().ColorBackground = settings_.ColorBackground;
    View().GridSpacing = settings_.Grid;
    travel_->SetLimits(machine::TableLimitsOf(settings_));
    cmbJog->clear();
    for (const std::string& item : settings_.JogDistances)
        cmbJog->addItem(QString::fromStdString(item));
    cmbJog->setCurrentText("Slow");
    ShowAxisCount();
}

void TfrmMain::ShowAxisCount() {
    const bool four = settings_.AxisCount == 4;
    for (QWidget* w :
         std::initializer_list<QWidget*>{lblAxis[3], lblCoord[3], btnClear[3], jogButtons[6], jogButtons[7]})
        w->setVisible(four);
    HomeAAxis1->setVisible(four);
}

void TfrmMain::StartInterpreterAndController() {
    manual_->settings.ControllerTimerBase = 65000;
    canon_->UnitsPerStep = {};
    canon_->BacklashDisplayOffset = {};
    controller_->MotionComplete = true;
    controller_->EStopActive = false;
    controller_->Paused = false;
    runner_->Running = false;
    runner_->ManualBusy = false;
    DisplayPosition_ = {};
    canon_->RenderedView = false;
    AbsoluteCoordinates_ = false;

    machine::StartInterpreter(options_.program_dir, std::nullopt, *interpreter_, *canon_);
    const auto& s = settings_;
    canon_->ResetPathExtents({s.MinX, s.MaxX, s.MinY, s.MaxY, s.MinZ, s.MaxZ});

    if (machine::StartController(options_.program_dir, *controller_, *canon_, *this)) {
        controller_->ControllerPresent = true;
        mnuControlModeClick();
        EmergencyStop(true);
    } else {
        ShowModalMessage("Controller not detected...");
    }
    manual_->settings.HomePositionsToSteps(canon_->UnitsPerStep);
}

bool TfrmMain::ControllerPresent() const {
    return controller_->ControllerPresent;
}

bool TfrmMain::ControlCenterSelected() const {
    return mnuControlMode->isChecked();
}

// Edit Center previews (the canonical functions only draw); the Control Center sends to the board.
void TfrmMain::SelectMode(bool control) {
    // A run, preview or manual operation in progress keeps its mode: switched under a running GO, the
    // rest of the program would only be drawn instead of sent to the machine.
    if (handler_depth_ > 0 || runner_->ManualBusy) {
        mnuControlMode->setChecked(mode_chosen_ && runner_->ControlCenter);
        mnuEditMode->setChecked(mode_chosen_ && !runner_->ControlCenter);
        return;
    }
    mode_chosen_ = true;
    mnuControlMode->setChecked(control);
    mnuEditMode->setChecked(!control);
    (control ? pnlEdit : pnlControl)->hide();
    (control ? pnlControl : pnlEdit)->show();
    const QString& name = Msg[control ? 13 : 12];
    gbControlCenter->setTitle(name);
    canon_->PreviewMode = !control;
    runner_->ControlCenter = control;
    Home1->setEnabled(control);
    ShowStatus(name.toStdString());
}

void TfrmMain::UpdatePositionDisplay(std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t a) {
    const auto& offset = canon_->BacklashDisplayOffset;
    DisplayPosition_ = {x - offset[0], y - offset[1], z - offset[2], static_cast<double>(a)};
    std::array<double, 4> shown{};
    for (std::size_t i = 0; i < 4; ++i)
        shown[i] = DisplayPosition_[i] * canon_->UnitsPerStep[i];
    if (!AbsoluteCoordinates_) {
        const auto origin = canon_->OriginOffsetInProgramUnits();
        for (std::size_t i = 0; i < 3; ++i)
            shown[i] -= origin[i];
    }
    // The board is asked for its position many times a second; a label is repainted when it changes.
    for (std::size_t i = 0; i < 4; ++i) {
        const QString text = QString::asprintf("%.3f", shown[i]);
        if (text == lblCoord[i]->text()) continue;
        lblCoord[i]->setText(text);
        lblCoord[i]->repaint();
    }
    if (ControlCenterSelected() && canon_->RenderedView) {
        // The machine's own way carves the stock, and the marker shows where the tool is.
        CamGrid.CutTo(shown[0], shown[1], shown[2]);
        Scene->SetToolMarker(shown[0], shown[1], shown[2]);
        Scene->Refresh();
    } else if (ControlCenterSelected()) {
        View().LineTo3D(shown[0], shown[1], shown[2]);
        // The trace is shown with the next paint rather than a copy per position reply.
        Draw3D->update();
    }
}

// Both coordinate modes show the position again, each axis rounded to a whole step.
void TfrmMain::SetCoordinateMode(bool absolute) {
    AbsoluteCoordinates_ = absolute;
    (absolute ? AbsoluteCoordinates1 : MachineCoordinates1)->setChecked(true);
    machine::ShowRoundedPosition(*this, DisplayPosition_);
}

void TfrmMain::FitToTable() {
    View().FitWindow(display::table_box(settings_), 20, true, 20);
}

void TfrmMain::FitToViewBox() {
    View().FitWindow(ViewBox, 20, true, 20);
}

bool TfrmMain::RenderedViewAvailable() {
    if (!RenderedViewMayBeAvailable()) return false;
    QOpenGLContext context;
    context.setFormat(TStockScene::SurfaceFormat());
    return context.create();
}

bool TfrmMain::RenderedViewMayBeAvailable() {
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}

bool TfrmMain::RenderedViewProbed() {
    if (rendered_view_probe_ < 0) rendered_view_probe_ = RenderedViewAvailable() ? 1 : 0;
    return rendered_view_probe_ == 1;
}

void TfrmMain::Rendered1Click() {
    if (!RenderedViewProbed()) {
        Rendered1->setEnabled(false);
        ShowModalMessage("The rendered view needs OpenGL 3.3, which this display does not offer.");
        return;
    }
    Draw3D->hide();
    if (Scene == nullptr) {
        Scene = new TStockScene(CamGrid, SceneHost);
        Scene->setObjectName("Scene");
        SceneHost->layout()->addWidget(Scene);
    }
    SceneHost->show();
    SceneHost->setEnabled(true);
    ZoomWindow1->setEnabled(false);
    Isometric1->setEnabled(false);
    Front1->setEnabled(false);
    canon_->RenderedView = true;
    ClearToolPathView();
    Top1Click();
    PreviewSwitchedView();
}

// In the rendered view the camera looks straight down on the program's box from far enough to see it
// whole; in the wire-frame view the top projection is fitted to the box.
void TfrmMain::Top1Click() {
    if (canon_->RenderedView) {
        Scene->ViewTop(ViewBox[1] - ViewBox[0], ViewBox[3] - ViewBox[2]);
        return;
    }
    ShowProjection(&display::TVectorDisplay3D::ViewTop);
}

void TfrmMain::Wireframe1Click() {
    const bool switched = canon_->RenderedView;
    ShowWireframe();
    if (switched) PreviewSwitchedView();
}

// A rendered preview draws nothing in the wire-frame picture, and the rendered view starts from fresh
// stock: with Automatic Redraw the view switched to shows the program previewed again, as after opening.
void TfrmMain::PreviewSwitchedView() {
    if (settings_.AutoRedraw && !runner_->Running && !interpreter_->program_name().empty()) btnAllClick();
}

void TfrmMain::ShowWireframe() {
    Draw3D->show();
    SceneHost->hide();
    SceneHost->setEnabled(false);
    Isometric1->setEnabled(true);
    Front1->setEnabled(true);
    ZoomWindow1->setEnabled(true);
    canon_->RenderedView = false;
}

// Isometric, Front and Top fit the chosen projection to the program's box and leave the picture empty
// for the next preview.
void TfrmMain::ShowProjection(void (display::TVectorDisplay3D::*preset)()) {
    (View().*preset)();
    FitToViewBox();
    View().ClearPicture();
    Draw3D->update();
}

void TfrmMain::ZoomWindow1Click() {
    View().ZoomArmed = true;
}

void TfrmMain::ClearScreen1Click() {
    ClearToolPathView();
    DrawMachineAndTool();
    RepaintToolPathView();
}

void TfrmMain::Draw3DPaint() {
    View().PrepareDrawing();
    // The table goes onto a picture that was cleared since it was last drawn; drawn again over a path,
    // its grid would hide the moves that lie on grid lines. A handler that is drawing the path owns the
    // pen, so a paint that arrives while it lets messages run only copies what is drawn.
    if (handler_depth_ == 0 && View().Clears != table_drawn_at_clear_) DrawMachineAndTool();
}

void TfrmMain::Draw3DMouseMove() {
    sbrPanel[4]->setText(QString::asprintf("%5.3f", View().CursorX) + ", " +
                         QString::asprintf("%5.3f", View().CursorY));
}

void TfrmMain::Draw3DMouseUp() {
    if (settings_.AutoRedraw && !runner_->Running && !interpreter_->program_name().empty()) btnAllClick();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfrmMain::FormResize() {
    ClearToolPathView();
    View().PrepareDrawing();
    DrawMachineAndTool();
    ClearToolPathView();
    LayOutTopBar();
    LayOutCoordinates();
}

void TfrmMain::LayOutTopBar() {
    const int w = pnlAux->width();
    const int h = w / 2;
    txtHotStat->setGeometry(40, 3, h, 24);
    const int q = (w - h - 50) / 4;
    for (std::size_t i = 0; i < 4; ++i)
        btnAux[i]->setGeometry(h + 50 + static_cast<int>(i) * q, 3, std::max(q - 4, 10), 24);
}

void TfrmMain::LayOutCoordinates() {
    const int a = pnlCoords->height() / (settings_.AxisCount == 3 ? 4 : 5);
    for (std::size_t i = 0; i < 4; ++i) {
        const int top = static_cast<int>(i) * a + 10;
        lblAxis[i]->move(lblAxis[i]->x(), top);
        lblCoord[i]->move(lblCoord[i]->x(), top);
    }
}

void TfrmMain::Splitter1Moved() {
    FitToTable();
    View().ClearPicture();
    Draw3D->update();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // A handler still on the stack (a run, a preview or a manual operation letting messages run) would
    // outlive the window. The machine is stopped rather than left unattended; the window closes when
    // asked again.
    if (handler_depth_ > 0 || runner_->ManualBusy) {
        if (runner_->Running || runner_->ManualBusy)
            EmergencyStop(true);
        else
            controller_->EStopActive = true;  // ends a preview at its next check, as "Preview Cancelled."
        event->ignore();
        return;
    }
    if (!MayDiscardProgram()) {
        event->ignore();
        return;
    }
    interpreter_->interpreter_exit();
    event->accept();
}

void TfrmMain::Exit1Click() {
    close();
}

QString TfrmMain::StatusPanelText(int panel) const {
    if (panel == 4) return QString::number(gauge->value());
    if (panel < 1 || panel > 5) return {};
    return sbrPanel[static_cast<std::size_t>(panel - 1)]->text();
}

QWidget* TfrmMain::Child(const char* name) const {
    return findChild<QWidget*>(name);
}

void TfrmMain::ShowStatus(std::string_view text) {
    sbrPanel[0]->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void TfrmMain::ShowStatusNow(std::string_view text) {
    ShowStatus(text);
    sbrPanel[0]->repaint();
}

void TfrmMain::ShowModalMessage(std::string_view text) {
    const QString message = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    if (options_.message_box) {
        options_.message_box(message);
        return;
    }
    QMessageBox::information(this, "ZorvanNC", message);
}

void TfrmMain::ProcessMessages() {
    QApplication::processEvents();
}

void TfrmMain::Sleep(int milliseconds) {
    QApplication::processEvents();
    QThread::msleep(static_cast<unsigned long>(std::max(milliseconds, 0)));
}

}  // namespace zorvan::ui
