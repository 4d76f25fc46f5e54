// The editor's font dialog: the fixed-pitch faces of the desktop, a size and underlining, with a sample
// line of G-code in the chosen font.
#pragma once

#include <QDialog>
#include <QFont>
#include <QStringList>

class QCheckBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace zorvan::ui {

class TFontDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TFontDialog(QWidget* parent = nullptr);

    // The families whose letters all take the same width, sorted; every family when the desktop has none.
    // Measured, as the desktop's own fixed-pitch marks are not to be trusted.
    static QStringList FixedPitchFamilies();

    void SetCurrentFont(const QFont& font);
    QFont SelectedFont() const;

    QListWidget* lstFamily = nullptr;
    QSpinBox* txtSize = nullptr;
    QCheckBox* chkUnderline = nullptr;
    QLabel* lblSample = nullptr;

  private:
    void ShowSample();
};

}  // namespace zorvan::ui
