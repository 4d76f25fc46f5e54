// The window's plain buttons and labels, made at fixed places as the machine panel lays them out.
#pragma once

#include <QLabel>
#include <QPushButton>

namespace zorvan::ui {

inline constexpr int kMachinePanelWidth = 250;  // pixels
inline constexpr int kCoordsHeight = 150;       // pixels

// The buttons take no keyboard focus: the keys belong to the editor and the machine.
inline QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

inline QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

}  // namespace zorvan::ui
