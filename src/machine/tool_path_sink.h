// The drawing operations the canonical functions call in preview mode; the tool-path view implements them.
#pragma once

namespace zorvan::machine {

// Move kinds, shared with the tool-path view's colours. A move that leaves the machine's table is drawn as
// MoveExcursion, whatever its kind, so that it stands out.
enum MoveKind : int {
    MoveFeed = 0,
    MoveRapid = 1,
    MoveArcClockwise = 2,
    MoveArcCounterClockwise = 3,
    MoveExcursion = 4
};

// An XY arc as the preview draws it: centre, height and radius in millimetres, from angle a0 to a1 (radians,
// a1 < a0 turning clockwise), drawn in program units of unit_scale millimetres.
struct PreviewArc {
    double centre_x, centre_y, z, radius, a0, a1, unit_scale;
};

class ToolPathSink {
  public:
    virtual ~ToolPathSink() = default;
    virtual void SetMoveKind(int kind) = 0;
    virtual void MoveTo3D(double x, double y, double z) = 0;  // program units
    virtual void LineTo3D(double x, double y, double z) = 0;  // program units
    virtual double PixelsPerUnit() const = 0;                 // the view's scale, for arc chords
    // As chords whose number follows the view's scale (DrawArcAsChords).
    virtual void DrawArc(const PreviewArc& arc);
};

// Draws the arc on the sink as a polyline of as many chords as its length on the screen asks for.
void DrawArcAsChords(ToolPathSink& sink, const PreviewArc& arc);

// Draws nowhere: the headless tools and the benchmarks use it.
class NullToolPathSink final : public ToolPathSink {
  public:
    void SetMoveKind(int) override {}
    void MoveTo3D(double, double, double) override {}
    void LineTo3D(double, double, double) override {}
    double PixelsPerUnit() const override { return 1.0; }
};

}  // namespace zorvan::machine
