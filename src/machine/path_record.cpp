#include "machine/path_record.h"

#include <algorithm>

namespace zorvan::machine {

// A kind the pen has already, and a move to where the pen already stands, change nothing on the view:
// they are not kept, which saves two of every three entries of a program of straight moves.
void PathRecord::SetMoveKind(int kind) {
    view_.SetMoveKind(kind);
    if (!recording_ || kind == last_kind_) return;
    last_kind_ = kind;
    Keep(Kind, static_cast<double>(kind));
}

void PathRecord::MoveTo3D(double x, double y, double z) {
    view_.MoveTo3D(x, y, z);
    if (!recording_ || (pen_known_ && pen_ == std::array<double, 3>{x, y, z})) return;
    Pen(x, y, z);
    Keep(Move, x, y, z);
}

void PathRecord::LineTo3D(double x, double y, double z) {
    view_.LineTo3D(x, y, z);
    if (!recording_) return;
    Pen(x, y, z);
    Keep(Line, x, y, z);
}

void PathRecord::DrawArc(const PreviewArc& arc) {
    view_.DrawArc(arc);
    if (!recording_) return;
    Keep(Arc, static_cast<double>(arcs_.size()));
    arcs_.push_back(arc);
    pen_known_ = false;  // where the chords end follows the view's scale
}

void PathRecord::Finish() {
    recording_ = false;
    complete_ = true;
}

void PathRecord::Begin() {
    Forget();
    recording_ = true;
}

void PathRecord::Forget() {
    recording_ = complete_ = false;
    last_kind_ = -1;
    pen_known_ = false;
    // The memory goes back too: a million-line program keeps tens of megabytes here.
    std::deque<Point>().swap(points_);
    std::deque<Op>().swap(kinds_);
    std::deque<PreviewArc>().swap(arcs_);
}

void PathRecord::Replay(std::size_t first, std::size_t count) {
    const std::size_t end = std::min(kinds_.size(), first + count);
    if (first >= end) return;
    auto point = points_.begin() + static_cast<std::ptrdiff_t>(first);
    const auto last = kinds_.begin() + static_cast<std::ptrdiff_t>(end);
    for (auto kind = kinds_.begin() + static_cast<std::ptrdiff_t>(first); kind != last; ++kind, ++point) {
        const Point& p = *point;
        switch (*kind) {
            case Kind:
                view_.SetMoveKind(static_cast<int>(p.x));
                break;
            case Move:
                view_.MoveTo3D(p.x, p.y, p.z);
                break;
            case Line:
                view_.LineTo3D(p.x, p.y, p.z);
                break;
            case Arc:
                view_.DrawArc(arcs_[static_cast<std::size_t>(p.x)]);
                break;
        }
    }
}

}  // namespace zorvan::machine
