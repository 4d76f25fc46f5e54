// The small dialogs open in the middle of the screen, not over their owner.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zorvan::ui {

inline void CentreOnScreen(QWidget& window) {
    window.adjustSize();
    const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    window.move(screen->availableGeometry().center() - window.rect().center());
}

}  // namespace zorvan::ui
