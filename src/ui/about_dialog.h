// The About box: the program's name and version and the firmware version of the controller, if one
// answered. It is created once and shown again each time.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace zorvan::ui {

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    // Called by the owner right before showing the box.
    void FormShow(bool controller_present, double firmware_version);

    // The shortest decimal text that reads back as `value`, never in exponent form.
    static QString VersionText(double value);

    QLabel* lblTitle = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblDemo = nullptr;
    QPushButton* cmdOk = nullptr;
};

}  // namespace zorvan::ui
