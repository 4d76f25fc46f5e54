// The rendered view checked by its pictures: where the stock, the carved floors, the rapid cuts and the
// tool marker appear, how the light falls, what a refresh uploads, and how the mouse moves the camera.
// OpenGL on the offscreen platform needs an X server; without a display each test runs itself again on a
// private one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "display/cam_grid.h"
#include "ui/private_display.h"
#include "ui/stock_pixels.h"
#include "ui/stock_scene.h"

namespace zorvan::ui {
namespace {

using display::TCamGrid;

using testing::ON_PRIVATE_DISPLAY;
constexpr int CHILD_TIMEOUT_MS = 120000;

class StockScene : public ::testing::Test {
  protected:
    void SetUp() override {
        static const bool here = testing::CanMakeOpenGLContext(TStockScene::SurfaceFormat());
        if (here) return;
        if (qEnvironmentVariableIsSet(ON_PRIVATE_DISPLAY))
            GTEST_SKIP() << "no OpenGL 3.3 context even on Xvfb: Mesa's software driver is missing "
                            "(Debian package libgl1-mesa-dri)";
        const auto run =
            testing::RunTestOnPrivateDisplay(QProcessEnvironment::systemEnvironment(), CHILD_TIMEOUT_MS);
        if (run.outcome == testing::ChildTestRun::Failed) FAIL() << run.report;
        if (run.outcome == testing::ChildTestRun::Skipped) GTEST_SKIP() << run.report;
        ran_elsewhere_ = true;
    }
    // The test passed on the private display; its body is not run again here.
    bool ran_elsewhere_ = false;
};

// Stock from -10 to 10 each way in cells of 0.1: 201 x 201 samples.
void setup_stock(TCamGrid& grid) {
    grid.Resolution = 1.0;
    grid.SetupStock(-10, 10, -10, 10, 0.1, 0.1);
}

using testing::Look;

constexpr auto look_of = testing::LookOf;
constexpr auto name_of = testing::NameOf;

QImage picture(TStockScene& scene) {
    return scene.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

// Where the Top view puts the point (x, y, z): the camera 20 box sizes above Dummy sees FRAME_MM / 1000
// of its distance across the picture's shorter side.
QPointF top_view_pixel(const TStockScene& scene, double box, double x, double y, double z) {
    const QVector3D dummy = scene.Camera().Dummy;
    const double distance = 20 * box + dummy.z() - z;
    const double pixels_per_unit =
        std::min(scene.width(), scene.height()) / 2.0 / (distance * TStockScene::FRAME_MM / 2 / 1000);
    return {scene.width() / 2.0 + (x - dummy.x()) * pixels_per_unit,
            scene.height() / 2.0 - (y - dummy.y()) * pixels_per_unit};
}

QRgb pixel_at(const QImage& image, QPointF point) {
    return image.pixel(static_cast<int>(std::floor(point.x())), static_cast<int>(std::floor(point.y())));
}

TEST_F(StockScene, TopViewShowsFloorsRapidCutsStockAndMarkerInTheirColours) {
    if (ran_elsewhere_) return;
    TCamGrid grid;
    setup_stock(grid);
    grid.SetCutter(config::StyleEnd, 0, 2.0);
    for (double y = -6; y <= -2; y += 0.8)
        grid.CutLine(-6, y, -1, 6, y, -1);
    EXPECT_TRUE(grid.CutRapid(-8, 8, -0.5, 8, 8, -0.5));
    TStockScene scene(grid);
    scene.resize(480, 480);
    scene.ViewTop(20, 20);

    struct Case {
        const char* where;
        double x, y;
        Look look;
    };
    const Case cases[] = {
        {"pocket floor", 0, -4, Look::Floor},     {"pocket floor, far corner", 5.5, -2.5, Look::Floor},
        {"untouched stock", 0, 2, Look::Stock},   {"untouched corner", -9.5, -9.5, Look::Stock},
        {"rapid that cut", 0, 8, Look::RapidCut}, {"beyond the stock", 0, 11.5, Look::Background},
    };
    for (const bool marker : {false, true}) {
        if (marker) scene.SetToolMarker(0, 2, 0);
        const QImage image = picture(scene);
        for (const Case& c : cases) {
            const Look expected = marker && c.look == Look::Stock && c.x == 0 ? Look::Marker : c.look;
            const QPointF at = top_view_pixel(scene, 20, c.x, c.y, 0);
            EXPECT_EQ(name_of(look_of(pixel_at(image, at))), std::string(name_of(expected)))
                << c.where << (marker ? " with the marker" : "");
        }
    }
    scene.HideToolMarker();
    EXPECT_EQ(look_of(pixel_at(picture(scene), top_view_pixel(scene, 20, 0, 2, 0))), Look::Stock);
}

TEST_F(StockScene, TopViewShowsASlotWhereItIsWithinACell) {
    if (ran_elsewhere_) return;
    struct Case {
        const char* what;
        int width, height;
        double dummy_x, dummy_y;
        double x0, y0, x1, y1;  // the slot's ends, cut with an End mill of diameter 1
    };
    const Case cases[] = {
        {"along X, square view", 500, 500, 0, 0, -5, 3, 6, 3},
        {"along Y, wide view", 640, 400, 0, 0, 7, -8, 7, -1},
        {"off the moved centre, tall view", 400, 560, 2, -1, -7, -6, -2, -6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TCamGrid grid;
        setup_stock(grid);
        grid.SetCutter(config::StyleEnd, 0, 1.0);
        grid.CutLine(c.x0, c.y0, -1, c.x1, c.y1, -1);
        TStockScene scene(grid);
        scene.resize(c.width, c.height);
        scene.SetDummyPosition(c.dummy_x, c.dummy_y, 0);
        scene.ViewTop(20, 20);
        const QImage image = picture(scene);
        int left = image.width(), right = -1, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (look_of(image.pixel(x, y)) != Look::Floor) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
        ASSERT_GE(right, left) << "no floor in the picture";
        // The floor's rim falls somewhere on the one cell between the last carved sample and the next.
        const QPointF low =
            top_view_pixel(scene, 20, std::min(c.x0, c.x1) - 0.5, std::min(c.y0, c.y1) - 0.5, -1);
        const QPointF high =
            top_view_pixel(scene, 20, std::max(c.x0, c.x1) + 0.5, std::max(c.y0, c.y1) + 0.5, -1);
        const double cell_px =
            top_view_pixel(scene, 20, 0.1, 0, -1).x() - top_view_pixel(scene, 20, 0, 0, -1).x();
        const double tolerance = cell_px + 1;
        EXPECT_NEAR(left, low.x(), tolerance);
        EXPECT_NEAR(right + 1, high.x(), tolerance);
        EXPECT_NEAR(top, high.y(), tolerance);
        EXPECT_NEAR(bottom + 1, low.y(), tolerance);
    }
}

// The light stands 100 above the origin. A level surface is brightest under it, and of the two walls of
// a groove the one facing the light is the brighter: normals that pointed down or leaned the wrong way
// would show otherwise. The green channel holds only the light's share on uncut stock.
TEST_F(StockScene, LightFallsFromAboveTheOrigin) {
    if (ran_elsewhere_) return;
    TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(-60, 60, -60, 60, 0.5, 0.5);
    grid.SetCutter(config::StyleVee, 90, 10.0);
    grid.CutLine(-40, -50, -4, 40, -50, -4);  // along X, south of the light: 8 wide at the top
    grid.CutLine(-50, -40, -4, -50, 40, -4);  // along Y, west of the light
    TStockScene scene(grid);
    scene.resize(600, 600);
    scene.ViewTop(120, 120);
    const QImage image = picture(scene);
    auto green = [&](double x, double y) {
        return qGreen(pixel_at(image, top_view_pixel(scene, 120, x, y, 0)));
    };

    EXPECT_GT(green(0, 0), 100) << "the stock under the light is not lit";
    EXPECT_GT(green(0, 0), green(55, 55) + 10)
        << "the far corner is lit as brightly as the stock under the light";
    struct Wall {
        const char* what;
        double toward_x, toward_y;  // a point on the wall that faces the light
        double away_x, away_y;      // the same depth on the other wall
    };
    const Wall walls[] = {
        {"groove along X", 0, -51.5, 0, -48.5},
        {"groove along Y", -51.5, 0, -48.5, 0},
    };
    for (const Wall& wall : walls)
        EXPECT_GT(green(wall.toward_x, wall.toward_y), green(wall.away_x, wall.away_y) + 20) << wall.what;
}

// After the first upload only the vertices around the cells a move changed go up again, and the picture
// is the one a scene drawing the same grid afresh shows.
TEST_F(StockScene, RefreshUploadsOnlyAroundTheChangedCells) {
    if (ran_elsewhere_) return;
    TCamGrid grid;
    setup_stock(grid);
    grid.SetCutter(config::StyleBall, 0, 0.5);
    TStockScene scene(grid);
    scene.resize(320, 320);
    scene.ViewTop(20, 20);
    const long long whole = scene.MeshVertexCount();
    ASSERT_EQ(whole, 201 * 201);

    enum class Upload { Whole, Nothing, AroundTheChange };
    struct Step {
        const char* what;
        std::function<void()> act;
        Upload upload;
    };
    const std::vector<Step> steps = {
        {"first paint", [] {}, Upload::Whole},
        {"no change", [] {}, Upload::Nothing},
        {"a short groove", [&] { grid.CutLine(1, 1, -1, 1.6, 1.2, -1); }, Upload::AroundTheChange},
        {"the same groove again", [&] { grid.CutLine(1, 1, -1, 1.6, 1.2, -1); }, Upload::Nothing},
        {"two grooves far apart",
         [&] {
             grid.CutLine(-9, -9, -0.5, -8.5, -9, -0.5);
             grid.CutLine(9, 9, -0.5, 9, 8.4, -0.5);
         },
         Upload::AroundTheChange},
        {"a rapid at the stock's far corner, partly in the spare cells",
         [&] { grid.CutRapid(9.9, 9.9, -0.3, 10.4, 10.4, -0.3); }, Upload::AroundTheChange},
        {"a new stock", [&] { setup_stock(grid); }, Upload::Whole},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        // Each changed cell moves its vertex and turns its four neighbours' normals; no more may go up.
        const display::CellRect changed = grid.ChangedBounds();
        const auto rows_touched = static_cast<long long>(changed.last_row - changed.first_row + 3);
        const auto columns_touched = static_cast<long long>(changed.last_column - changed.first_column + 3);
        const unsigned long long before = scene.VerticesUploaded();
        scene.Refresh();
        const QImage image = picture(scene);
        const long long uploaded = static_cast<long long>(scene.VerticesUploaded() - before);
        switch (step.upload) {
            case Upload::Whole:
                EXPECT_EQ(uploaded, whole);
                break;
            case Upload::Nothing:
                EXPECT_EQ(uploaded, 0);
                break;
            case Upload::AroundTheChange:
                EXPECT_GT(uploaded, 0);
                EXPECT_LE(uploaded, rows_touched * columns_touched);
                EXPECT_LT(uploaded, whole / 20);
                break;
        }
        TStockScene fresh(grid);
        fresh.resize(320, 320);
        fresh.ViewTop(20, 20);
        EXPECT_TRUE(picture(fresh) == image) << "the refreshed picture differs from one drawn afresh";
    }
}

// Dragging from (100, 100) by (dx, dy) pixels with the left button: Ctrl zooms, Shift pans, else the
// camera orbits; other buttons do nothing. The camera starts in the Top view 400 above the centre. Nothing
// is drawn, so no OpenGL is needed.
TEST(StockSceneCamera, MouseZoomsPansAndOrbits) {
    TCamGrid grid;
    setup_stock(grid);
    constexpr double PAN_PER_PIXEL = 400 * 0.12 / 1000;  // distance x 0.12 / focal length
    const double s10 = std::sin(std::numbers::pi / 18), c10 = std::cos(std::numbers::pi / 18);
    struct Case {
        const char* what;
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        int dx, dy;
        QVector3D dummy, camera, up;
        double focal_length;
    };
    const Case cases[] = {
        {"Ctrl, up 10: zoom in",
         Qt::LeftButton,
         Qt::ControlModifier,
         0,
         -10,
         {0, 0, 0},
         {0, 0, 400},
         {0, 1, 0},
         1010},
        {"Ctrl and Shift: Ctrl wins",
         Qt::LeftButton,
         Qt::ControlModifier | Qt::ShiftModifier,
         0,
         25,
         {0, 0, 0},
         {0, 0, 400},
         {0, 1, 0},
         975},
        {"Shift, right 10: the stock follows",
         Qt::LeftButton,
         Qt::ShiftModifier,
         10,
         0,
         {static_cast<float>(-10 * PAN_PER_PIXEL), 0, 0},
         {0, 0, 400},
         {0, 1, 0},
         1000},
        {"Shift, down 10",
         Qt::LeftButton,
         Qt::ShiftModifier,
         0,
         10,
         {0, static_cast<float>(10 * PAN_PER_PIXEL), 0},
         {0, 0, 400},
         {0, 1, 0},
         1000},
        {"right 10: turn",
         Qt::LeftButton,
         Qt::NoModifier,
         10,
         0,
         {0, 0, 0},
         {0, 0, 400},
         {static_cast<float>(s10), static_cast<float>(c10), 0},
         1000},
        {"up 10: tilt to look from the front",
         Qt::LeftButton,
         Qt::NoModifier,
         0,
         -10,
         {0, 0, 0},
         {0, static_cast<float>(-400 * s10), static_cast<float>(400 * c10)},
         {0, static_cast<float>(c10), static_cast<float>(s10)},
         1000},
        {"right button: nothing",
         Qt::RightButton,
         Qt::NoModifier,
         30,
         30,
         {0, 0, 0},
         {0, 0, 400},
         {0, 1, 0},
         1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TStockScene scene(grid);
        scene.resize(400, 400);
        scene.ViewTop(20, 20);
        const QPointF from(100, 100), to(100 + c.dx, 100 + c.dy);
        QMouseEvent press(QEvent::MouseButtonPress, from, scene.mapToGlobal(from), c.button, c.button,
                          c.modifiers);
        QCoreApplication::sendEvent(&scene, &press);
        QMouseEvent move(QEvent::MouseMove, to, scene.mapToGlobal(to), Qt::NoButton, c.button, c.modifiers);
        QCoreApplication::sendEvent(&scene, &move);
        const TSceneCamera& camera = scene.Camera();
        EXPECT_LT((camera.Dummy - c.dummy).length(), 1e-4);
        EXPECT_LT((camera.Camera - c.camera).length(), 1e-3);
        EXPECT_LT((camera.Up - c.up).length(), 1e-5);
        EXPECT_DOUBLE_EQ(camera.FocalLength, c.focal_length);
    }
}

// The camera the mouse moves is the one the picture is drawn with: half a turn puts the south-west floor
// in the north-east, and zooming in moves it outwards.
TEST_F(StockScene, PictureFollowsTheCamera) {
    if (ran_elsewhere_) return;
    TCamGrid grid;
    setup_stock(grid);
    grid.SetCutter(config::StyleEnd, 0, 3.0);
    grid.CutLine(-3.5, -3, -1, -2.5, -3, -1);  // a floor from (-5, -4.5) to (-1, -1.5)
    TStockScene scene(grid);
    scene.resize(400, 400);
    scene.ViewTop(20, 20);
    auto look_at = [&](double x, double y) {
        return look_of(pixel_at(picture(scene), top_view_pixel(scene, 20, x, y, -1)));
    };
    EXPECT_EQ(look_at(-3, -3), Look::Floor);
    scene.OrbitCamera(180, 0);
    EXPECT_EQ(look_at(3, 3), Look::Floor);
    EXPECT_EQ(look_at(-3, -3), Look::Stock);
    scene.ZoomCamera(1000);  // twice the focal length: what was at 3 from the centre is now at 6
    EXPECT_EQ(look_at(6, 6), Look::Floor);
    EXPECT_EQ(look_at(1.5, 1.5), Look::Stock);
}

// Farther away, where a cell shrinks below a pixel, every second or fourth sample is drawn; the floor still
// shows, and coming back draws the first picture again.
TEST_F(StockScene, DetailFollowsTheSizeOfACellInThePicture) {
    if (ran_elsewhere_) return;
    TCamGrid grid;
    setup_stock(grid);
    grid.SetCutter(config::StyleEnd, 0, 4.0);
    grid.CutLine(-1, 0, -1, 1, 0, -1);
    TStockScene scene(grid);
    scene.resize(400, 400);
    scene.ViewTop(20, 20);  // a cell is 1.67 pixels across
    struct Case {
        double focal_length;
        int level;
        long long triangles;  // two per square between the samples drawn
    };
    const Case cases[] = {
        {1000, 0, 2 * 200 * 200}, {500, 1, 2 * 100 * 100}, {250, 2, 2 * 50 * 50}, {1000, 0, 2 * 200 * 200}};
    QImage first;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focal_length);
        TSceneCamera camera = scene.Camera();
        camera.FocalLength = c.focal_length;
        scene.SetCamera(camera);
        const QImage image = picture(scene);
        EXPECT_EQ(scene.DetailLevel(), c.level);
        EXPECT_EQ(scene.TrianglesDrawn(), c.triangles);
        EXPECT_EQ(look_of(image.pixel(200, 200)), Look::Floor);
        EXPECT_EQ(look_of(image.pixel(200, 200 - static_cast<int>(4 * c.focal_length / 60))), Look::Stock);
        if (first.isNull()) {
            first = image;
        } else if (c.level == 0) {
            EXPECT_TRUE(image == first) << "the full detail is not drawn as before";
        }
    }
}

// While the mouse drags the camera a mesh of 720,000 triangles is drawn within the moving budget; letting
// go draws the whole detail again, the picture the same as before the drag for the same camera.
TEST_F(StockScene, DraggingDrawsWithinTheMovingBudgetAndLettingGoDrawsItWhole) {
    if (ran_elsewhere_) return;
    TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(-30, 30, -30, 30, 0.1, 0.1);  // 601 x 601 samples
    grid.SetCutter(config::StyleEnd, 0, 4.0);
    grid.CutLine(-10, 0, -1, 10, 0, -1);
    TStockScene scene(grid);
    scene.resize(400, 400);
    scene.ViewTop(6, 6);  // close enough that every sample is drawn
    const TSceneCamera camera = scene.Camera();
    const QImage still = picture(scene);
    ASSERT_EQ(scene.DetailLevel(), 0);
    EXPECT_EQ(scene.TrianglesDrawn(), 2LL * 600 * 600);
    EXPECT_FALSE(scene.Moving());

    scene.SceneMouseDown(QPoint(100, 100));
    scene.SceneMouseMove(QPoint(110, 100), Qt::LeftButton, Qt::NoModifier);
    ASSERT_TRUE(scene.Moving());
    picture(scene);
    EXPECT_LE(scene.TrianglesDrawn(), TStockScene::MOVING_TRIANGLES);
    EXPECT_EQ(scene.TrianglesDrawn(), scene.TrianglesAt(scene.DrawnLevel()));
    EXPECT_EQ(scene.DrawnLevel(), 1);

    scene.SceneMouseUp();
    EXPECT_FALSE(scene.Moving());
    scene.SetCamera(camera);
    EXPECT_TRUE(picture(scene) == still);
    EXPECT_EQ(scene.TrianglesDrawn(), 2LL * 600 * 600);
    // A move without the button held is no drag.
    scene.SceneMouseMove(QPoint(120, 100), Qt::NoButton, Qt::NoModifier);
    EXPECT_FALSE(scene.Moving());
}

// A Top view of a box that has no size yet shows the whole stock, as the box of the stock itself does.
TEST_F(StockScene, TopViewOfAnEmptyBoxShowsTheStock) {
    if (ran_elsewhere_) return;
    TCamGrid grid;
    setup_stock(grid);
    TStockScene empty_box(grid), stock_box(grid);
    for (TStockScene* scene : {&empty_box, &stock_box})
        scene->resize(300, 200);
    empty_box.ViewTop(0, 0);
    stock_box.ViewTop(20, 20);
    EXPECT_TRUE(picture(empty_box) == picture(stock_box));
}

}  // namespace
}  // namespace zorvan::ui
