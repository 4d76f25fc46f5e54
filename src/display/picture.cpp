#include "display/picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zorvan::display {

QRgb PixelOfColour(int colour) {
    const auto c = static_cast<std::uint32_t>(colour);
    return qRgb(static_cast<int>(c & 0xffu), static_cast<int>((c >> 8) & 0xffu),
                static_cast<int>((c >> 16) & 0xffu));
}

int ColourOfPixel(QRgb pixel) {
    return qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16);
}

TDIBUltra::TDIBUltra(int width, int height)
    : image_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
    image_.fill(PixelOfColour(16777215));
}

void TDIBUltra::Grow(int width, int height) {
    if (width <= image_.width() && height <= image_.height()) return;
    QImage larger(std::max(width, image_.width()), std::max(height, image_.height()), QImage::Format_RGB32);
    larger.fill(PixelOfColour(16777215));
    for (int y = 0; y < image_.height(); ++y) {
        std::copy_n(reinterpret_cast<const QRgb*>(image_.constScanLine(y)), image_.width(),
                    reinterpret_cast<QRgb*>(larger.scanLine(y)));
    }
    image_ = std::move(larger);
}

void TDIBUltra::SetLinePattern(std::int32_t pattern) {
    pattern_ = static_cast<std::uint32_t>(pattern);
    phase_ = 0;
}

void TDIBUltra::Fill(int colour) {
    image_.fill(PixelOfColour(colour));
}

// Clipping keeps the line's direction and its pixels inside the picture: the parametric line is cut to
// the picture's pixel box first (Liang-Barsky), and only the part inside is walked pixel by pixel.
void TDIBUltra::Line(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    // A picture too large to be made has no pixels to draw on.
    if (pattern_ == 0 || image_.isNull()) return;
    const double xmax = image_.width() - 1, ymax = image_.height() - 1;
    const double fx0 = static_cast<double>(x0), fy0 = static_cast<double>(y0);
    const double dx = static_cast<double>(x1 - x0), dy = static_cast<double>(y1 - y0);
    double t0 = 0.0, t1 = 1.0;
    const auto clip = [&](double p, double q) {
        if (p == 0.0) return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!clip(-dx, fx0) || !clip(dx, xmax - fx0) || !clip(-dy, fy0) || !clip(dy, ymax - fy0)) return;
    if (t0 == 0.0 && t1 == 1.0) {
        Run(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1));
        return;
    }
    const auto inside = [](double value, double high) {
        return static_cast<int>(std::clamp(std::nearbyint(value), 0.0, high));
    };
    Run(inside(fx0 + t0 * dx, xmax), inside(fy0 + t0 * dy, ymax), inside(fx0 + t1 * dx, xmax),
        inside(fy0 + t1 * dy, ymax));
}

// Bresenham's walk between two pixels inside the picture, both ends drawn.
void TDIBUltra::Run(int x0, int y0, int x1, int y1) {
    auto* const bits = reinterpret_cast<QRgb*>(image_.bits());
    const std::ptrdiff_t stride = image_.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(QRgb));
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int step_x = x0 < x1 ? 1 : -1;
    const std::ptrdiff_t step_y = y0 < y1 ? stride : -stride;
    QRgb* p = bits + y0 * stride + x0;
    int error = dx + dy;
    int remaining = std::max(dx, -dy);
    const bool solid = pattern_ == 0xffffffffu;
    for (;;) {
        if (solid || ((pattern_ >> (phase_ & 31u)) & 1u) != 0) *p = pixel_;
        ++phase_;
        if (remaining-- == 0) break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p += step_x;
        }
        if (twice <= dx) {
            error += dx;
            p += step_y;
        }
    }
}

}  // namespace zorvan::display
