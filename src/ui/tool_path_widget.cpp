#include "ui/tool_path_widget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "display/picture.h"

namespace zorvan::ui {
namespace {

display::ShiftState ShiftOf(const QMouseEvent& event) {
    display::ShiftState s;
    s.Shift = event.modifiers().testFlag(Qt::ShiftModifier);
    s.Ctrl = event.modifiers().testFlag(Qt::ControlModifier);
    s.Alt = event.modifiers().testFlag(Qt::AltModifier);
    s.Left = event.buttons().testFlag(Qt::LeftButton);
    s.Right = event.buttons().testFlag(Qt::RightButton);
    s.Middle = event.buttons().testFlag(Qt::MiddleButton);
    return s;
}

display::MouseButton ButtonOf(const QMouseEvent& event) {
    switch (event.button()) {
        case Qt::RightButton:
            return display::MouseButton::Right;
        case Qt::MiddleButton:
            return display::MouseButton::Middle;
        default:
            return display::MouseButton::Left;
    }
}

QColor ColourOf(int colour) {
    return QColor(display::PixelOfColour(colour));
}

}  // namespace

ToolPathWidget::ToolPathWidget(QWidget* parent) : QWidget(parent) {
    // The off-screen picture is as large as the screen, so a resize never has to make a new one.
    const QScreen* screen = QApplication::primaryScreen();
    const QSize screen_size = screen != nullptr ? screen->size() : QSize(1920, 1080);
    view_ = std::make_unique<display::TVectorDisplay3D>(std::max(width(), 1), std::max(height(), 1),
                                                        screen_size.width(), screen_size.height());
    view_->ProcessMessages = [] { QApplication::processEvents(); };
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void ToolPathWidget::ShowPicture() {
    copy_only_ = true;
    repaint();
    copy_only_ = false;
}

void ToolPathWidget::paintEvent(QPaintEvent*) {
    if (!copy_only_ && on_paint) on_paint();
    QPainter painter(this);
    const QImage& picture = view_->Projector().Picture().Image();
    painter.drawImage(QPoint(0, 0), picture,
                      QRect(0, 0, std::min(width(), picture.width()), std::min(height(), picture.height())));
    if (view_->RubberBandShown) {
        painter.setPen(QPen(ColourOf(display::TVectorDisplay3D::RubberBandColour), 1));
        painter.setBrush(Qt::NoBrush);
        const auto pixel = [](const display::PixelPoint& p) {
            return QPoint(static_cast<int>(p.x), static_cast<int>(p.y));
        };
        painter.drawRect(QRect(pixel(view_->PressPoint), pixel(view_->LastPoint)).normalized());
    }
    if (extents_shown_) {
        painter.setPen(ColourOf(view_->ColorBackground ^ 0xFFFFFF));
        const QFontMetrics metrics(painter.font());
        for (const display::ExtentLabel& label : view_->DrawExtents()) {
            const QString text = QString::fromStdString(label.text);
            const QRect box(label.x, label.y, metrics.horizontalAdvance(text), metrics.height());
            painter.fillRect(box, ColourOf(view_->ColorBackground));
            painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
        }
    }
    view_->Painted();
}

void ToolPathWidget::resizeEvent(QResizeEvent*) {
    view_->Resize(std::max(width(), 1), std::max(height(), 1));
    if (on_resize) on_resize();
}

void ToolPathWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    view_->MouseDown(ButtonOf(*event), ShiftOf(*event), p.x(), p.y());
}

void ToolPathWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (view_->MouseMove(ShiftOf(*event), p.x(), p.y()) || view_->RubberBandShown) update();
    if (on_mouse_move) on_mouse_move();
}

void ToolPathWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (view_->MouseUp(ButtonOf(*event), ShiftOf(*event), p.x(), p.y())) update();
    if (on_mouse_up) on_mouse_up();
}

}  // namespace zorvan::ui
