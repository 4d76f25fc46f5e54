// What a whole preview drew, kept between the canon and the view so that the same program seen anew (a
// zoom, a pan, a turn) is drawn again from it rather than by interpreting the program once more. Arcs are
// kept as arcs: their chords follow the view's scale, so they are cut into chords again at each drawing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "machine/tool_path_sink.h"

namespace zorvan::machine {

class PathRecord final : public ToolPathSink {
  public:
    // Everything drawn goes on to `view`; while recording it is also kept.
    explicit PathRecord(ToolPathSink& view) : view_(view) {}

    void SetMoveKind(int kind) override;
    void MoveTo3D(double x, double y, double z) override;
    void LineTo3D(double x, double y, double z) override;
    double PixelsPerUnit() const override { return view_.PixelsPerUnit(); }
    void DrawArc(const PreviewArc& arc) override;

    // Forgets what was kept and keeps what is drawn from now on.
    void Begin();
    // The drawing that began is whole: it may be drawn again.
    void Finish();
    // Forgets what was kept; nothing may be drawn again until the next Begin and Finish.
    void Forget();
    bool Complete() const { return complete_; }
    // Draws what was kept on the view again, in the order it was drawn: all of it, or the entries
    // first..first + count - 1 of Entries().
    void Replay() { Replay(0, Entries()); }
    void Replay(std::size_t first, std::size_t count);
    std::size_t Entries() const { return kinds_.size(); }

  private:
    // Each entry is a point and, beside it in a byte of its own, what the point means.
    enum Op : std::uint8_t { Kind, Move, Line, Arc };
    struct Point {
        double x, y, z;  // Kind: the move kind in x; Arc: the arc's index in x
    };

    void Keep(Op op, double x, double y = 0, double z = 0) {
        points_.push_back({x, y, z});
        kinds_.push_back(op);
    }
    void Pen(double x, double y, double z) {
        pen_ = {x, y, z};
        pen_known_ = true;
    }

    ToolPathSink& view_;
    int last_kind_ = -1;  // of the last kind kept
    bool pen_known_ = false;
    std::array<double, 3> pen_{};  // where the last point kept left the pen
    bool recording_ = false;
    bool complete_ = false;
    // In blocks, not one array: a pass of ten million lines would otherwise stop the window for the
    // copies a growing array makes, and need twice its room while it grows.
    std::deque<Point> points_;
    std::deque<Op> kinds_;
    std::deque<PreviewArc> arcs_;
};

}  // namespace zorvan::machine
