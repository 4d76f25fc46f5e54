#include "ui/start_dialog.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "display/line_numbers.h"
#include "ui/window_placement.h"

namespace zorvan::ui {

TIntegerEdit::TIntegerEdit(QWidget* parent) : QLineEdit(parent) {
    SetTextColour(NormalColour);
}

int TIntegerEdit::Value() const {
    const QString content = text();
    if (content.isEmpty()) return 0;
    return display::ParseWholeNumber(content.toStdString()).value_or(LowerLimit);
}

void TIntegerEdit::SetValue(int value) {
    setText(QString::number(value));
}

void TIntegerEdit::ApplyLimits() {
    const int value = Value();
    const int limited = std::clamp(value, LowerLimit, std::max(LowerLimit, UpperLimit));
    SetValue(limited);
    SetTextColour(limited == value ? NormalColour : WarningColour);
}

// Only a move to another control limits: a mouse press on a focusable control arrives here before that
// control sees it, so OK reads the limited value. The window closing or losing activation does not, or
// the value confirmed with Enter would be limited once the dialog hides.
void TIntegerEdit::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        ApplyLimits();
    QLineEdit::focusOutEvent(event);
}

void TIntegerEdit::SetTextColour(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::Text, colour);
    setPalette(colours);
}

TfrmStart::TfrmStart(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Run from line..."));

    Label1 = new QLabel(QStringLiteral("Run file starting from..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtStart = new TIntegerEdit(this);
    txtStart->setObjectName(QStringLiteral("txtStart"));
    txtStart->LowerLimit = 0;
    txtStart->UpperLimit = 99999;
    txtStart->SetValue(0);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    // Enter reaches the default button through QDialog without moving the focus, so it is not limited.
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtStart);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmStart::FormShow(int editor_line_count) {
    txtStart->UpperLimit = editor_line_count;
    CentreOnScreen(*this);
    txtStart->setFocus();
    txtStart->selectAll();
}

void TfrmStart::mousePressEvent(QMouseEvent* event) {
    // Presses a label ignores are passed on to here; only the free surface counts.
    surface_pressed_ = event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr;
    QDialog::mousePressEvent(event);
}

void TfrmStart::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = surface_pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint()) &&
                       childAt(event->position().toPoint()) == nullptr;
    surface_pressed_ = false;
    QDialog::mouseReleaseEvent(event);
    if (click) accept();
}

}  // namespace zorvan::ui
