// "Coordinates" (Controller > Set Coordinates): loads new values into the board's position counters.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "ui/numeric_edit.h"

class QLabel;
class QPushButton;

namespace zorvan::ui {

class TfrmCoord : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmCoord(QWidget* parent = nullptr);

    // Before each showing: the A field only on a machine of more than three axes, and the process's
    // decimal separator for reading and writing the fields. The values are kept from the last use.
    void FormShow(int axis_count, char decimal_separator);
    // Set: the four values to the board. The dialog stays open; Cancel closes it.
    void Button1Click();
    void Button2Click() { reject(); }

    // What Set does with the values (program units, A in degrees): true when the board took them.
    std::function<bool(double, double, double, double)> on_set;
    // A field that holds no number: the conversion error, and nothing is set.
    std::function<void(const QString&)> on_error;

    QPushButton* Button1 = nullptr;  // "Set"
    QPushButton* Button2 = nullptr;  // "Cancel"
    TRealEdit* txtX = nullptr;
    TRealEdit* txtY = nullptr;
    TRealEdit* txtZ = nullptr;
    TRealEdit* txtA = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblA = nullptr;

  private:
    std::optional<double> Value(const TRealEdit* field) const;
};

}  // namespace zorvan::ui
