// The program's text: New, Open (with the automatic preview), Save As, the syntax colouring, and the
// question before a changed program is given up.
#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include "config/text_file.h"
#include "ui/editor_setup.h"
#include "ui/gcode_lexer.h"
#include "ui/main_window.h"
#include "ui/tool_path_widget.h"

namespace zorvan::ui {

namespace {

// The text a changed program is asked about with.
const char* const kUnsavedQuestion = "The program in the editor has changes that are not saved. Save them?";

}  // namespace

bool TfrmMain::MayDiscardProgram() {
    if (!EdDnc->isModified()) return true;
    UnsavedAnswer answer = UnsavedAnswer::Cancel;
    if (options_.ask_unsaved) {
        answer = options_.ask_unsaved(kUnsavedQuestion);
    } else {
        const auto button = QMessageBox::question(
            this, "ZorvanNC", kUnsavedQuestion,
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        answer = button == QMessageBox::Save      ? UnsavedAnswer::Save
                 : button == QMessageBox::Discard ? UnsavedAnswer::Discard
                                                  : UnsavedAnswer::Cancel;
    }
    switch (answer) {
        case UnsavedAnswer::Save:
            return SaveAsChosenFile();
        case UnsavedAnswer::Discard:
            return true;
        case UnsavedAnswer::Cancel:
            break;
    }
    return false;
}

void TfrmMain::New1Click() {
    if (!MayDiscardProgram()) return;
    LoadEditorText(*EdDnc, "");
    lines_stale_ = true;
    interpreter_->set_program_name("");
    canon_->ResetPathExtents();
    View().ViewTop();
    FitToTable();
    View().ClearPicture();
    DrawMachineAndTool();
    RepaintToolPathView();
}

void TfrmMain::Open1Click() {
    if (!MayDiscardProgram()) return;
    const QString file = QFileDialog::getOpenFileName(
        this, "Open", QString(),
        "DNC Files (*.Dnc *.dnc *.DNC);;NGC Files (*.Ngc *.ngc *.NGC);;All Files (*)");
    if (!file.isEmpty()) OpenFile(file);
}

bool TfrmMain::OpenFile(const QString& file_name) {
    const QString full_name = QFileInfo(file_name).absoluteFilePath();
    auto text = config::read_text_file(full_name.toStdString());
    if (!text) {
        ShowModalMessage(("Cannot open file \"" + full_name + "\".").toStdString());
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ShowWireframe();  // the program shown until now is not previewed again
    EdDnc->setLexer(SyntaxColored1->isChecked() ? SynGCodeSyn1 : nullptr);
    LoadEditorText(*EdDnc, *text);
    text.reset();  // the editor holds the program now; a large one need not be held twice through the preview
    lines_stale_ = true;
    QLabel* name_panel = sbrPanel[2];
    name_panel->setToolTip(full_name);
    name_panel->setText(
        name_panel->fontMetrics().elidedText(full_name, Qt::ElideMiddle, name_panel->width() - 6));
    sbrPanel[1]->setText(QString::number(ProgramLineCount(*EdDnc)));
    interpreter_->set_program_name(full_name.toStdString());
    canon_->ResetPathExtents();
    View().ViewTop();
    // The automatic preview waits while a run or another preview is in progress: it would reset the
    // interpreter under it.
    if (settings_.AutoRedraw && handler_depth_ == 0) {
        btnAllClick();
        ClearToolPathView();
        const auto e = canon_->PathExtentsInProgramUnits();
        ViewBox = {
            e[0], e[1], e[2], e[3], e[4], e[5], (e[5] - e[4]) / 2, (e[3] - e[2]) / 2, (e[1] - e[0]) / 2};
        FitToViewBox();
        btnAllClick();
    } else {
        Draw3D->update();
    }
    QApplication::restoreOverrideCursor();
    return true;
}

void TfrmMain::OpenProgramArgument() {
    if (program_argument_opened_ || options_.program.isEmpty() || !windowHandle()->isExposed()) return;
    program_argument_opened_ = true;
    // Shown on the screen: a window manager that maximises the window has done so by then, so the
    // preview is fitted to the view's final size.
    QTimer::singleShot(0, this, [this] { OpenFile(options_.program); });
}

void TfrmMain::Save1Click() {
    SaveAsChosenFile();
}

bool TfrmMain::SaveAsChosenFile() {
    // The dialog starts at the program's own file, so saving over it takes one confirmation.
    const QString file =
        QFileDialog::getSaveFileName(this, "Save As", QString::fromStdString(interpreter_->program_name()),
                                     "Dnc Files (*.Dnc);;Ngc Files (*.Ngc);;All Files (*)");
    return !file.isEmpty() && SaveFile(file);
}

bool TfrmMain::SaveFile(const QString& file_name) {
    const QByteArray bytes = EdDnc->text().toUtf8();
    const auto failure = config::write_text_file_atomically(
        file_name.toStdString(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (failure) {
        ShowModalMessage(*failure);
        return false;
    }
    // Saved somewhere: nothing is lost when the program is replaced now, although it is not the file
    // that Next and GO regard as loaded.
    EdDnc->setModified(false);
    return true;
}

void TfrmMain::SyntaxColored1Click() {
    // The menu item has toggled its own check mark. Without the lexer the editor keeps its own font.
    const QFont font = EdDnc->font();
    EdDnc->setLexer(SyntaxColored1->isChecked() ? SynGCodeSyn1 : nullptr);
    if (!SyntaxColored1->isChecked()) EdDnc->setFont(font);
}

}  // namespace zorvan::ui
