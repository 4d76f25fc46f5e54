#include "ui/start_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/window_placement.h"

namespace zorvan::ui {

TfrmStart::TfrmStart(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Run from line..."));

    Label1 = new QLabel(QStringLiteral("Run file starting from..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtStart = new TIntegerEdit(this);
    txtStart->setObjectName(QStringLiteral("txtStart"));
    txtStart->MinValue = 0;
    txtStart->MaxValue = 99999;
    txtStart->SetValidate(true);
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
    txtStart->MaxValue = editor_line_count;
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
