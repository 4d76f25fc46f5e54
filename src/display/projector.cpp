#include "display/projector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zorvan::display {
namespace {

// Far enough outside any picture that a line towards it keeps its direction, near enough that the
// line routine's arithmetic stays exact.
constexpr double kFarPixel = 1099511627776.0;  // 2^40 pixels

std::int64_t RoundPixel(double value) {
    if (!(value > -kFarPixel)) return static_cast<std::int64_t>(-kFarPixel);
    if (!(value < kFarPixel)) return static_cast<std::int64_t>(kFarPixel);
    return static_cast<std::int64_t>(std::nearbyint(value));  // the default rounding: halves to even
}

}  // namespace

TPantoGraph::TPantoGraph(int width, int height, int picture_width, int picture_height)
    : picture_(std::max(width, picture_width), std::max(height, picture_height)),
      width_(width),
      height_(height) {
    ComputeTransform();
}

void TPantoGraph::SetViewport(int width, int height) {
    width_ = width;
    height_ = height;
    picture_.Grow(width, height);
    ComputeTransform();
}

void TPantoGraph::SetAngles(double azimuth_deg, double elevation_deg) {
    azimuth_deg_ = azimuth_deg;
    elevation_deg_ = elevation_deg;
    ComputeTransform();
}

void TPantoGraph::SetCentre(double cx, double cy, double cz) {
    cx_ = cx;
    cy_ = cy;
    cz_ = cz;
}

void TPantoGraph::SetWindow(const ProjectedWindow& window) {
    window_ = window;
    ComputeTransform();
}

void TPantoGraph::ComputeTransform() {
    sx_ = width_ / (window_.xmax - window_.xmin);
    sy_ = height_ / (window_.ymax - window_.ymin);
    const double a = azimuth_deg_ * std::numbers::pi / 180.0;
    const double e = elevation_deg_ * std::numbers::pi / 180.0;
    cos_a_ = std::cos(a);
    sin_a_ = std::sin(a);
    sin_e_ = std::sin(e);
    cos_e_ = std::cos(e);
}

ViewPoint TPantoGraph::Project(double x, double y, double z) const {
    const double dx = x - cx_, dy = y - cy_, dz = z - cz_;
    return {cx_ + dx * cos_a_ + dy * sin_a_, cy_ - dx * sin_a_ * sin_e_ + dy * cos_a_ * sin_e_ + dz * cos_e_};
}

PixelPoint TPantoGraph::ToPixel(ViewPoint point) const {
    return {RoundPixel((point.u - window_.xmin) * sx_), height_ - RoundPixel((point.v - window_.ymin) * sy_)};
}

ViewPoint TPantoGraph::FromPixel(double px, double py) const {
    return {px / sx_ + window_.xmin, (height_ - py) / sy_ + window_.ymin};
}

void TPantoGraph::LineTo3D(double x, double y, double z) {
    const PixelPoint to = ProjectToPixel(x, y, z);
    picture_.Line(pen_.x, pen_.y, to.x, to.y);
    pen_ = to;
}

}  // namespace zorvan::display
