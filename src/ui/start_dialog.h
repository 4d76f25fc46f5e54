// "Run from line...": asks for the line a program run starts from.
#pragma once

#include <QDialog>

#include "ui/numeric_edit.h"

class QLabel;
class QPushButton;

namespace zorvan::ui {

class TfrmStart : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmStart(QWidget* parent = nullptr);

    // Called by the owner right before exec(): the field's upper limit becomes the editor's line count;
    // its value is kept from the last use.
    void FormShow(int editor_line_count);

    QLabel* Label1 = nullptr;
    TIntegerEdit* txtStart = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

  protected:
    // A click on the dialog's own surface, not on one of its controls, confirms like OK.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool surface_pressed_ = false;
};

}  // namespace zorvan::ui
