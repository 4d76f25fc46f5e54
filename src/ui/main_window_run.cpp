// The window's side of the runs: the Edit Center's previews, GO, Next, Pause(Hold), Reset (ESTP) and
// Start from Line, and what the runs ask of the window (the view, the editor's mark, the gauge, the
// machine buttons and the status bar).
#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

#include "display/machine_drawing.h"
#include "machine/stock_extents.h"
#include "ui/about_dialog.h"
#include "ui/editor_setup.h"
#include "ui/main_window.h"

#include <QScreen>
#include "ui/start_dialog.h"
#include "ui/tool_path_widget.h"

namespace zorvan::ui {
namespace {

// The grey of a control run's preview (red, green and blue 192).
constexpr int kGrey = 12632256;

// Counts a handler in progress for as long as it runs, also when a wait inside it lets others run.
class HandlerScope {
  public:
    explicit HandlerScope(int& depth) : depth_(depth) { ++depth_; }
    ~HandlerScope() { --depth_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

  private:
    int& depth_;
};

}  // namespace

void TfrmMain::SyncLines() {
    // The runs read the editor's lines; they are taken again only after the text changed, and then the
    // program's machine time is estimated anew.
    if (lines_stale_) {
        runner_->lines = EditorText(*EdDnc);
        lines_stale_ = false;
        machine_time_stale_ = true;
        runner_->ForgetRecordedPass();
    }
    if (machine_time_stale_) StartMachineTimeEstimate();
}

void TfrmMain::WithProgram(const std::function<void()>& handler) {
    // A preview or run that lets messages run does not start another inside itself: the inner one would
    // reset the interpreter and the view's colours under the outer. Nor does it start under a manual
    // operation, whose typed command may be in the interpreter.
    if (handler_depth_ > 0 || runner_->ManualBusy) return;
    SyncLines();
    HandlerScope scope(handler_depth_);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    handler();
    QApplication::restoreOverrideCursor();
}

void TfrmMain::SpeedButton3Click() {
    const int caret = CaretLine(*EdDnc);
    WithProgram([this, caret] {
        runner_->ToCursor(caret);
        ShowTravelStatus();
    });
}

void TfrmMain::SpeedButton4Click() {
    const int caret = CaretLine(*EdDnc);
    WithProgram([this, caret] {
        runner_->FromCursor(caret);
        ShowTravelStatus();
    });
}

void TfrmMain::btnAllClick() {
    WithProgram([this] {
        runner_->All();
        ShowTravelStatus();
    });
}

void TfrmMain::Button1Click() {
    WithProgram([this] { runner_->ResetPreview(); });
}

void TfrmMain::btnGoClick() {
    if (handler_depth_ > 0) return;
    SyncLines();
    HandlerScope scope(handler_depth_);
    StartRunClock();
    const bool ran = runner_->Go();
    StopRunClock(ran);
}

void TfrmMain::btnExecuteNextClick() {
    if (handler_depth_ > 0) return;
    SyncLines();
    HandlerScope scope(handler_depth_);
    runner_->Next();
}

void TfrmMain::btnPauseClick() {
    runner_->PauseHold();
}

void TfrmMain::btnStopClick() {
    runner_->StartLine = 0;
    HighlightLine(0);
    ShowStartLine();
    EmergencyStop(!controller_->EStopActive);
}

void TfrmMain::EmergencyStop(bool on) {
    runner_->EmergencyStop(on);
}

void TfrmMain::StartfromLine1Click() {
    frmStart->FormShow(ProgramLineCount(*EdDnc));
    if (frmStart->exec() != QDialog::Accepted) return;
    runner_->StartLine = frmStart->txtStart->Value();
    ShowStartLine();
}

void TfrmMain::About1Click() {
    frmAbout->FormShow(controller_->ControllerPresent, controller_->FirmwareVersion);
    frmAbout->exec();
}

void TfrmMain::ClearToolPathView() {
    View().ClearPicture();
    if (!canon_->RenderedView) return;
    // A fresh stock over the path's extents, its cells sized from the desktop so that their number does
    // not grow with the part.
    const auto e = machine::StockExtents(*canon_);
    const QSize desktop = screen() != nullptr ? screen()->size() : QSize(1920, 1080);
    CamGrid.Resolution = settings_.OpenGLResolution;
    CamGrid.SetupStock(e[0], e[1], e[2], e[3], (e[1] - e[0]) / std::max(desktop.width(), 1),
                       (e[3] - e[2]) / std::max(desktop.height(), 1));
    Scene->SetDummyPosition((e[0] + e[1]) / 2, (e[2] + e[3]) / 2, (e[4] + e[5]) / 2);
    Scene->Refresh();
}

void TfrmMain::ClearPicture() {
    View().ClearPicture();
}

void TfrmMain::DrawMachineAndTool() {
    display::draw_machine_and_tool(View(), display::table_box(settings_), *this, *canon_);
    table_drawn_at_clear_ = View().Clears;
}

void TfrmMain::RepaintToolPathView() {
    if (canon_->RenderedView) Scene->Refresh();
    Draw3D->ShowPicture();
}

// The corner labels are written with every copy of the picture while they are shown.
void TfrmMain::DrawExtents() {}

void TfrmMain::SetExtentsShown(bool shown) {
    Draw3D->SetExtentsShown(shown);
}

void TfrmMain::HighlightLine(int n) {
    ui::HighlightLine(*EdDnc, n);
}

void TfrmMain::SetGauge(int percent) {
    gauge->setValue(percent);
}

// The grey preview draws the moves in grey on the usual background: with the background grey as well,
// the picture's clears would fill it with the very grey of the moves and the preview could not be seen.
void TfrmMain::SetGreyColours(bool on) {
    display::TVectorDisplay3D& view = View();
    std::array<int*, 4> colours{&view.ColorLinear, &view.ColorRapid, &view.ColorCW, &view.ColorCCW};
    if (on) {
        for (std::size_t i = 0; i < colours.size(); ++i) {
            saved_colours_[i] = *colours[i];
            *colours[i] = kGrey;
        }
        grey_saved_ = true;
    } else if (grey_saved_) {
        for (std::size_t i = 0; i < colours.size(); ++i)
            *colours[i] = saved_colours_[i];
        grey_saved_ = false;
    }
}

std::string TfrmMain::Message(int entry, std::string_view built_in) const {
    if (entry < 0 || entry >= static_cast<int>(Msg.size()) || Msg[static_cast<std::size_t>(entry)].isEmpty())
        return std::string(built_in);
    return Msg[static_cast<std::size_t>(entry)].toStdString();
}

void TfrmMain::SetStopButton(bool down) {
    btnStop->setChecked(down);
}

void TfrmMain::SetPauseButton(bool down) {
    btnPause->setChecked(down);
}

}  // namespace zorvan::ui
