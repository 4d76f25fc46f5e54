#include "display/tool_path_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zorvan::display {
namespace {

constexpr int kMostGridLines = 1001;  // each way, before the closing line at the far edge

// The warning colours of the moves that leave the table (red in the low byte), and how far apart in RGB
// two colours must be to tell a one-pixel line of one from the other at a glance.
constexpr int kOrange = 0x0080FF;
constexpr int kMagenta = 0xFF00FF;
constexpr int kDistinct = 100;

int SquaredDistance(int a, int b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = ((a >> shift) & 0xFF) - ((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

std::string TwoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

TVectorDisplay3D::TVectorDisplay3D(int width, int height, int screen_width, int screen_height)
    : projector_(width, height, screen_width, screen_height), screen_height_(std::max(screen_height, 1)) {
    ClearPicture();
    FitWindow(Window, 20, true, 20);
    ViewTop();
}

void TVectorDisplay3D::SetMoveKind(int kind) {
    switch (kind) {
        case machine::MoveFeed:
            projector_.SetColour(ColorLinear);
            break;
        case machine::MoveRapid:
            projector_.SetColour(ColorRapid);
            break;
        case machine::MoveArcClockwise:
            projector_.SetColour(ColorCW);
            break;
        case machine::MoveArcCounterClockwise:
            projector_.SetColour(ColorCCW);
            break;
        case machine::MoveExcursion:
            projector_.SetColour(ExcursionColour());
            break;
        default:
            break;
    }
}

// Orange reads as a warning and differs from the default colours, the sample machine's and the grey of
// GO's preview; an operator's palette may hold a colour near orange, and then magenta stands in for it
// unless magenta is closer still.
int TVectorDisplay3D::ExcursionColour() const {
    const auto nearest = [this](int colour) {
        int least = SquaredDistance(colour, ColorBackground);
        for (int other : {ColorLinear, ColorRapid, ColorCW, ColorCCW})
            least = std::min(least, SquaredDistance(colour, other));
        return least;
    };
    const int orange = nearest(kOrange);
    if (orange >= kDistinct * kDistinct) return kOrange;
    return nearest(kMagenta) > orange ? kMagenta : kOrange;
}

void TVectorDisplay3D::SetPenColor(int colour) {
    projector_.SetColour(colour);
    CanvasPenXor = true;
}

QImage TVectorDisplay3D::ShowPicture() const {
    return projector_.Picture().Image().copy(0, 0, projector_.Width(), projector_.Height());
}

void TVectorDisplay3D::Resize(int width, int height) {
    projector_.SetViewport(width, height);
}

// One scale for both directions: the box is centred and fully visible inside the margins, and whatever
// the control's shape, the picture is not distorted.
void TVectorDisplay3D::FitWindow(const ViewBox& box, int horizontal_margin, bool recentre,
                                 int vertical_margin) {
    Window = box;
    const double width = projector_.Width(), height = projector_.Height();
    const double dx = box[1] - box[0];
    const double kx = dx == 0.0 ? 1.0 : (width - 2.0 * horizontal_margin) / dx;
    const double dy = box[3] - box[2];
    const double ky = dy == 0.0 ? 1.0 : (height - 2.0 * vertical_margin) / dy;
    const double k = std::min(kx, ky);
    if (!(k > 0.0)) return;
    const double mx = box[0] + dx / 2.0, my = box[2] + dy / 2.0;
    if (recentre) projector_.SetCentre(mx, my, box[6]);
    projector_.SetWindow(
        {mx - width / (2.0 * k), mx + width / (2.0 * k), my - height / (2.0 * k), my + height / (2.0 * k)});
}

void TVectorDisplay3D::ViewTop() {
    ViewMode = 1;
    projector_.SetAngles(0.0, 90.0);
}

void TVectorDisplay3D::ViewFront() {
    ViewMode = 2;
    projector_.SetAngles(0.0, 0.0);
}

void TVectorDisplay3D::ViewIsometric() {
    ViewMode = 3;
    projector_.SetAngles(30.0, 45.0);
}

// The table's colours follow the background, so the grid stays faint and the outline stays visible on
// any background the operator picks.
void TVectorDisplay3D::DrawTable(const ViewBox& box) {
    if (box[8] == 0.0) return;
    const double min_x = box[0], max_x = box[1], min_y = box[2], max_y = box[3], min_z = box[4];
    const double h = GridSpacing;
    const int before = projector_.Colour();
    SetLinePattern(-1);

    projector_.SetColour((~ColorBackground ^ 0xC0C0C0) & 0xFFFFFF);
    int lines = 0;
    for (double x = min_x; x < max_x && lines < kMostGridLines; x = min_x + ++lines * h) {
        MoveTo3D(x, min_y, min_z);
        LineTo3D(x, max_y, min_z);
    }
    MoveTo3D(max_x, min_y, min_z);
    LineTo3D(max_x, max_y, min_z);
    lines = 0;
    for (double y = min_y; y < max_y && lines < kMostGridLines; y = min_y + ++lines * h) {
        MoveTo3D(min_x, y, min_z);
        LineTo3D(max_x, y, min_z);
    }
    MoveTo3D(min_x, max_y, min_z);
    LineTo3D(max_x, max_y, min_z);

    projector_.SetColour(~ColorBackground & 0xFFFFFF);
    MoveTo3D(-h, 0, 0);
    LineTo3D(h, 0, 0);
    MoveTo3D(0, -h, 0);
    LineTo3D(0, h, 0);
    MoveTo3D(0, 0, -h);
    LineTo3D(0, 0, h);

    projector_.SetColour((ColorBackground ^ 0xFFFF00) & 0xFFFFFF);
    for (double z : {0.0, min_z}) {
        MoveTo3D(min_x, min_y, z);
        LineTo3D(min_x, max_y, z);
        LineTo3D(max_x, max_y, z);
        LineTo3D(max_x, min_y, z);
        LineTo3D(min_x, min_y, z);
    }
    for (const auto& [x, y] : {std::pair{min_x, min_y}, {min_x, max_y}, {max_x, max_y}, {max_x, min_y}}) {
        MoveTo3D(x, y, 0.0);
        LineTo3D(x, y, min_z);
    }
    projector_.SetColour(before);
}

std::array<ExtentLabel, 4> TVectorDisplay3D::DrawExtents() const {
    const ProjectedWindow w = GetWindow();
    const int width = Width(), height = Height();
    return {{{TwoDecimals(w.xmin), 5, height - 25},
             {TwoDecimals(w.xmax), width - 50, height - 25},
             {TwoDecimals(w.ymin), width - 50, height - 45},
             {TwoDecimals(w.ymax), width - 50, 5}}};
}

void TVectorDisplay3D::UpdateCursor(int x, int y) {
    if (x < 0 || x >= Width() || y < 0 || y >= Height()) {
        CursorX = CursorY = 0.0;
        return;
    }
    const ViewPoint p = projector_.FromPixel(x, y);
    CursorX = p.u;
    CursorY = p.v;
}

void TVectorDisplay3D::MouseDown(MouseButton button, ShiftState, int x, int y) {
    PressPoint = LastPoint = {x, y};
    UpdateCursor(x, y);
    if (button == MouseButton::Left && ZoomArmed) RubberBandShown = false;
}

bool TVectorDisplay3D::MouseMove(ShiftState shift, int x, int y) {
    const ShiftState left_only{.Left = true};
    const ShiftState shift_left{.Shift = true, .Left = true};
    const ShiftState ctrl_left{.Ctrl = true, .Left = true};
    const double dx = x - static_cast<double>(LastPoint.x);
    const double dy = y - static_cast<double>(LastPoint.y);
    bool repaint = false;
    if (shift == left_only && ZoomArmed) {
        RubberBandShown = true;
        ClearPicture();
    } else if (shift == shift_left && !Busy) {
        // Pan: the box follows the mouse, so the point under it stays under it.
        Busy = true;
        Pump();
        ViewBox box = Window;
        box[0] -= dx / projector_.Sx();
        box[1] -= dx / projector_.Sx();
        box[2] += dy / projector_.Sy();
        box[3] += dy / projector_.Sy();
        FitWindow(box, 0, false, 0);
        ClearPicture();
        repaint = true;
    } else if (shift == ctrl_left && !Busy) {
        // Zoom: dragging upward shrinks the box, which enlarges the picture.
        Busy = true;
        Pump();
        const double f = -4.0 * dy / screen_height_;
        ViewBox box = Window;
        const double width = box[1] - box[0], depth = box[3] - box[2];
        box[0] += width * f;
        box[1] -= width * f;
        box[2] += depth * f;
        box[3] -= depth * f;
        FitWindow(box, 0, true, 0);
        ClearPicture();
        repaint = true;
    } else if (shift == left_only && ViewMode == 3 && !Busy) {
        // Turn: up and down tilt the view; sideways turns it, the way the lower half of a turntable
        // moves under the hand.
        Busy = true;
        Pump();
        const double elevation = std::clamp(projector_.Elevation() + dy, -100.0, 100.0);
        double azimuth = y > Height() / 2 ? projector_.Azimuth() - dx : projector_.Azimuth() + dx;
        if (azimuth < 0.0)
            azimuth = 360.0;
        else if (azimuth > 360.0)
            azimuth = 0.0;
        projector_.SetAngles(azimuth, elevation);
        ClearPicture();
        repaint = true;
    }
    LastPoint = {x, y};
    UpdateCursor(x, y);
    return repaint;
}

bool TVectorDisplay3D::MouseUp(MouseButton button, ShiftState, int, int) {
    if (button != MouseButton::Left || !ZoomArmed) return false;
    if (std::llabs(LastPoint.x - PressPoint.x) <= 1 || std::llabs(LastPoint.y - PressPoint.y) <= 1)
        return false;
    const ViewPoint a =
        projector_.FromPixel(static_cast<double>(PressPoint.x), static_cast<double>(PressPoint.y));
    const ViewPoint b =
        projector_.FromPixel(static_cast<double>(LastPoint.x), static_cast<double>(LastPoint.y));
    SavedWindow = Window;
    Window[0] = std::min(a.u, b.u);
    Window[1] = std::max(a.u, b.u);
    Window[2] = std::min(a.v, b.v);
    Window[3] = std::max(a.v, b.v);
    FitWindow(Window, 0, false, 0);
    ZoomArmed = false;
    RubberBandShown = false;
    return true;
}

}  // namespace zorvan::display
