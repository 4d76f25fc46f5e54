// "Run from line...": asks for the line a program run starts from.
#pragma once

#include <QDialog>
#include <QLineEdit>

class QLabel;
class QPushButton;

namespace zorvan::ui {

// An integer field that is limited when the keyboard focus leaves it, not while it is read: a value
// confirmed with Enter is taken as typed.
class TIntegerEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit TIntegerEdit(QWidget* parent = nullptr);

    // 0 for an empty text, the lower limit for a text that is not an integer; the limits are not applied.
    int Value() const;
    void SetValue(int value);
    // Writes the limited value back, red when limiting changed it and black otherwise.
    void ApplyLimits();

    int LowerLimit = 0;
    int UpperLimit = 0;
    QColor NormalColour = Qt::black;
    QColor WarningColour = Qt::red;

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void SetTextColour(const QColor& colour);
};

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
