#include "machine/path_record.h"

namespace zorvan::machine {

// A kind the pen has already, and a move to where the pen already stands, change nothing on the view:
// they are not kept, which saves two of every three entries of a program of straight moves.
void PathRecord::SetMoveKind(int kind) {
    view_.SetMoveKind(kind);
    if (!recording_ || kind == last_kind_) return;
    last_kind_ = kind;
    ops_.push_back({static_cast<double>(kind), 0, 0, Op::Kind});
}

void PathRecord::MoveTo3D(double x, double y, double z) {
    view_.MoveTo3D(x, y, z);
    if (!recording_ || (pen_known_ && pen_ == std::array<double, 3>{x, y, z})) return;
    Pen(x, y, z);
    ops_.push_back({x, y, z, Op::Move});
}

void PathRecord::LineTo3D(double x, double y, double z) {
    view_.LineTo3D(x, y, z);
    if (!recording_) return;
    Pen(x, y, z);
    ops_.push_back({x, y, z, Op::Line});
}

void PathRecord::DrawArc(const PreviewArc& arc) {
    view_.DrawArc(arc);
    if (!recording_) return;
    ops_.push_back({static_cast<double>(arcs_.size()), 0, 0, Op::Arc});
    arcs_.push_back(arc);
    pen_known_ = false;  // where the chords end follows the view's scale
}

void PathRecord::Finish() {
    recording_ = false;
    complete_ = true;
    ops_.shrink_to_fit();
    arcs_.shrink_to_fit();
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
    std::vector<Op>().swap(ops_);
    std::vector<PreviewArc>().swap(arcs_);
}

void PathRecord::Replay() {
    for (const Op& op : ops_) {
        switch (op.kind) {
            case Op::Kind:
                view_.SetMoveKind(static_cast<int>(op.x));
                break;
            case Op::Move:
                view_.MoveTo3D(op.x, op.y, op.z);
                break;
            case Op::Line:
                view_.LineTo3D(op.x, op.y, op.z);
                break;
            case Op::Arc:
                view_.DrawArc(arcs_[static_cast<std::size_t>(op.x)]);
                break;
        }
    }
}

}  // namespace zorvan::machine
