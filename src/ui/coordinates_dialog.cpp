#include "ui/coordinates_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/number_text.h"
#include "machine/manual_control.h"

namespace zorvan::ui {

TfrmCoord::TfrmCoord(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCoord"));
    setWindowTitle(QStringLiteral("Coordinates"));
    Button1 = new QPushButton(QStringLiteral("Set"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    auto* fields = new QGridLayout;
    const auto add_row = [this, fields](QLabel*& label, TRealEdit*& field, const char* label_name,
                                        const char* caption, const char* field_name, int row) {
        label = new QLabel(QString::fromLatin1(caption), this);
        label->setObjectName(QString::fromLatin1(label_name));
        field = new TRealEdit(this);
        field->SetFormatString(QStringLiteral("%.5f"));
        field->setObjectName(QString::fromLatin1(field_name));
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
    };
    add_row(Label1, txtX, "Label1", "X Axis", "txtX", 0);
    add_row(Label2, txtY, "Label2", "Y Axis", "txtY", 1);
    add_row(Label3, txtZ, "Label3", "Z Axis", "txtZ", 2);
    add_row(lblA, txtA, "lblA", "A Axis", "txtA", 3);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, txtX);
    setTabOrder(txtX, txtY);
    setTabOrder(txtY, txtZ);
    setTabOrder(txtZ, txtA);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmCoord::FormShow(int axis_count, char decimal_separator) {
    lblA->setVisible(axis_count > 3);
    txtA->setVisible(axis_count > 3);
    // The values are kept, shown again with the separator in force.
    for (TRealEdit* field : {txtX, txtY, txtZ, txtA})
        field->SetDecimalSeparator(decimal_separator);
}

std::optional<double> TfrmCoord::Value(const TRealEdit* field) const {
    return config::parse_real(field->text().trimmed().toStdString(), field->DecimalSeparator());
}

void TfrmCoord::Button1Click() {
    std::optional<double> values[4];
    TRealEdit* const all[4] = {txtX, txtY, txtZ, txtA};
    for (std::size_t i = 0; i < 4; ++i) {
        values[i] = Value(all[i]);
        // A hidden A field still goes with the others, as the machine's fourth counter.
        if (!values[i]) {
            if (on_error)
                on_error(QString::fromStdString(machine::ConversionErrorText(all[i]->text().toStdString())));
            return;
        }
    }
    if (on_set) on_set(*values[0], *values[1], *values[2], *values[3]);
}

}  // namespace zorvan::ui
