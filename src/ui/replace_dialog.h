// The find-and-replace dialog: non-modal, kept between uses. It only reports what the operator asked
// for; the owner searches the editor.
#pragma once

#include <QDialog>

#include <functional>

#include "ui/editor_search.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zorvan::ui {

class TReplaceDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TReplaceDialog(QWidget* parent = nullptr);

    QString FindText() const;
    QString ReplaceText() const;
    // Set by each event before it is reported.
    ReplaceDialogFlags Options;

    std::function<void()> OnFind;     // Find Next
    std::function<void()> OnReplace;  // Replace and Replace All

    QLabel* lblFind = nullptr;
    QLineEdit* txtFind = nullptr;
    QLabel* lblReplace = nullptr;
    QLineEdit* txtReplace = nullptr;
    QCheckBox* chkWholeWord = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    QPushButton* btnFindNext = nullptr;
    QPushButton* btnReplace = nullptr;
    QPushButton* btnReplaceAll = nullptr;
    QPushButton* btnCancel = nullptr;

  private:
    void Report(bool find_next, bool replace, bool replace_all);
};

}  // namespace zorvan::ui
