// "ReNumber": takes N words off the editor's lines, puts new ones in front of them, or both. Created once
// and kept, so its fields hold their values from one use to the next.
#pragma once

#include <QDialog>
#include <QLineEdit>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QsciScintilla;

namespace zorvan::ui {

// A text box that takes only the digits and Backspace from the keyboard; any other typed character is
// dropped. Pasting is not filtered, so its text may still be anything.
class TDigitEdit : public QLineEdit {
    Q_OBJECT

  public:
    using QLineEdit::QLineEdit;

    // Whether a key typing `text` (the key's character, empty for keys that type none) is let through.
    static bool Accepts(int key, const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Rewrites the editor's lines with `change` as one undo step, touching only the lines it changed; what
// `change` returns (a failure's message) is handed back. The editor is not repainted meanwhile.
std::optional<std::string> ChangeEditorLines(
    QsciScintilla& editor,
    const std::function<std::optional<std::string>(std::vector<std::string>&)>& change);

class TfrmReNumber : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmReNumber(QWidget* parent = nullptr);

    // The editor the buttons work on, and where a field that is not a number is reported.
    QsciScintilla* Editor = nullptr;
    std::function<void(const QString&)> OnError;

    void btnRemoveClick();
    void btnAddClick();
    void btnReNumberClick();
    void btnCancelClick() { close(); }

    QLabel* Label1 = nullptr;  // "Start At"
    TDigitEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;  // "Increment"
    TDigitEdit* Edit2 = nullptr;
    QCheckBox* chkAdd = nullptr;
    QPushButton* btnRemove = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnReNumber = nullptr;
    QPushButton* btnCancel = nullptr;

  private:
    void Apply(const std::function<std::optional<std::string>(std::vector<std::string>&)>& change);
};

}  // namespace zorvan::ui
