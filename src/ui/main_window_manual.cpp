// The window's side of manual machine control: the jog buttons pressed and let go, the keyboard seen
// before the focused control, the output buttons, the command box, the controller reset and the
// coordinates dialog. What each does is the machine's ManualControl; here it is only wired.
#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#include "ui/coordinates_dialog.h"
#include "ui/main_window.h"

namespace zorvan::ui {
namespace {

// The key's code in the desktop's virtual-key numbering, which the keyboard rules are written in.
// Keys the rules do not name give 0, which counts as any other key.
int VirtualKey(const QKeyEvent& event) {
    const int key = event.key();
    if (event.modifiers().testFlag(Qt::KeypadModifier)) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return machine::KeyNumpad0 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Asterisk:
                return machine::KeyMultiply;
            case Qt::Key_Plus:
                return machine::KeyAdd;
            case Qt::Key_Comma:
                return machine::KeySeparator;
            case Qt::Key_Minus:
                return machine::KeySubtract;
            case Qt::Key_Period:
                return machine::KeyDecimal;
            case Qt::Key_Slash:
                return machine::KeyDivide;
            default:
                break;
        }
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return machine::KeyF1 + (key - Qt::Key_F1);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return machine::KeyEnter;
        case Qt::Key_Shift:
            return machine::KeyShift;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Pause:
            return machine::KeyPause;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return machine::KeyEscape;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return machine::KeyPageUp;
        case Qt::Key_PageDown:
            return machine::KeyPageDown;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return machine::KeyLeft;
        case Qt::Key_Up:
            return machine::KeyUp;
        case Qt::Key_Right:
            return machine::KeyRight;
        case Qt::Key_Down:
            return machine::KeyDown;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Meta:
            return 91;
        case Qt::Key_NumLock:
            return 144;
        default:
            return 0;
    }
}

// In the order of jogButtons.
constexpr void (TfrmMain::*kJogButtonDowns[8])() = {
    &TfrmMain::btnUpMouseDown,   &TfrmMain::btnDownMouseDown, &TfrmMain::btnRightMouseDown,
    &TfrmMain::btnLeftMouseDown, &TfrmMain::btnBackMouseDown, &TfrmMain::btnForwardMouseDown,
    &TfrmMain::btnCCWMouseDown,  &TfrmMain::btnCWMouseDown};

}  // namespace

void TfrmMain::ConnectMachinePanel() {
    void (TfrmMain::*const aux_handlers[4])() = {&TfrmMain::btnAux1Click, &TfrmMain::btnAux2Click,
                                                 &TfrmMain::btnAux3Click, &TfrmMain::btnAux4Click};
    for (std::size_t i = 0; i < 4; ++i)
        connect(btnAux[i], &QPushButton::clicked, this,
                [this, handler = aux_handlers[i]] { (this->*handler)(); });
    connect(txtHotStat, &QLineEdit::returnPressed, this, [this] { txtHotStatKeyPress(); });
}

bool TfrmMain::ManualControlEvent(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched == windowHandle() &&
        windowHandle() != nullptr) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (type == QEvent::KeyPress) return FormKeyDown(key);
        FormKeyUp(key);
        return false;
    }
    if (watched == pnlControl && type == QEvent::MouseMove) {
        pnlControlMouseMove();
        return false;
    }
    if (watched == txtHotStat && type == QEvent::KeyPress)
        return txtHotStatKeyDown(VirtualKey(static_cast<const QKeyEvent&>(*event)));
    const auto jog = std::find(jogButtons.begin(), jogButtons.end(), watched);
    if (jog == jogButtons.end()) return false;
    QPushButton* button = *jog;
    const bool left = (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                       type == QEvent::MouseButtonRelease) &&
                      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (!left || !button->isEnabled()) return true;
            button->setDown(true);
            (this->*kJogButtonDowns[jog - jogButtons.begin()])();
            return true;
        case QEvent::MouseButtonRelease:
            if (!left) return true;
            button->setDown(false);
            btnRightMouseUp();
            return true;
        case QEvent::MouseMove:
            // The button's own press-and-drag logic would press and release it as the mouse moves.
            return true;
        default:
            return false;
    }
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) EndJogOnLeaving();
    return QMainWindow::event(event);
}

void TfrmMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isMinimized()) EndJogOnLeaving();
    QMainWindow::changeEvent(event);
}

void TfrmMain::EndJogOnLeaving() {
    // The release of a held key or button now goes to another window, or nowhere.
    for (QPushButton* b : jogButtons)
        b->setDown(false);
    manual_->EndJog();
}

bool TfrmMain::FormKeyDown(const QKeyEvent& event) {
    const int key = VirtualKey(event);
    if (manual_->FormKeyDown(key)) return true;
    if (key == machine::KeyEscape) manual_->FormKeyPress(machine::KeyEscape);
    return false;
}

void TfrmMain::FormKeyUp(const QKeyEvent& event) {
    // A held key repeats its release as well as its press; only the last release lets go.
    if (event.isAutoRepeat()) return;
    manual_->FormKeyUp(VirtualKey(event));
}

void TfrmMain::btnAux1Click() {
    manual_->Output(machine::OutputButton::Mist, btnAux[0]->isChecked());
}

void TfrmMain::btnAux2Click() {
    manual_->Output(machine::OutputButton::Flood, btnAux[1]->isChecked());
}

void TfrmMain::btnAux3Click() {
    manual_->Output(machine::OutputButton::SpindleClockwise, btnAux[2]->isChecked());
}

void TfrmMain::btnAux4Click() {
    manual_->Output(machine::OutputButton::SpindleCounterClockwise, btnAux[3]->isChecked());
}

void TfrmMain::txtHotStatKeyPress() {
    manual_->ExecuteCommand(txtHotStat->text().toStdString());
}

bool TfrmMain::txtHotStatKeyDown(int key) {
    const auto text = manual_->SpeedKeyText(key);
    if (!text) return false;
    txtHotStat->setText(QString::fromStdString(*text));
    return true;
}

void TfrmMain::Reset1Click() {
    manual_->ResetController(options_.program_dir);
}

void TfrmMain::SetCoordinates1Click() {
    // Its Set would be refused while the machine moves, and the modal dialog would keep the operator
    // from Reset (ESTP) meanwhile: it opens only when the machine is still.
    if (runner_->Running || runner_->ManualBusy || handler_depth_ > 0) return;
    frmCoord->on_set = [this](double x, double y, double z, double a) {
        return manual_->SetCoordinates(x, y, z, a);
    };
    frmCoord->on_error = [this](const QString& text) { ShowModalMessage(text.toStdString()); };
    frmCoord->FormShow(controller_->AxisCount, settings_.DecimalSeparator);
    frmCoord->exec();
}

std::string TfrmMain::JogText() const {
    return cmbJog->currentText().toStdString();
}

void TfrmMain::SetJogText(std::string_view text) {
    cmbJog->setCurrentText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void TfrmMain::FocusEditor() {
    EdDnc->setFocus();
}

bool TfrmMain::Confirm(std::string_view question) {
    const QString text = QString::fromUtf8(question.data(), static_cast<int>(question.size()));
    if (options_.confirm) return options_.confirm(text);
    return QMessageBox::question(this, "ZorvanNC", text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool TfrmMain::OutputButtonDown(machine::OutputButton button) const {
    return btnAux[static_cast<std::size_t>(button)]->isChecked();
}

}  // namespace zorvan::ui
