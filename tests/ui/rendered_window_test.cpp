// The window's rendered view checked by its pictures: what a previewed program leaves in the stock and
// where, that switching views loses neither picture, that the tool marker follows a jog, and that the
// window carves the very height field the simulate command carves. The window needs OpenGL on a platform
// that shows windows, so each test runs itself again on a private Xvfb with the xcb platform; its screen
// of 1280 x 1024 also fixes the size of the stock's cells.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/cli_simulate.h"
#include "display/cam_grid.h"
#include "ui/main_window_fixture.h"
#include "ui/private_display.h"
#include "ui/stock_pixels.h"
#include "ui/stock_scene.h"

namespace zorvan::ui {
namespace {

using display::TCamGrid;

constexpr int CHILD_TIMEOUT_MS = 240000;

// Cells of two desktop pixels: a stock 40 wide on the private display's 1280 pixels gets cells of 0.0625.
// A coarse, quick machine (10 steps per mm, 20000 steps/s): the window repaints the scene at every
// position reply, and a jog then takes the virtual clock a few dozen replies rather than a thousand.
constexpr const char* kMachine =
    "[MACHINE]\nMINX=0\nMAXX=200\nMINY=0\nMAXY=150\nMINZ=-50\nMAXZ=100\n"
    "[SCREEN]\nAutoRedraw=1\nOpenGLResolution=2\nLinear=65280\nRapid=255\nBackground=16777215\n"
    "[RS274NGC]\nUNITS=G21\n"
    "[TRAJ]\nAXES=3\nMAXSPS=20000\nSTART_VEL=2000\nACCELERATION=4000000\n"
    "[AXIS_0]\nSTEPS/MM=10\n[AXIS_1]\nSTEPS/MM=10\n[AXIS_2]\nSTEPS/MM=10\n";
// Tool 1 a 4 mm End mill, tool 2 a 2 mm one; both long, so a length offset would lift every cut.
constexpr const char* kTools =
    "SLOT    ID     LEN     DIAM    STYLE    ANG/RAD      COMMENT\n"
    "STYLE:  1=BALL  2=VEE   3=Bull   0=End\n\n"
    "0       0      0.0      0.0      0        0.0         Tool Reset\n"
    "1      1      35      4      0      0       4 mm End mill\n"
    "2      2      30      2      0      0       2 mm End mill\n";

// Every program starts at the origin and parks at (40, 32), so the stock (laid over the path's extents)
// is 40 x 32, in the desktop's proportions: square cells of 0.0625.
std::string Framed(const std::string& cuts) {
    return "G21 G90 G17\nG0 Z5\nG0 X0 Y0\n" + cuts + "G0 Z5\nG0 X40 Y32\nM2\n";
}

// A pocket cleared by the 4 mm cutter at Z -1.5 along a zigzag of rows 2 apart over X 12..24, Y 10..18;
// a circle engraved deeper in it; and a rapid that dips 0.5 into the stock along Y 27 from X 8 to X 32.
struct Point {
    double x, y;
};
const std::vector<Point> kPocketPath = {{12, 10}, {24, 10}, {24, 12}, {12, 12}, {12, 14},
                                        {24, 14}, {24, 16}, {12, 16}, {12, 18}, {24, 18}};
constexpr double kPocketX0 = 12, kPocketX1 = 24, kPocketY0 = 10, kPocketY1 = 18, kCutterRadius = 2;
constexpr Point kRapidFrom{8, 27}, kRapidTo{32, 27};

std::string PocketCuts() {
    char line[64];
    std::snprintf(line, sizeof line, "G0 X%g Y%g\nG1 Z-1.5 F300\n", kPocketPath[0].x, kPocketPath[0].y);
    std::string cuts = std::string("T1 M6\nG43 H1\n") + line;
    for (std::size_t i = 1; i < kPocketPath.size(); ++i) {
        std::snprintf(line, sizeof line, "G1 X%g Y%g\n", kPocketPath[i].x, kPocketPath[i].y);
        cuts += line;
    }
    cuts += "G0 Z5\nG0 X21 Y14\nG1 Z-2 F100\nG3 X21 Y14 I-3 J0\nG0 Z5\n";
    std::snprintf(line, sizeof line, "G0 X%g Y%g\nG0 Z-0.5\nG0 X%g Y%g\n", kRapidFrom.x, kRapidFrom.y,
                  kRapidTo.x, kRapidTo.y);
    return cuts + line;
}
const std::string kPocket = Framed(PocketCuts());

// Where the program's origin is: at the machine's, or under a work offset that puts the machine's origin
// (which the path's extents always hold) at the stock's far corner, so that the stock stays 40 x 32.
struct Placement {
    const char* what;
    const char* offset;
};
const Placement kPlacements[] = {
    {"program origin at the machine's", "G10 L2 P1 X0 Y0 Z0\nG54\n"},
    {"under a work offset", "G10 L2 P1 X-40 Y-32 Z-5\nG54\n"},
};

using testing::Look;
using testing::LookOf;
using testing::NameOf;

// From (x, y) to the segment from a to b.
double Distance(double x, double y, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(x - a.x - t * dx, y - a.y - t * dy);
}

// The Top view's picture and how to map it: the camera stands Camera().Camera.z() above Dummy looking
// straight down with Y up the picture, and its lens of FocalLength mm on a frame whose shorter side is
// FRAME_MM shows a length L at distance d over L x FocalLength / (d x FRAME_MM) of that side's pixels.
// Mapping from the camera's documented geometry rather than from the scene's own matrix keeps a wrong
// matrix from passing.
struct TopPicture {
    QImage image;
    QVector3D dummy;
    double height = 0, focal_length = 0;
    int width = 0, depth = 0;
    int detail_level = 0;

    double PixelsPerUnit(double z) const {
        return std::min(width, depth) * focal_length / ((height + dummy.z() - z) * TStockScene::FRAME_MM);
    }
    QPointF Pixel(double x, double y, double z) const {
        const double k = PixelsPerUnit(z);
        return {width / 2.0 + (x - dummy.x()) * k, depth / 2.0 - (y - dummy.y()) * k};
    }
    // The model point seen at picture coordinates (px, py) on the plane at height z.
    QPointF Model(double px, double py, double z) const {
        const double k = PixelsPerUnit(z);
        return {dummy.x() + (px - width / 2.0) / k, dummy.y() - (py - depth / 2.0) / k};
    }
    Look LookAt(double x, double y, double z) const {
        const QPointF p = Pixel(x, y, z);
        return LookOf(image.pixel(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))));
    }
    // The side of the squares drawn between samples, model units: every (1 << detail level)th sample is
    // drawn.
    double DrawnCell(const TCamGrid& grid) const {
        return (1 << detail_level) * std::max(grid.XStep, grid.YStep);
    }
    // The smallest rectangle of pixels that holds every pixel of that look.
    QRect Bounds(Look look) const {
        QRect bounds;
        for (int y = 0; y < depth; ++y) {
            for (int x = 0; x < width; ++x) {
                if (LookOf(image.pixel(x, y)) == look) bounds |= QRect(x, y, 1, 1);
            }
        }
        return bounds;
    }
};

class RenderedWindow : public MainWindow {
  protected:
    // Only the copy on the private display runs the body: the platform, the screen and so the cells are
    // then always the same.
    void SetUp() override {
        if (qEnvironmentVariableIsSet(zorvan::testing::ON_PRIVATE_DISPLAY)) {
            if (TfrmMain::RenderedViewAvailable() &&
                zorvan::testing::CanMakeOpenGLContext(TStockScene::SurfaceFormat()))
                return;
            GTEST_SKIP() << "no OpenGL 3.3 context even on Xvfb: Mesa's software driver is missing "
                            "(Debian package libgl1-mesa-dri)";
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        const auto run = zorvan::testing::RunTestOnPrivateDisplay(environment, CHILD_TIMEOUT_MS);
        if (run.outcome == zorvan::testing::ChildTestRun::Failed) FAIL() << run.report;
        if (run.outcome == zorvan::testing::ChildTestRun::Skipped) GTEST_SKIP() << run.report;
        ran_elsewhere_ = true;
    }

    void StartMachine(bool with_board) {
        WriteIni(kMachine);
        WriteProgram("ZorvanNC.tbl", kTools);
        Start(with_board);
    }
    // Loads the program (which Automatic Redraw previews in the wire-frame view), switches to the rendered
    // view (where it previews it again) and presses All, as the operator does.
    void PreviewRendered(const std::string& program) {
        LoadProgram(program);
        window->Rendered1Click();
        window->btnAllClick();
        QApplication::processEvents();
    }
    TStockScene* Scene() const { return qobject_cast<TStockScene*>(window->Child("Scene")); }
    TopPicture Picture() const {
        TStockScene* scene = Scene();
        TopPicture picture;
        picture.image = scene->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
        const TSceneCamera& camera = scene->Camera();
        EXPECT_EQ(camera.Camera.x(), 0);
        EXPECT_EQ(camera.Camera.y(), 0);
        EXPECT_EQ(camera.Up, QVector3D(0, 1, 0)) << "not the Top view";
        picture.dummy = camera.Dummy;
        picture.height = camera.Camera.z();
        picture.focal_length = camera.FocalLength;
        picture.width = scene->width();
        picture.depth = scene->height();
        picture.detail_level = scene->DetailLevel();
        return picture;
    }
    QImage WireFrame() const { return window->Child("Draw3D")->grab().toImage(); }

    bool ran_elsewhere_ = false;
};

// The feed moves' green in the wire-frame picture.
int GreenPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > 200 && c.red() < 60 && c.blue() < 60) ++count;
        }
    }
    return count;
}

// Over the whole stock, a point well inside the pocket shows the floor's colour, well inside the rapid's
// groove the rapid-cut colour, and well away from both untouched stock. "Well": farther than one drawn
// square and one pixel from the rim, where the colour blends from one sample to the next. The floor's
// extent in the picture is the pocket's, within the same square and pixel. All in program coordinates,
// which a work offset moves away from the machine's.
TEST_F(RenderedWindow, PocketAndCuttingRapidShowWhereTheyCutInTheirColours) {
    if (ran_elsewhere_) return;
    for (const Placement& placement : kPlacements) {
        SCOPED_TRACE(placement.what);
        StartMachine(false);
        window->mnuEditModeClick();
        PreviewRendered(placement.offset + kPocket);
        const TopPicture picture = Picture();
        const double margin = picture.DrawnCell(window->StockGrid()) + 1 / picture.PixelsPerUnit(0);

        struct Region {
            const char* what;
            Look look;
            double z;
            std::function<bool(double, double, double)> holds;  // x, y, margin
        };
        // What the cutter's disc swept along the moves.
        const auto in_pocket = [](double x, double y, double m) {
            for (std::size_t i = 1; i < kPocketPath.size(); ++i) {
                if (Distance(x, y, kPocketPath[i - 1], kPocketPath[i]) < kCutterRadius - m) return true;
            }
            return false;
        };
        const auto in_rapid = [](double x, double y, double m) {
            return Distance(x, y, kRapidFrom, kRapidTo) < kCutterRadius - m;
        };
        const std::vector<Region> regions = {
            {"pocket floor", Look::Floor, -1.5, in_pocket},
            {"groove of the rapid", Look::RapidCut, -0.5, in_rapid},
            {"untouched stock", Look::Stock, 0,
             [&](double x, double y, double m) {
                 return !in_pocket(x, y, -m) && !in_rapid(x, y, -m) && x > m && x < 40 - m && y > m &&
                        y < 32 - m;
             }},
        };
        for (const Region& region : regions) {
            SCOPED_TRACE(region.what);
            int checked = 0, wrong = 0;
            for (double y = 0; y <= 32; y += 0.25) {
                for (double x = 0; x <= 40; x += 0.25) {
                    if (!region.holds(x, y, margin)) continue;
                    ++checked;
                    const Look look = picture.LookAt(x, y, region.z);
                    if (look == region.look) continue;
                    if (++wrong <= 5)
                        ADD_FAILURE() << "at (" << x << ", " << y << ") " << NameOf(look) << " instead of "
                                      << NameOf(region.look);
                }
            }
            EXPECT_GT(checked, 100);
            EXPECT_EQ(wrong, 0) << "of " << checked;
        }

        const QRect floor = picture.Bounds(Look::Floor);
        ASSERT_FALSE(floor.isEmpty()) << "no floor in the picture";
        const QPointF low = picture.Pixel(kPocketX0 - kCutterRadius, kPocketY0 - kCutterRadius, -1.5);
        const QPointF high = picture.Pixel(kPocketX1 + kCutterRadius, kPocketY1 + kCutterRadius, -1.5);
        const double tolerance_px = margin * picture.PixelsPerUnit(-1.5);
        EXPECT_NEAR(floor.left(), low.x(), tolerance_px);
        EXPECT_NEAR(floor.right() + 1, high.x(), tolerance_px);
        EXPECT_NEAR(floor.top(), high.y(), tolerance_px);
        EXPECT_NEAR(floor.bottom() + 1, low.y(), tolerance_px);
    }
}

// A straight slot cut by the 2 mm cutter, its floor's pixels mapped back to the model through the Top
// view: the slot's rim lies on the cell boundary between the last lowered sample and the next, and the
// picture blends the colour across the square drawn there, so the extent matches within one drawn square
// and a pixel.
TEST_F(RenderedWindow, TopViewShowsASlotsExtentWithinACell) {
    if (ran_elsewhere_) return;
    struct Case {
        const char* what;
        double x0, y0, x1, y1;
    };
    const Case cases[] = {
        {"along X", 10, 16, 30, 16},
        {"along Y", 20, 6, 20, 26},
        {"short, off the centre", 31, 5, 35, 5},
    };
    StartMachine(false);
    window->mnuEditModeClick();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char cut[200];
        std::snprintf(cut, sizeof cut, "T2 M6\nG43 H2\nG0 X%g Y%g\nG1 Z-1 F200\nG1 X%g Y%g\n", c.x0, c.y0,
                      c.x1, c.y1);
        PreviewRendered(Framed(cut));
        const TopPicture picture = Picture();
        const QRect floor = picture.Bounds(Look::Floor);
        ASSERT_FALSE(floor.isEmpty()) << "no floor in the picture";
        // Pixel edges to the model on the floor's plane.
        const QPointF low = picture.Model(floor.left(), floor.bottom() + 1, -1);
        const QPointF high = picture.Model(floor.right() + 1, floor.top(), -1);
        const double tolerance = picture.DrawnCell(window->StockGrid()) + 1 / picture.PixelsPerUnit(-1);
        EXPECT_NEAR(low.x(), std::min(c.x0, c.x1) - 1, tolerance);
        EXPECT_NEAR(high.x(), std::max(c.x0, c.x1) + 1, tolerance);
        EXPECT_NEAR(low.y(), std::min(c.y0, c.y1) - 1, tolerance);
        EXPECT_NEAR(high.y(), std::max(c.y0, c.y1) + 1, tolerance);
    }
}

// Rendered, Wireframe, Rendered again, with Automatic Redraw: the wire-frame view shows the program's
// path as before the first switch, and the rendered view the carved stock as before the second.
TEST_F(RenderedWindow, SwitchingViewsKeepsBothPictures) {
    if (ran_elsewhere_) return;
    StartMachine(false);
    window->mnuEditModeClick();
    LoadProgram(kPocket);
    QApplication::processEvents();
    const QImage wire_frame = WireFrame();
    ASSERT_GT(GreenPixels(wire_frame), 200) << "the preview drew no path";

    window->Rendered1Click();
    QApplication::processEvents();
    const QImage rendered = Picture().image;
    ASSERT_EQ(LookOf(rendered.pixel(rendered.width() / 2, rendered.height() / 2)), Look::Floor)
        << "no pocket in the middle of the stock";

    window->Wireframe1Click();
    QApplication::processEvents();
    EXPECT_TRUE(WireFrame() == wire_frame) << "the wire-frame view lost the path";

    window->Rendered1Click();
    QApplication::processEvents();
    EXPECT_TRUE(Picture().image == rendered) << "the rendered view lost the carved stock";
}

// On the simulated board made ready, each jog moves the marker in the picture by the jog's distance in
// its direction: X to the right, Y up. The marker's lid is a disc round the tool's point, so the centroid
// of its pixels is the point; rasterising its rim moves that by well under a pixel.
TEST_F(RenderedWindow, ToolMarkerFollowsAJogOnTheBoard) {
    if (ran_elsewhere_) return;
    StartMachine(true);
    window->btnStopClick();
    ASSERT_FALSE(window->Controller().EStopActive);
    LoadProgram(kPocket);
    window->Rendered1Click();
    qobject_cast<QComboBox*>(window->Child("cmbJog"))->setCurrentText("10");
    const auto jog = [&](const char* button) {
        QPushButton* b = Button(button);
        SendMouse(b, QEvent::MouseButtonPress, b->rect().center(), Qt::LeftButton, Qt::LeftButton);
        SendMouse(b, QEvent::MouseButtonRelease, b->rect().center(), Qt::LeftButton, Qt::NoButton);
        QApplication::processEvents();
    };
    const auto marker = [&](const TopPicture& picture) -> std::optional<QPointF> {
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = 0; y < picture.depth; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                if (LookOf(picture.image.pixel(x, y)) != Look::Marker) continue;
                sx += x + 0.5, sy += y + 0.5, ++n;
            }
        }
        if (n == 0) return std::nullopt;
        return QPointF(sx / n, sy / n);
    };
    // Into the stock first, so that every jog below stays over it.
    jog("btnRight");
    jog("btnForward");
    ASSERT_EQ(BoardPosition(*board)[0], 100);
    ASSERT_EQ(BoardPosition(*board)[1], 100);
    TopPicture picture = Picture();
    std::optional<QPointF> before = marker(picture);
    ASSERT_TRUE(before) << "no marker in the picture";
    EXPECT_NEAR(before->x(), picture.Pixel(10, 10, 0).x(), 2);
    EXPECT_NEAR(before->y(), picture.Pixel(10, 10, 0).y(), 2);

    struct Jog {
        const char* button;
        double dx, dy;  // model units
    };
    const Jog jogs[] = {{"btnRight", 10, 0}, {"btnForward", 0, 10}, {"btnLeft", -10, 0}, {"btnBack", 0, -10}};
    for (const Jog& j : jogs) {
        SCOPED_TRACE(j.button);
        jog(j.button);
        picture = Picture();
        const std::optional<QPointF> after = marker(picture);
        ASSERT_TRUE(after) << "the marker is gone";
        const double k = picture.PixelsPerUnit(0);
        EXPECT_NEAR(after->x() - before->x(), j.dx * k, 1);
        EXPECT_NEAR(after->y() - before->y(), -j.dy * k, 1);
        before = after;
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// The same program and machine folder through the simulate command's carving and through the window's
// All. The command widens its stock by the widest cutter's radius each way (2 here, so 44 across); given
// as many cells as that makes the window's cells of 0.0625, its samples are the window's shifted by 32
// whole cells, and every sample the window shows must have the command's height and rapid-cut mark.
TEST_F(RenderedWindow, SimulateCommandCarvesTheWindowsHeightField) {
    if (ran_elsewhere_) return;
    for (const Placement& placement : kPlacements) {
        SCOPED_TRACE(placement.what);
        const std::string program = placement.offset + kPocket;
        StartMachine(false);
        window->mnuEditModeClick();
        PreviewRendered(program);
        const TCamGrid& shown = window->StockGrid();
        ASSERT_EQ(shown.XStep, 0.0625);
        ASSERT_EQ(shown.YStep, 0.0625);

        app::ProgramRunOptions run;
        run.config_dir = temp.path();
        run.file = temp.path() / "p.ngc";
        std::FILE* errors = std::tmpfile();
        const TCamGrid simulated = app::simulate_stock(run, program, 44 / shown.XStep, errors);
        EXPECT_EQ(std::ftell(errors), 0) << "the command reported interpreter errors";
        std::fclose(errors);
        ASSERT_EQ(simulated.XStep, shown.XStep);
        ASSERT_EQ(simulated.XMin, shown.XMin - 2);
        ASSERT_EQ(simulated.YMin, shown.YMin - 2);

        int differing = 0, lowered = 0, rapid = 0;
        for (int row = 0; row < shown.SampleRows(); ++row) {
            for (int column = 0; column < shown.SampleColumns(); ++column) {
                const double x = shown.XMin + column * shown.XStep, y = shown.YMin + row * shown.YStep;
                const display::CamSample a = shown.Sample(x, y), b = simulated.Sample(x, y);
                lowered += a.height < 0;
                rapid += shown.Cell(row, column).Cut;
                if (a.height == b.height && a.colour.r == b.colour.r && a.colour.g == b.colour.g &&
                    a.colour.b == b.colour.b)
                    continue;
                if (++differing <= 5)
                    ADD_FAILURE() << "at (" << x << ", " << y << ") the window has " << a.height
                                  << (shown.Cell(row, column).Cut ? " (rapid cut)" : "") << ", the command "
                                  << b.height;
            }
        }
        EXPECT_EQ(differing, 0);
        // Both carved the pocket and the rapid's groove: tens of thousands of cells of each.
        EXPECT_GT(lowered, 40000);
        EXPECT_GT(rapid, 10000);
    }
}

}  // namespace
}  // namespace zorvan::ui
