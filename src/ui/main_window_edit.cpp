// The editor's commands: its context menu (Undo, Font, Search, Select All, Renumber, Show Syntax, Save As),
// the find-and-replace dialog, the ReNumber dialog, and Help > Contents.
#include <Qsci/qsciscintilla.h>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QUrl>

#include "ui/editor_search.h"
#include "ui/editor_setup.h"
#include "ui/font_dialog.h"
#include "ui/main_window.h"
#include "ui/renumber_dialog.h"
#include "ui/replace_dialog.h"
#include "ui/window_placement.h"

namespace zorvan::ui {
namespace {

// The user's settings, never the machine's ZorvanNC.Ini: the font is the operator's taste, not the mill's.
constexpr const char* kSettingsOwner = "ZorvanNC";
constexpr const char* kFontKey = "Editor/Font";

}  // namespace

void TfrmMain::BuildEditorMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    const auto item = [this](const char* name, const char* caption, void (TfrmMain::*handler)()) {
        QAction* action = PopupMenu1->addAction(caption, this, [this, handler] { (this->*handler)(); });
        action->setObjectName(name);
        return action;
    };
    item("Undo1", "&Undo", &TfrmMain::Undo1Click);
    item("Font1", "F&ont", &TfrmMain::Font1Click);
    item("Search1", "Sea&rch", &TfrmMain::Search1Click);
    item("SelectAll2", "&Select All", &TfrmMain::SelectAll2Click);
    item("Renumber1", "Renum&ber", &TfrmMain::Renumber1Click);
    // The item toggles its own check mark before the handler reads it.
    SyntaxColored1 = item("SyntaxColored1", "Show S&yntax", &TfrmMain::SyntaxColored1Click);
    SyntaxColored1->setCheckable(true);
    SyntaxColored1->setChecked(true);
    item("Save1", "S&ave As", &TfrmMain::Save1Click);
    connect(EdDnc, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(EdDnc->mapToGlobal(at)); });

    ReplaceDialog1 = new TReplaceDialog(this);
    ReplaceDialog1->OnFind = [this] { ReplaceDialog1Find(); };
    ReplaceDialog1->OnReplace = [this] { ReplaceDialog1Replace(); };
    RestoreEditorFont();
}

void TfrmMain::Undo1Click() {
    EdDnc->undo();
}

void TfrmMain::SelectAll2Click() {
    EdDnc->selectAll();
}

void TfrmMain::RestoreEditorFont() {
    const QString stored = QSettings(kSettingsOwner, kSettingsOwner).value(kFontKey).toString();
    QFont font;
    if (stored.isEmpty() || !font.fromString(stored)) return;
    SetEditorFont(*EdDnc, PointSizedFont(font, EdDnc));
}

void TfrmMain::Font1Click() {
    TFontDialog dialog(this);
    dialog.SetCurrentFont(EdDnc->font());
    if (dialog.exec() != QDialog::Accepted) return;
    const QFont font = dialog.SelectedFont();
    SetEditorFont(*EdDnc, PointSizedFont(font, EdDnc));
    QSettings(kSettingsOwner, kSettingsOwner).setValue(kFontKey, font.toString());
    EdDnc->setFocus();
}

void TfrmMain::Search1Click() {
    // A selection within one line is what the operator most likely looks for.
    const QString selected = EdDnc->selectedText();
    if (!selected.isEmpty() && !selected.contains('\n') && !selected.contains('\r'))
        ReplaceDialog1->txtFind->setText(selected);
    ReplaceDialog1->show();
    ReplaceDialog1->raise();
    ReplaceDialog1->activateWindow();
    ReplaceDialog1->txtFind->setFocus();
    ReplaceDialog1->txtFind->selectAll();
}

void TfrmMain::ReplaceDialog1Find() {
    SearchEditor(false);
}

void TfrmMain::ReplaceDialog1Replace() {
    SearchEditor(true);
}

void TfrmMain::SearchEditor(bool replace_event) {
    const SearchOptions options = OptionsFromDialog(ReplaceDialog1->Options, replace_event);
    if (SearchReplace(*EdDnc, ReplaceDialog1->FindText(), ReplaceDialog1->ReplaceText(), options) > 0) return;
    if (options_.beep)
        options_.beep();
    else
        QApplication::beep();
    const long end = Send(*EdDnc, QsciScintillaBase::SCI_GETSELECTIONEND);
    Send(*EdDnc, QsciScintillaBase::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(end));
}

void TfrmMain::Renumber1Click() {
    frmReNumber->Editor = EdDnc;
    frmReNumber->OnError = [this](const QString& text) { ShowModalMessage(text.toStdString()); };
    CentreOnScreen(*frmReNumber);
    frmReNumber->exec();
}

void TfrmMain::HelpContents1Click() {
    const QString guide = QString::fromStdString(options_.guide.string());
    if (options_.guide.empty() || !std::filesystem::exists(options_.guide)) {
        ShowModalMessage(
            ("The user's guide was not found" + (guide.isEmpty() ? QString() : ": " + guide) + ".")
                .toStdString());
        return;
    }
    // The desktop's handler shows it. Without one the operator at least learns where the guide is.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(guide)))
        ShowModalMessage(("No program to show the user's guide: " + guide).toStdString());
}

}  // namespace zorvan::ui
