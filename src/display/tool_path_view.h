// The wire-frame tool-path view (TVectorDisplay3D) without its window: the canonical machining
// functions draw each move into its off-screen picture in the colour of the move's kind, and the view's
// mouse operations change what is seen. A widget hosts it: it forwards mouse events and paints,
// copies the picture to the screen and draws the rubber band and the corner labels on its own canvas.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include <QImage>

#include "display/projector.h"
#include "machine/tool_path_sink.h"

namespace zorvan::display {

// lowest X, highest X, lowest Y, highest Y, lowest Z, highest Z, centre height, and two more reals of
// which only the ninth is looked at (by DrawTable; 0 there means no table).
using ViewBox = std::array<double, 9>;

enum class MouseButton { Left, Right, Middle };

// Keys and buttons held during a mouse event, compared as a whole.
struct ShiftState {
    bool Shift = false;
    bool Alt = false;
    bool Ctrl = false;
    bool Left = false;
    bool Right = false;
    bool Middle = false;
    bool operator==(const ShiftState&) const = default;
};

// One limit of the projected window as written in a corner of the control.
struct ExtentLabel {
    std::string text;  // "%.2f"
    int x = 0, y = 0;  // pixels, top-left of the text
};

class TVectorDisplay3D final : public machine::ToolPathSink {
  public:
    // A control of width x height pixels on a screen of screen_width x screen_height; the picture is
    // made as large as the screen.
    TVectorDisplay3D(int width, int height, int screen_width, int screen_height);
    TVectorDisplay3D(int width, int height) : TVectorDisplay3D(width, height, width, height) {}

    // Drawing.
    void SetMoveKind(int kind) override;
    // The colour of the moves that leave the machine's table (kind MoveExcursion): a strong orange, or
    // magenta where the background or a move colour the operator chose lies too close to orange.
    int ExcursionColour() const;
    void SetPenColor(int colour);
    void SetBackgroundColor(int colour) { ColorBackground = colour; }
    void SetLinePattern(std::int32_t pattern) { projector_.SetLinePattern(pattern); }
    void MoveTo3D(double x, double y, double z) override { projector_.MoveTo3D(x, y, z); }
    void LineTo3D(double x, double y, double z) override { projector_.LineTo3D(x, y, z); }
    double PixelsPerUnit() const override { return projector_.Sx(); }
    void ClearPicture() {
        projector_.Picture().Fill(ColorBackground);
        ++Clears;
    }
    // The picture as the control shows it: its top-left part of the control's size.
    QImage ShowPicture() const;
    // Points are always taken as Cartesian x, y, z here; the widget still calls it before drawing, as
    // every user of the view does.
    void PrepareDrawing() {}
    void Resize(int width, int height);

    // Views and fitting.
    void FitWindow(const ViewBox& box, int horizontal_margin, bool recentre, int vertical_margin);
    void ViewTop();
    void ViewFront();
    void ViewIsometric();
    void DrawTable(const ViewBox& box);
    std::array<ExtentLabel, 4> DrawExtents() const;
    ProjectedWindow GetWindow() const { return projector_.Window(); }

    // Mouse operations. Each returns whether the control must repaint the picture. A zoom-window drag
    // does not: it only blanks the picture, and the control draws the rubber band over what it shows.
    void MouseDown(MouseButton button, ShiftState shift, int x, int y);
    bool MouseMove(ShiftState shift, int x, int y);
    bool MouseUp(MouseButton button, ShiftState shift, int x, int y);
    // The control painted: drags may draw their next step.
    void Painted() { Busy = false; }

    const TPantoGraph& Projector() const { return projector_; }
    int Width() const { return projector_.Width(); }
    int Height() const { return projector_.Height(); }

    // Colours: 24 bits, red in the low byte.
    int ColorLinear = 0;
    int ColorRapid = 16711680;
    int ColorCW = 255;
    int ColorCCW = 32768;
    int ColorBackground = 16777215;
    double GridSpacing = 1.0;  // view units between the table's grid lines
    ViewBox Window{-100, 100, -100, 100, 0, 0, 0, 0, 0};
    ViewBox SavedWindow = Window;
    int ViewMode = 1;  // 1 top, 2 front, 3 isometric
    bool ZoomArmed = false;
    bool Busy = false;
    PixelPoint PressPoint, LastPoint;
    double CursorX = 0.0, CursorY = 0.0;
    // The rubber band of a zoom-window drag, from PressPoint to LastPoint, drawn by the control in red
    // (RubberBandColour) in not-xor mode; shown while the drag goes on.
    bool RubberBandShown = false;
    static constexpr int RubberBandColour = 255;
    // The control's own canvas pen draws in exclusive-or mode after SetPenColor (the tool marker).
    bool CanvasPenXor = false;
    long Clears = 0;  // pictures cleared so far: a paint tells from it whether the table must be redrawn
    // Lets pending window messages run inside a drag step; the widget sets it.
    std::function<void()> ProcessMessages;

  private:
    void UpdateCursor(int x, int y);
    void Pump() {
        if (ProcessMessages) ProcessMessages();
    }

    TPantoGraph projector_;
    int screen_height_;  // pixels; the zoom drag's speed is relative to it
};

}  // namespace zorvan::display
