// The program's text: New, Open (with the automatic preview), Save As and the syntax colouring.
#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

#include "config/text_file.h"
#include "ui/editor_setup.h"
#include "ui/gcode_lexer.h"
#include "ui/main_window.h"
#include "ui/tool_path_widget.h"

namespace zorvan::ui {

void TfrmMain::New1Click() {
    EdDnc->clear();
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
    const QString file = QFileDialog::getOpenFileName(
        this, "Open", QString(),
        "DNC Files (*.Dnc *.dnc *.DNC);;NGC Files (*.Ngc *.ngc *.NGC);;All Files (*)");
    if (!file.isEmpty()) OpenFile(file);
}

bool TfrmMain::OpenFile(const QString& file_name) {
    const QString full_name = QFileInfo(file_name).absoluteFilePath();
    const auto text = config::read_text_file(full_name.toStdString());
    if (!text) {
        ShowModalMessage(("Cannot open file \"" + full_name + "\".").toStdString());
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Wireframe1Click();
    EdDnc->setLexer(SyntaxColored1->isChecked() ? SynGCodeSyn1 : nullptr);
    LoadEditorText(*EdDnc, *text);
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

void TfrmMain::Save1Click() {
    const QString file = QFileDialog::getSaveFileName(this, "Save As", QString(),
                                                      "Dnc Files (*.Dnc);;Ngc Files (*.Ngc);;All Files (*)");
    if (!file.isEmpty()) SaveFile(file);
}

bool TfrmMain::SaveFile(const QString& file_name) {
    const QByteArray bytes = EdDnc->text().toUtf8();
    const auto failure = config::write_text_file_atomically(
        file_name.toStdString(), std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (failure) {
        ShowModalMessage(*failure);
        return false;
    }
    return true;
}

void TfrmMain::SyntaxColored1Click() {
    // The menu item has toggled its own check mark. Without the lexer the editor keeps its own font.
    const QFont font = EdDnc->font();
    EdDnc->setLexer(SyntaxColored1->isChecked() ? SynGCodeSyn1 : nullptr);
    if (!SyntaxColored1->isChecked()) EdDnc->setFont(font);
}

}  // namespace zorvan::ui
