// The travel check of the window's previews: every move the canon draws is checked against the machine's
// table, the moves that leave it are drawn in the view's warning colour, the status bar names the first
// one, and GO asks before it sends such a program.
#include <QMessageBox>

#include "ui/main_window.h"

namespace zorvan::ui {
namespace {

// "The program leaves the table at line 12: X 205.0000 beyond the table's 200.0000 (3 more)": the first
// excursion as the check command prints it, in machine mm, and how many more the preview found.
QString StatusText(const machine::TravelCheck& check) {
    const machine::TravelExcursion& first = check.Kept().front();
    QString text = QString("The program leaves the table at line %1: %2")
                       .arg(first.line)
                       .arg(QString::fromStdString(machine::ExcursionText(first)));
    if (check.Count() > 1) text += QString(" (%1 more)").arg(check.Count() - 1);
    return text;
}

}  // namespace

void TfrmMain::StartTravelCheck() {
    // The table is set again with every reading of the configuration.
    travel_ = std::make_unique<machine::TravelCheck>(machine::TableLimitsOf(settings_));
    travel_canon_ = std::make_unique<machine::TravelCheckingCanon>(*canon_, *travel_);
}

void TfrmMain::ShowTravelStatus() {
    // A preview refused for want of a program checked nothing.
    if (interpreter_->program_name().empty()) return;
    const QString shown = StatusPanelText(1);
    if (travel_->Kept().empty()) {
        // An earlier preview's excursion no longer holds; what it covered comes back, unless something
        // has been shown since.
        if (!travel_status_.isEmpty() && shown == travel_status_)
            ShowStatus(status_before_travel_.toStdString());
        travel_status_.clear();
        return;
    }
    if (shown != travel_status_) status_before_travel_ = shown;
    travel_status_ = StatusText(*travel_);
    ShowStatus(travel_status_.toStdString());
}

bool TfrmMain::RunAnyway(const machine::TravelExcursion& first) {
    ShowTravelStatus();
    HighlightLine(static_cast<int>(first.line));
    const QString question =
        QString("The program leaves the table at line %1. Run it anyway?").arg(first.line);
    if (AnswerRunAnyway) return AnswerRunAnyway(question);
    // No is the default: a slip of the Enter key must not send the tool beyond the table.
    return QMessageBox::question(this, "ZorvanNC", question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace zorvan::ui
