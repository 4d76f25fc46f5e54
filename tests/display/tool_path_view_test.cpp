// The tool-path view: projection and rounding, the picture's line routine and clipping, fitting, the
// presets, the machine table, the mouse operations, and the preview command's picture.
#include "display/tool_path_view.h"

#include <gtest/gtest.h>

#include "support/cli_capture.h"

#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "app/cli_preview.h"
#include "support/temp_dir.h"

namespace zorvan::display {
namespace {

constexpr int kWhite = 16777215;
constexpr int kBlack = 0;

int ColourAt(const QImage& image, std::int64_t x, std::int64_t y) {
    return ColourOfPixel(image.pixel(static_cast<int>(x), static_cast<int>(y)));
}

// Whether the colour lies within one pixel of p: rounding may put a chord's pixel next to the exact one.
bool ColourNear(const QImage& image, PixelPoint p, int colour) {
    for (std::int64_t y = p.y - 1; y <= p.y + 1; ++y) {
        for (std::int64_t x = p.x - 1; x <= p.x + 1; ++x) {
            if (x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
                ColourAt(image, x, y) == colour)
                return true;
        }
    }
    return false;
}

long CountColour(const QImage& image, int colour) {
    long count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += ColourAt(image, x, y) == colour;
    }
    return count;
}

// --- The picture -------------------------------------------------------------------------------------

TEST(Picture, ColoursKeepRedInTheLowByte) {
    EXPECT_EQ(PixelOfColour(255), qRgb(255, 0, 0));
    EXPECT_EQ(PixelOfColour(32768), qRgb(0, 128, 0));
    EXPECT_EQ(PixelOfColour(16711680), qRgb(0, 0, 255));
    EXPECT_EQ(ColourOfPixel(PixelOfColour(0x123456)), 0x123456);
}

TEST(Picture, LineDrawsBothEndsAndEveryPixelBetween) {
    TDIBUltra picture(40, 30);
    picture.SetColour(255);
    picture.Line(2, 3, 12, 8);
    EXPECT_EQ(CountColour(picture.Image(), 255), 11);  // one pixel per column of the longer axis
    EXPECT_EQ(ColourAt(picture.Image(), 2, 3), 255);
    EXPECT_EQ(ColourAt(picture.Image(), 12, 8), 255);
    picture.Line(5, 5, 5, 5);
    EXPECT_EQ(ColourAt(picture.Image(), 5, 5), 255);
}

struct ClipCase {
    const char* name;
    std::int64_t x0, y0, x1, y1;
    long pixels;  // drawn inside a 100 x 50 picture
};

class PictureClip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(PictureClip, LinesAreClippedOnlyByThePicture) {
    const ClipCase& c = GetParam();
    TDIBUltra picture(100, 50);
    picture.SetColour(0);
    picture.Line(c.x0, c.y0, c.x1, c.y1);
    EXPECT_EQ(CountColour(picture.Image(), 0), c.pixels);
}

constexpr std::int64_t kFar = std::int64_t{1} << 40;
INSTANTIATE_TEST_SUITE_P(Cases, PictureClip,
                         ::testing::Values(ClipCase{"inside", 0, 0, 99, 0, 100},
                                           ClipCase{"across_from_far_left", -kFar, 10, kFar, 10, 100},
                                           ClipCase{"down_through_it", 20, -1000, 20, 1000, 50},
                                           ClipCase{"wholly_above", -10, -5, 200, -5, 0},
                                           ClipCase{"wholly_right", 100, 0, 150, 49, 0},
                                           ClipCase{"ending_outside", 90, 25, 120, 25, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Picture, PatternZeroDrawsNothingAndAMaskDashes) {
    TDIBUltra picture(64, 8);
    picture.SetColour(0);
    picture.SetLinePattern(0);
    picture.Line(0, 0, 63, 0);
    EXPECT_EQ(CountColour(picture.Image(), 0), 0);
    picture.SetLinePattern(0x55555555);
    picture.Line(0, 1, 63, 1);
    EXPECT_EQ(CountColour(picture.Image(), 0), 32);
    EXPECT_EQ(ColourAt(picture.Image(), 0, 1), 0);
    EXPECT_EQ(ColourAt(picture.Image(), 1, 1), kWhite);
}

TEST(Picture, GrowingKeepsWhatIsDrawn) {
    TDIBUltra picture(10, 10);
    picture.SetColour(255);
    picture.Line(3, 3, 3, 3);
    picture.Grow(5, 5);
    EXPECT_EQ(picture.Width(), 10);
    picture.Grow(20, 12);
    EXPECT_EQ(picture.Width(), 20);
    EXPECT_EQ(picture.Height(), 12);
    EXPECT_EQ(ColourAt(picture.Image(), 3, 3), 255);
    EXPECT_EQ(ColourAt(picture.Image(), 15, 11), kWhite);
}

// --- The projector -----------------------------------------------------------------------------------

TEST(Projector, PixelsRoundHalvesToEven) {
    TPantoGraph projector(10, 10, 10, 10);
    projector.SetWindow({0, 10, 0, 10});  // one pixel per unit
    EXPECT_EQ(projector.ToPixel({2.5, 0}).x, 2);
    EXPECT_EQ(projector.ToPixel({3.5, 0}).x, 4);
    EXPECT_EQ(projector.ToPixel({0, 2.5}).y, 10 - 2);
    EXPECT_EQ(projector.ToPixel({0, 3.5}).y, 10 - 4);
    EXPECT_EQ(projector.ToPixel({3.4999, 0}).x, 3);
}

struct ProjectionCase {
    const char* name;
    double azimuth, elevation;
    double x, y, z;
    double u, v;
};

class Projection : public ::testing::TestWithParam<ProjectionCase> {};

TEST_P(Projection, IsParallelAroundTheRotationCentre) {
    const ProjectionCase& c = GetParam();
    TPantoGraph projector(100, 100, 100, 100);
    projector.SetCentre(1, 2, 3);
    projector.SetAngles(c.azimuth, c.elevation);
    const ViewPoint p = projector.Project(c.x, c.y, c.z);
    EXPECT_NEAR(p.u, c.u, 1e-9);
    EXPECT_NEAR(p.v, c.v, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Projection,
    ::testing::Values(ProjectionCase{"top_is_x_and_y", 0, 90, 5, 7, 100, 5, 7},
                      ProjectionCase{"front_is_x_and_z_at_centre_height", 0, 0, 5, 7, 4, 5, 2 + 1},
                      ProjectionCase{"isometric_x_axis", 30, 45, 2, 2, 3, 1 + std::cos(std::numbers::pi / 6),
                                     2 - std::sin(std::numbers::pi / 6) * std::sin(std::numbers::pi / 4)},
                      ProjectionCase{"isometric_z_axis", 30, 45, 1, 2, 4, 1,
                                     2 + std::cos(std::numbers::pi / 4)}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The view ----------------------------------------------------------------------------------------

TEST(ToolPathView, StartsAsCreated) {
    TVectorDisplay3D view(440, 240);
    EXPECT_EQ(view.ColorLinear, 0);
    EXPECT_EQ(view.ColorRapid, 16711680);
    EXPECT_EQ(view.ColorCW, 255);
    EXPECT_EQ(view.ColorCCW, 32768);
    EXPECT_EQ(view.ColorBackground, kWhite);
    EXPECT_EQ(view.GridSpacing, 1.0);
    EXPECT_EQ(view.ViewMode, 1);
    EXPECT_EQ(view.Projector().Elevation(), 90.0);
    EXPECT_EQ(view.Window, (ViewBox{-100, 100, -100, 100, 0, 0, 0, 0, 0}));
    // 200 units in 240 - 2 x 20 pixels: one pixel per unit, the box centred.
    EXPECT_DOUBLE_EQ(view.PixelsPerUnit(), 1.0);
    EXPECT_EQ(view.Projector().ProjectToPixel(-100, -100, 0), (PixelPoint{120, 220}));
    EXPECT_EQ(CountColour(view.ShowPicture(), kWhite), 440L * 240);
}

TEST(ToolPathView, EachMoveKindDrawsInItsColour) {
    TVectorDisplay3D view(200, 200);
    const int colours[] = {view.ColorLinear, view.ColorRapid, view.ColorCW, view.ColorCCW};
    for (int kind = 0; kind < 4; ++kind) {
        view.SetMoveKind(kind);
        view.MoveTo3D(-50, 10.0 * kind, 0);
        view.LineTo3D(50, 10.0 * kind, 0);
        const PixelPoint middle = view.Projector().ProjectToPixel(0, 10.0 * kind, 0);
        EXPECT_EQ(ColourAt(view.ShowPicture(), middle.x, middle.y), colours[kind]) << "kind " << kind;
    }
    view.SetMoveKind(7);  // not a kind: the colour stays that of the last kind
    view.MoveTo3D(-50, -20, 0);
    view.LineTo3D(50, -20, 0);
    const PixelPoint p = view.Projector().ProjectToPixel(0, -20, 0);
    EXPECT_EQ(ColourAt(view.ShowPicture(), p.x, p.y), view.ColorCCW);
}

// The moves that leave the table are drawn in orange unless the operator's colours leave too little room
// for it; then in magenta, unless magenta is closer still to one of them.
TEST(ToolPathView, MovesLeavingTheTableHaveAColourApartFromTheOthers) {
    constexpr int kOrange = 0x0080FF, kMagenta = 0xFF00FF;
    const struct {
        const char* name;
        int linear, ccw, background;
        int expected;
    } cases[] = {
        {"the default colours", 0, 32768, kWhite, kOrange},
        {"the sample machine's magenta arcs", 32768, kMagenta, kWhite, kOrange},
        {"an orange feed", 0x0090FF, 32768, kWhite, kMagenta},
        {"an orange background", 0, 32768, 0x0070F0, kMagenta},
        {"orange and magenta taken", 0x0088FF, kMagenta, kWhite, kOrange},
    };
    for (const auto& c : cases) {
        TVectorDisplay3D view(200, 200);
        view.ColorLinear = c.linear;
        view.ColorCCW = c.ccw;
        view.ColorBackground = c.background;
        EXPECT_EQ(view.ExcursionColour(), c.expected) << c.name;
    }
}

TEST(ToolPathView, PenColourDrawsAndTurnsTheCanvasPenToExclusiveOr) {
    TVectorDisplay3D view(200, 200);
    view.SetPenColor(0x00FF00);
    EXPECT_TRUE(view.CanvasPenXor);
    view.MoveTo3D(0, 0, 0);
    view.LineTo3D(10, 0, 0);
    const PixelPoint p = view.Projector().ProjectToPixel(5, 0, 0);
    EXPECT_EQ(ColourAt(view.ShowPicture(), p.x, p.y), 0x00FF00);
}

TEST(ToolPathView, ClearFillsWithTheBackground) {
    TVectorDisplay3D view(50, 40);
    view.SetBackgroundColor(kBlack);
    view.ClearPicture();
    EXPECT_EQ(CountColour(view.ShowPicture(), kBlack), 50L * 40);
}

TEST(ToolPathView, FitCentresTheBoxInsideTheMargins) {
    TVectorDisplay3D view(400, 300);
    view.FitWindow({0, 100, 0, 20, -5, 5, 7, 0, 0}, 20, true, 10);
    // The wider direction sets the scale: 360 pixels for 100 units.
    EXPECT_DOUBLE_EQ(view.PixelsPerUnit(), 3.6);
    EXPECT_DOUBLE_EQ(view.Projector().Sy(), 3.6);
    EXPECT_EQ(view.Projector().ProjectToPixel(0, 10, 0).x, 20);
    EXPECT_EQ(view.Projector().ProjectToPixel(100, 10, 0).x, 380);
    EXPECT_EQ(view.Projector().ProjectToPixel(50, 10, 0).y, 150);
    EXPECT_DOUBLE_EQ(view.Projector().CentreX(), 50);
    EXPECT_DOUBLE_EQ(view.Projector().CentreY(), 10);
    EXPECT_DOUBLE_EQ(view.Projector().CentreZ(), 7);
}

TEST(ToolPathView, FitWithoutRecentreKeepsTheRotationCentre) {
    TVectorDisplay3D view(400, 300);
    view.FitWindow({10, 20, 10, 20, 0, 0, 3, 0, 0}, 0, false, 0);
    EXPECT_DOUBLE_EQ(view.Projector().CentreX(), 0);  // from creation's fit of -100..100
    EXPECT_DOUBLE_EQ(view.Projector().CentreY(), 0);
}

TEST(ToolPathView, SinglePointFitsWithScaleOneAroundIt) {
    TVectorDisplay3D view(300, 200);
    view.FitWindow({5, 5, 8, 8, 0, 0, 0, 0, 0}, 20, true, 20);
    EXPECT_DOUBLE_EQ(view.PixelsPerUnit(), 1.0);
    const ProjectedWindow w = view.GetWindow();
    EXPECT_DOUBLE_EQ(w.xmin, 5 - 150);
    EXPECT_DOUBLE_EQ(w.xmax, 5 + 150);
    EXPECT_DOUBLE_EQ(w.ymin, 8 - 100);
    EXPECT_DOUBLE_EQ(w.ymax, 8 + 100);
}

TEST(ToolPathView, FitThatLeavesNoRoomChangesOnlyTheBox) {
    TVectorDisplay3D view(30, 30);
    const ProjectedWindow before = view.GetWindow();
    const ViewBox box{0, 10, 0, 10, 0, 0, 0, 0, 0};
    view.FitWindow(box, 20, true, 20);  // margins wider than the control
    EXPECT_EQ(view.Window, box);
    EXPECT_DOUBLE_EQ(view.GetWindow().xmin, before.xmin);
    EXPECT_DOUBLE_EQ(view.GetWindow().xmax, before.xmax);
}

struct PresetCase {
    void (TVectorDisplay3D::*preset)();
    int mode;
    double azimuth, elevation;
};

TEST(ToolPathView, PresetsSetModeAndAngles) {
    const PresetCase cases[] = {{&TVectorDisplay3D::ViewFront, 2, 0, 0},
                                {&TVectorDisplay3D::ViewIsometric, 3, 30, 45},
                                {&TVectorDisplay3D::ViewTop, 1, 0, 90}};
    TVectorDisplay3D view(100, 100);
    for (const PresetCase& c : cases) {
        (view.*c.preset)();
        EXPECT_EQ(view.ViewMode, c.mode);
        EXPECT_EQ(view.Projector().Azimuth(), c.azimuth);
        EXPECT_EQ(view.Projector().Elevation(), c.elevation);
    }
}

TEST(ToolPathView, ResizingKeepsTheWindowAndStretches) {
    TVectorDisplay3D view(200, 200);
    const ProjectedWindow before = view.GetWindow();
    view.Resize(400, 300);
    EXPECT_DOUBLE_EQ(view.GetWindow().xmin, before.xmin);
    EXPECT_DOUBLE_EQ(view.PixelsPerUnit(), 400 / (before.xmax - before.xmin));
    EXPECT_EQ(view.ShowPicture().width(), 400);
    EXPECT_EQ(view.ShowPicture().height(), 300);
}

// --- The machine table -------------------------------------------------------------------------------

struct TableColoursCase {
    const char* name;
    int background, grid, marks, outline;
};

class TableColours : public ::testing::TestWithParam<TableColoursCase> {};

TEST_P(TableColours, FollowTheBackground) {
    const TableColoursCase& c = GetParam();
    TVectorDisplay3D view(300, 300);
    view.SetBackgroundColor(c.background);
    view.ClearPicture();
    const ViewBox table{-50, 50, -50, 50, -10, 10, 0, 100, 100};
    view.FitWindow(table, 20, true, 20);
    view.SetMoveKind(3);
    view.DrawTable(table);
    const QImage image = view.ShowPicture();
    const auto& p = view.Projector();
    const PixelPoint grid = p.ProjectToPixel(10, 25.5, -10);  // on the grid line x = 10, between marks
    const PixelPoint mark = p.ProjectToPixel(0.5, 0, 0);
    const PixelPoint edge = p.ProjectToPixel(-50, 20.5, 0);
    EXPECT_EQ(ColourAt(image, grid.x, grid.y), c.grid);
    EXPECT_EQ(ColourAt(image, mark.x, mark.y), c.marks);
    EXPECT_EQ(ColourAt(image, edge.x, edge.y), c.outline);
    // The drawing colour comes back: the next move is drawn in the counter-clockwise colour.
    view.MoveTo3D(20.5, 30.5, 0);
    view.LineTo3D(30.5, 30.5, 0);
    const PixelPoint after = p.ProjectToPixel(25.5, 30.5, 0);
    EXPECT_EQ(ColourAt(view.ShowPicture(), after.x, after.y), view.ColorCCW);
}

INSTANTIATE_TEST_SUITE_P(Cases, TableColours,
                         ::testing::Values(TableColoursCase{"white", kWhite, 0xC0C0C0, kBlack, 255},
                                           TableColoursCase{"black", kBlack, 0x3F3F3F, kWhite, 0xFFFF00},
                                           TableColoursCase{"blue", 0xFF0000, 0xC03F3F, 0x00FFFF, 0x00FF00}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ToolPathView, NoTableWhenTheNinthValueIsZero) {
    TVectorDisplay3D view(100, 100);
    view.DrawTable({-50, 50, -50, 50, -10, 10, 0, 100, 0});
    EXPECT_EQ(CountColour(view.ShowPicture(), kWhite), 100L * 100);
}

TEST(ToolPathView, GridStopsAfter1001LinesEachWayThenClosesTheEdge) {
    TVectorDisplay3D view(1000, 1000);
    const ViewBox table{0, 10000, 0, 10000, 0, 0, 0, 10000, 10000};
    view.FitWindow(table, 0, true, 0);
    view.DrawTable(table);
    const QImage image = view.ShowPicture();
    const auto& p = view.Projector();
    // Ten lines a pixel: the first 1001 lines fill about a tenth of the table each way, then nothing
    // until the closing line at the far edge.
    const PixelPoint inside = p.ProjectToPixel(500, 5000, 0);
    const PixelPoint beyond = p.ProjectToPixel(1200, 5000, 0);
    const PixelPoint far_corner = p.ProjectToPixel(5000, 5000, 0);
    EXPECT_EQ(ColourAt(image, inside.x, inside.y), 0xC0C0C0);
    EXPECT_EQ(ColourAt(image, beyond.x, beyond.y), kWhite);
    EXPECT_EQ(ColourAt(image, far_corner.x, far_corner.y), kWhite);
    const long grey = CountColour(image, 0xC0C0C0);
    EXPECT_GT(grey, 2 * 100 * 900);   // two bands a tenth wide
    EXPECT_LT(grey, 2 * 102 * 1000);  // and no more
}

TEST(ToolPathView, ExtentsAreWrittenInTheCorners) {
    TVectorDisplay3D view(440, 240);
    const auto labels = view.DrawExtents();
    EXPECT_EQ(labels[0].text, "-220.00");
    EXPECT_EQ(labels[0].x, 5);
    EXPECT_EQ(labels[0].y, 215);
    EXPECT_EQ(labels[1].text, "220.00");
    EXPECT_EQ(labels[1].x, 390);
    EXPECT_EQ(labels[2].text, "-120.00");
    EXPECT_EQ(labels[2].y, 195);
    EXPECT_EQ(labels[3].text, "120.00");
    EXPECT_EQ(labels[3].y, 5);
}

// --- Mouse operations ---------------------------------------------------------------------------------

constexpr ShiftState kLeft{.Left = true};
constexpr ShiftState kShiftLeft{.Shift = true, .Left = true};
constexpr ShiftState kCtrlLeft{.Ctrl = true, .Left = true};

TEST(ToolPathViewMouse, CursorGivesViewCoordinatesInsideOnly) {
    TVectorDisplay3D view(440, 240);  // one pixel per unit, window -220..220 x -120..120
    view.MouseMove({}, 220, 120);
    EXPECT_DOUBLE_EQ(view.CursorX, 0);
    EXPECT_DOUBLE_EQ(view.CursorY, 0);
    view.MouseMove({}, 230, 100);
    EXPECT_DOUBLE_EQ(view.CursorX, 10);
    EXPECT_DOUBLE_EQ(view.CursorY, 20);
    view.MouseMove({}, 500, 100);
    EXPECT_EQ(view.CursorX, 0);
    EXPECT_EQ(view.CursorY, 0);
}

TEST(ToolPathViewMouse, OnePixelZoomWindowDoesNothingAndStaysArmed) {
    TVectorDisplay3D view(440, 240);
    const ViewBox before = view.Window;
    view.ZoomArmed = true;
    view.MouseDown(MouseButton::Left, kLeft, 100, 100);
    view.MouseMove(kLeft, 101, 140);
    EXPECT_FALSE(view.MouseUp(MouseButton::Left, {}, 101, 140));
    EXPECT_TRUE(view.ZoomArmed);
    EXPECT_EQ(view.Window, before);
}

TEST(ToolPathViewMouse, ZoomWindowFitsTheRectangleAndRemembersTheBox) {
    TVectorDisplay3D view(440, 240);
    view.SetMoveKind(0);
    view.MoveTo3D(-50, 0, 0);
    view.LineTo3D(50, 0, 0);
    const ViewBox before = view.Window;
    view.ZoomArmed = true;
    view.MouseDown(MouseButton::Left, kLeft, 120, 20);
    view.MouseMove(kLeft, 320, 220);
    // The rubber band blanks the picture: after the zoom only what is drawn again shows.
    EXPECT_TRUE(view.RubberBandShown);
    EXPECT_EQ(CountColour(view.ShowPicture(), kWhite), 440L * 240);
    EXPECT_TRUE(view.MouseUp(MouseButton::Left, {}, 320, 220));
    EXPECT_FALSE(view.ZoomArmed);
    EXPECT_EQ(view.SavedWindow, before);
    EXPECT_DOUBLE_EQ(view.Window[0], -100);
    EXPECT_DOUBLE_EQ(view.Window[1], 100);
    EXPECT_DOUBLE_EQ(view.Window[2], -100);
    EXPECT_DOUBLE_EQ(view.Window[3], 100);
    EXPECT_DOUBLE_EQ(view.PixelsPerUnit(), 1.2);  // 240 pixels for 200 units, no margins
}

TEST(ToolPathViewMouse, ShiftDragPansWithTheMouse) {
    TVectorDisplay3D view(440, 240);
    view.MouseDown(MouseButton::Left, kShiftLeft, 100, 100);
    EXPECT_TRUE(view.MouseMove(kShiftLeft, 110, 95));
    EXPECT_TRUE(view.Busy);
    EXPECT_DOUBLE_EQ(view.Window[0], -110);
    EXPECT_DOUBLE_EQ(view.Window[1], 90);
    EXPECT_DOUBLE_EQ(view.Window[2], -105);
    EXPECT_DOUBLE_EQ(view.Window[3], 95);
    // Until the control paints, further steps are dropped.
    EXPECT_FALSE(view.MouseMove(kShiftLeft, 120, 95));
    EXPECT_DOUBLE_EQ(view.Window[0], -110);
    view.Painted();
    // The panned box is fitted without margins, so the scale grows to 1.2 pixels a unit.
    EXPECT_TRUE(view.MouseMove(kShiftLeft, 130, 95));
    EXPECT_DOUBLE_EQ(view.PixelsPerUnit(), 1.2);
    EXPECT_DOUBLE_EQ(view.Window[0], -110 - 10 / 1.2);
}

TEST(ToolPathViewMouse, CtrlDragUpwardEnlargesThePicture) {
    TVectorDisplay3D view(440, 240, 1000, 800);
    int pumped = 0;
    view.ProcessMessages = [&] { ++pumped; };
    view.MouseDown(MouseButton::Left, kCtrlLeft, 100, 100);
    EXPECT_TRUE(view.MouseMove(kCtrlLeft, 100, 80));  // f = 4 x 20 / 800 = 0.1
    EXPECT_EQ(pumped, 1);
    EXPECT_DOUBLE_EQ(view.Window[0], -80);
    EXPECT_DOUBLE_EQ(view.Window[1], 80);
    EXPECT_DOUBLE_EQ(view.Window[2], -80);
    EXPECT_DOUBLE_EQ(view.Window[3], 80);
    EXPECT_DOUBLE_EQ(view.PixelsPerUnit(), 1.5);
}

TEST(ToolPathViewMouse, TurningHoldsTheElevationAndWrapsTheAzimuth) {
    TVectorDisplay3D view(200, 200);
    view.MouseDown(MouseButton::Left, kLeft, 100, 150);
    EXPECT_FALSE(view.MouseMove(kLeft, 100, 190));  // only the isometric view turns
    view.ViewIsometric();
    view.MouseDown(MouseButton::Left, kLeft, 100, 100);
    EXPECT_TRUE(view.MouseMove(kLeft, 100, 190));  // 90 degrees down
    EXPECT_EQ(view.Projector().Elevation(), 100);
    view.Painted();
    view.MouseMove(kLeft, 140, 190);  // lower half: azimuth 30 - 40 goes below 0
    EXPECT_EQ(view.Projector().Azimuth(), 360);
    view.Painted();
    view.MouseDown(MouseButton::Left, kLeft, 100, 20);
    view.MouseMove(kLeft, 105, 20);  // upper half: 360 + 5 goes above 360
    EXPECT_EQ(view.Projector().Azimuth(), 0);
    view.Painted();
    view.MouseMove(kLeft, 105, -300);
    EXPECT_EQ(view.Projector().Elevation(), -100);
}

TEST(ToolPathViewMouse, OtherKeysDoNotDrag) {
    TVectorDisplay3D view(200, 200);
    view.ViewIsometric();
    const ViewBox before = view.Window;
    view.MouseDown(MouseButton::Left, kLeft, 100, 100);
    EXPECT_FALSE(view.MouseMove({.Shift = true, .Ctrl = true, .Left = true}, 150, 150));
    EXPECT_FALSE(view.MouseMove({.Right = true}, 10, 10));
    EXPECT_EQ(view.Window, before);
    EXPECT_EQ(view.Projector().Azimuth(), 30);
}

// --- The preview command --------------------------------------------------------------------------------

class PreviewCommand : public ::testing::Test {
  protected:
    int run(std::vector<std::string> args) {
        return zorvan::testing::capture_output(
            [&](std::FILE* out_file, std::FILE* err_file) {
                return app::run_preview_command(args, out_file, err_file);
            },
            out, err);
    }
    void configure(const std::string& screen) {
        temp.write(
            "ZorvanNC.Ini",
            "[RS274NGC]\nUNITS=G21\n[MACHINE]\nMINX=-10\nMAXX=100\nMINY=-10\nMAXY=60\nMINZ=-10\nMAXZ=10\n"
            "[SCREEN]\n" +
                screen);
    }
    std::string png() const { return (temp.path() / "out.png").string(); }

    zorvan::testing::TempDir temp;
    std::string out, err;
};

constexpr const char* kProgram =
    "G21 G90 G17\n"
    "G0 Z5\n"
    "G0 X10 Y10\n"
    "G1 Z-1 F100\n"
    "G1 X70 Y10\n"
    "G3 X70 Y30 I0 J10\n"
    "G1 X10 Y30\n"
    "G2 X10 Y10 I0 J-10\n"
    "G0 Z5\n"
    "G0 X90 Y40\n"
    "M2\n";

TEST_F(PreviewCommand, DrawsThePathInTheConfiguredColoursOverTheTable) {
    configure("Linear=255\nRapid=16711680\nCW=65280\nCCW=16711935\nBackground=16777215\n");
    const std::string program = temp.write("part.ngc", kProgram);
    ASSERT_EQ(run({program, "--png", png(), "--config-dir", temp.path().string(), "--size", "800x600"}), 0)
        << err;
    EXPECT_EQ(out, "");
    const QImage image(QString::fromStdString(png()));
    ASSERT_EQ(image.width(), 800);
    ASSERT_EQ(image.height(), 600);
    // The view fitted to the drawn extents (from the origin to X90 Y40 and Z-1 to Z5), as the command
    // fits it, tells where each move lies. The extents hold the moves' ends, not the arcs' bulges.
    TVectorDisplay3D view(800, 600);
    view.FitWindow({0, 90, 0, 40, -1, 5, 3, 20, 45}, 20, true, 20);
    const auto at = [&](double x, double y) { return view.Projector().ProjectToPixel(x, y, -1); };
    EXPECT_TRUE(ColourNear(image, at(40, 10), 255));  // feed
    EXPECT_TRUE(ColourNear(image, at(40, 30), 255));  // feed
    // The second pass starts where the first one ended (X90 Y40), while the pen starts at the machine's
    // displayed position, the origin: its first rapid runs from there to X90 Y40, the next one back.
    EXPECT_TRUE(ColourNear(image, at(45, 20), 16711680));
    EXPECT_TRUE(ColourNear(image, at(50, 25), 16711680));
    EXPECT_TRUE(ColourNear(image, at(80, 20), 16711935));              // counter-clockwise arc
    EXPECT_TRUE(ColourNear(image, at(20, 20), 65280));                 // clockwise arc
    EXPECT_EQ(ColourAt(image, at(40, 20).x, at(40, 20).y), 0xC0C0C0);  // the table's grid line x = 40
    EXPECT_GT(CountColour(image, 0xC0C0C0), 50 * 600);
    EXPECT_GT(CountColour(image, 255), 2 * 60 * 8);  // the two feeds, 60 units at 8.4 pixels a unit
}

TEST_F(PreviewCommand, EveryViewGivesAPictureOfTheRequestedSize) {
    configure("Linear=255\n");
    const std::string program = temp.write("part.ngc", kProgram);
    for (const char* mode : {"top", "front", "iso"}) {
        ASSERT_EQ(run({program, "--png=" + png(), "--view", mode, "--size=320x200",
                       "--config-dir=" + temp.path().string()}),
                  0)
            << mode << ": " << err;
        const QImage image(QString::fromStdString(png()));
        EXPECT_EQ(image.size(), QSize(320, 200)) << mode;
        EXPECT_GT(CountColour(image, 255), 100) << mode;
    }
}

TEST_F(PreviewCommand, ErrorsOfTheDrawnPassAreReportedOnceAndThePictureIsStillSaved) {
    configure("Linear=255\n");
    const std::string program = temp.write("part.ngc", "G0 X10 Y10\nG1 X20 F100\n");
    ASSERT_EQ(run({program, "--png", png(), "--config-dir", temp.path().string()}), 0) << err;
    EXPECT_EQ(out, "error(2): File ended with no stopping command given\n");
    EXPECT_TRUE(std::filesystem::exists(png()));
    EXPECT_FALSE(std::filesystem::exists(png() + ".part"));
}

TEST_F(PreviewCommand, UsageErrorsAndUnusableFilesExitWithTwo) {
    configure("");
    const std::string program = temp.write("part.ngc", kProgram);
    const std::string missing = (temp.path() / "none.ngc").string();
    const std::string unwritable = (temp.path() / "no-such-dir" / "out.png").string();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {program},
        {"--png", png()},
        {program, "--png"},
        {program, "--png", png(), "--view", "side"},
        {program, "--png", png(), "--size", "800"},
        {program, "--png", png(), "--size", "0x10"},
        {program, "--png", png(), "--size", "20x-3"},
        {program, "--png", png(), "--fast"},
        {program, program, "--png", png()},
        {missing, "--png", png()},
        {program, "--png", unwritable, "--config-dir", temp.path().string()},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_EQ(run(args), 2) << joined;
        EXPECT_FALSE(err.empty()) << joined;
    }
    EXPECT_FALSE(std::filesystem::exists(png()));
}

}  // namespace
}  // namespace zorvan::display
