#include "ui/accel_plot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "display/picture.h"

namespace zorvan::ui {
namespace {

constexpr int kLeft = 62;    // pixels for the velocity marks
constexpr int kBottom = 34;  // pixels for the time marks
constexpr int kTop = 18;     // pixels for the unit of the velocity axis
constexpr int kRight = 16;   // pixels

// Black on a light background, white on a dark one.
QColor Contrast(int colour) {
    const QColor c(display::PixelOfColour(colour));
    return c.lightness() > 110 ? QColor(Qt::black) : QColor(Qt::white);
}

QString MarkText(double value, double step) {
    const int decimals = step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    return QString::number(value, 'f', decimals);
}

}  // namespace

double NiceStep(double range, int count) {
    if (!(range > 0) || !std::isfinite(range)) return 1.0;
    const double rough = range / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        if (factor * power >= rough) return factor * power;
    }
    return 10.0 * power;
}

TAccelPlot::TAccelPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(260, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TAccelPlot::SetProfile(const machine::AccelerationProfile& profile) {
    profile_ = profile;
    update();
}

void TAccelPlot::SetBackgroundColour(int colour) {
    background_ = colour;
    update();
}

// The square window of the ramp (0 to the maximum velocity on both axes), widened where the last point
// lies beyond it, with a little room above the top speed.
double TAccelPlot::XRange() const {
    double range = std::max(1, profile_.MaxVelocity);
    for (const machine::ProfilePoint& p : profile_.Polyline)
        range = std::max(range, p.x);
    return range;
}

double TAccelPlot::YRange() const {
    return std::max(1, profile_.MaxVelocity) * 1.08;
}

QRect TAccelPlot::PlotArea() const {
    return QRect(kLeft, kTop, std::max(width() - kLeft - kRight, 10),
                 std::max(height() - kTop - kBottom, 10));
}

QPointF TAccelPlot::PixelOf(double x, double y) const {
    const QRect area = PlotArea();
    return {area.left() + x / XRange() * area.width(), area.bottom() - y / YRange() * area.height()};
}

void TAccelPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor background(display::PixelOfColour(background_));
    const QColor ink = Contrast(background_);
    painter.fillRect(rect(), background);
    const QRect area = PlotArea();
    const QFontMetrics metrics(painter.font());

    // Velocity marks in steps/s, time marks in seconds: the scaled time of the curve is total time over
    // the maximum velocity per unit.
    QColor grid = ink;
    grid.setAlpha(50);
    const double y_step = NiceStep(YRange(), 5);
    for (double v = 0; v <= YRange(); v += y_step) {
        const QPointF at = PixelOf(0, v);
        painter.setPen(grid);
        painter.drawLine(QPointF(area.left(), at.y()), QPointF(area.right(), at.y()));
        painter.setPen(ink);
        const QString text = MarkText(v, y_step);
        painter.drawText(QRectF(0, at.y() - metrics.height() / 2.0, kLeft - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, text);
    }
    const double seconds_per_x = profile_.MaxVelocity > 0 ? profile_.TotalTime_s / profile_.MaxVelocity : 0.0;
    const double total_s = XRange() * seconds_per_x;
    if (total_s > 0) {
        const double t_step = NiceStep(total_s, 5);
        for (double t = 0; t <= total_s * (1 + 1e-9); t += t_step) {
            const QPointF at = PixelOf(t / seconds_per_x, 0);
            painter.setPen(grid);
            painter.drawLine(QPointF(at.x(), area.top()), QPointF(at.x(), area.bottom()));
            painter.setPen(ink);
            const QString text = MarkText(t, t_step);
            const double w = metrics.horizontalAdvance(text);
            painter.drawText(QRectF(at.x() - w / 2, area.bottom() + 4, w + 2, metrics.height()),
                             Qt::AlignCenter, text);
        }
    }
    painter.setPen(ink);
    painter.drawText(QRect(2, 0, kLeft + 60, kTop), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("steps/s"));
    painter.drawText(QRect(area.right() - 40, height() - metrics.height() - 1, 40, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("s"));
    painter.drawLine(area.bottomLeft(), area.topLeft());
    painter.drawLine(area.bottomLeft(), area.bottomRight());

    if (profile_.Polyline.empty()) return;
    QPainterPath curve(PixelOf(profile_.Polyline.front().x, profile_.Polyline.front().y));
    for (const machine::ProfilePoint& p : profile_.Polyline)
        curve.lineTo(PixelOf(p.x, p.y));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(area.adjusted(0, -2, 2, 2));
    painter.setPen(QPen(ink, 2));
    painter.drawPath(curve);
}

}  // namespace zorvan::ui
