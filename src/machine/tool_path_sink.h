// The drawing operations the canonical functions call in preview mode; the tool-path view implements them.
#pragma once

namespace zorvan::machine {

// Move kinds, shared with the tool-path view's colours.
enum MoveKind : int { MoveFeed = 0, MoveRapid = 1, MoveArcClockwise = 2, MoveArcCounterClockwise = 3 };

class ToolPathSink {
  public:
    virtual ~ToolPathSink() = default;
    virtual void SetMoveKind(int kind) = 0;
    virtual void MoveTo3D(double x, double y, double z) = 0;  // program units
    virtual void LineTo3D(double x, double y, double z) = 0;  // program units
    virtual double PixelsPerUnit() const = 0;                 // the view's scale, for arc chords
};

// Draws nowhere: the headless tools and the benchmarks use it.
class NullToolPathSink final : public ToolPathSink {
  public:
    void SetMoveKind(int) override {}
    void MoveTo3D(double, double, double) override {}
    void LineTo3D(double, double, double) override {}
    double PixelsPerUnit() const override { return 1.0; }
};

}  // namespace zorvan::machine
