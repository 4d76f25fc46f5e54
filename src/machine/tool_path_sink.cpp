#include "machine/tool_path_sink.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "machine/controller_command.h"

namespace zorvan::machine {
namespace {

// The preview polyline: at most this many chords per arc, at least this angle (radians) per chord.
constexpr int kMostPreviewChords = 50;
constexpr double kSmallestPreviewStep = 0.01;

}  // namespace

void ToolPathSink::DrawArc(const PreviewArc& arc) {
    DrawArcAsChords(*this, arc);
}

void DrawArcAsChords(ToolPathSink& sink, const PreviewArc& arc) {
    const double sweep = std::fabs(arc.a1 - arc.a0);
    const int chords = std::min(ToCommandInt(sink.PixelsPerUnit() * sweep * arc.radius / arc.unit_scale) / 3,
                                kMostPreviewChords);
    if (chords <= 0) return;
    const double step = std::max(sweep / chords, kSmallestPreviewStep);
    const double direction = arc.a1 > arc.a0 ? 1.0 : -1.0;
    const auto point = [&](double angle) {
        return std::array<double, 3>{(arc.centre_x + arc.radius * std::cos(angle)) / arc.unit_scale,
                                     (arc.centre_y + arc.radius * std::sin(angle)) / arc.unit_scale,
                                     arc.z / arc.unit_scale};
    };
    const auto first = point(arc.a0);
    sink.MoveTo3D(first[0], first[1], first[2]);
    for (int k = 1;; ++k) {
        const double angle = arc.a0 + direction * k * step;
        if (!(direction * (arc.a1 - angle) > 0)) break;
        const auto p = point(angle);
        sink.LineTo3D(p[0], p[1], p[2]);
    }
    const auto last = point(arc.a1);
    sink.LineTo3D(last[0], last[1], last[2]);
}

}  // namespace zorvan::machine
