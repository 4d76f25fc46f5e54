#include "stock_scene_figures.h"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPoint>
#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "display/cam_grid.h"
#include "interp/interpreter.h"
#include "machine/canon.h"
#include "machine/operator_panel.h"
#include "machine/tool_path_sink.h"
#include "program_generator.h"
#include "ui/private_display.h"
#include "ui/stock_scene.h"

namespace zorvan::bench {
namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class QuietReporter final : public interp::ErrorReporter {
  public:
    void report_error(int, std::string_view, std::string_view) override { ++errors; }
    long errors = 0;
};

std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// The window sizes the stock's cells from the desktop: a full-HD desktop and the smallest Resolution.
constexpr double DESKTOP_WIDTH_PX = 1920, DESKTOP_HEIGHT_PX = 1080;
constexpr double RESOLUTION = 1.5;
// The surfacing job names no tool: a 3 mm ball carves it, as the tool change would have set.
constexpr double BALL_DIAMETER = 3.0;
// The preview lets the window paint once per hundredth of the program (the progress gauge's steps).
constexpr int PAINTS_PER_PASS = 100;
constexpr int SCENE_WIDTH_PX = 1024, SCENE_HEIGHT_PX = 768;
constexpr int ORBIT_FRAMES = 60;
constexpr int TRACE_STEPS = 200;
constexpr double ORBIT_STEP_DEG = 6;

// One preview pass of the program on a fresh headless machine; with a stock its moves carve it.
std::array<double, 6> run_pass(const std::vector<std::string_view>& lines, machine::StockSink* stock,
                               const std::function<void(std::size_t)>& every_line) {
    machine::HeadlessOperatorPanel panel;
    machine::NullToolPathSink sink;
    machine::Canon canon(panel, sink);
    QuietReporter reporter;
    interp::Interpreter interpreter(canon, reporter, "/nonexistent");
    interpreter.interpreter_init();
    if (stock != nullptr) {
        canon.SetStockSink(stock);
        canon.RenderedView = true;
    }
    interpreter.interpreter_reset();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (every_line) every_line(i);
        interpreter.interpret_line(lines[i]);
    }
    return canon.PathExtentsInProgramUnits();
}

// Frames per second of orbiting the scene by ORBIT_STEP_DEG a frame: with the camera turned while the
// scene stands still, or dragged by the mouse, which draws within the moving budget until let go.
struct Orbit {
    double frames_per_second;
    long long triangles;
};
Orbit orbit(ui::TStockScene& scene, bool dragged) {
    scene.grabFramebuffer();
    QPoint mouse(0, 0);
    if (dragged) scene.SceneMouseDown(mouse);
    const Clock::time_point start = Clock::now();
    for (int frame = 0; frame < ORBIT_FRAMES; ++frame) {
        if (dragged) {
            mouse.rx() -= static_cast<int>(ORBIT_STEP_DEG);  // dx is the old x less the new, degrees
            scene.SceneMouseMove(mouse, Qt::LeftButton, Qt::NoModifier);
        } else {
            scene.OrbitCamera(ORBIT_STEP_DEG, 0);
        }
        scene.grabFramebuffer();
    }
    const Orbit result{ORBIT_FRAMES / seconds_since(start), scene.TrianglesDrawn()};
    if (dragged) scene.SceneMouseUp();
    return result;
}

}  // namespace

void print_stock_scene_figures(long program_lines, const std::string& picture_folder) {
    if (!testing::CanMakeOpenGLContext(ui::TStockScene::SurfaceFormat())) {
        std::printf("rendered view                 no OpenGL 3.3 context here: not measured\n");
        return;
    }
    const std::string program = generate_surfacing_program(program_lines);
    const std::vector<std::string_view> lines = split_lines(program);
    const std::array<double, 6> extents = run_pass(lines, nullptr, nullptr);

    // The window's clear: the stock over the path's extents, Dummy at their centre, then Top.
    display::TCamGrid grid;
    grid.Resolution = RESOLUTION;
    auto clear = [&] {
        grid.SetupStock(extents[0], extents[1], extents[2], extents[3],
                        (extents[1] - extents[0]) / DESKTOP_WIDTH_PX,
                        (extents[3] - extents[2]) / DESKTOP_HEIGHT_PX);
    };
    clear();
    grid.SetCutter(config::StyleBall, 0, BALL_DIAMETER);
    ui::TStockScene scene(grid);
    scene.resize(SCENE_WIDTH_PX, SCENE_HEIGHT_PX);
    scene.SetDummyPosition((extents[0] + extents[1]) / 2, (extents[2] + extents[3]) / 2,
                           (extents[4] + extents[5]) / 2);
    scene.ViewTop(extents[1] - extents[0], extents[3] - extents[2]);

    Clock::time_point start = Clock::now();
    scene.grabFramebuffer();
    const double first_paint_s = seconds_since(start);
    start = Clock::now();
    scene.grabFramebuffer();
    const double still_paint_s = seconds_since(start);

    // A preview pass: the window paints at the progress gauge's steps when a refresh was asked since its
    // last paint, and once after the pass. paint_always paints at every step, as if a rapid had cut in
    // each hundredth of the program.
    struct Pass {
        double seconds = 0, paint_seconds = 0;
        int paints = 0;
        long refreshes = 0;
        unsigned long long uploaded = 0;
    };
    auto preview = [&](bool paint_always) {
        Pass pass;
        clear();
        scene.grabFramebuffer();
        bool asked = false;
        display::CamGridStock stock(grid);
        stock.on_refresh = [&] {
            ++pass.refreshes;
            asked = true;
            scene.Refresh();
        };
        auto paint = [&] {
            const Clock::time_point painting = Clock::now();
            scene.grabFramebuffer();
            pass.paint_seconds += seconds_since(painting);
            ++pass.paints;
            asked = false;
        };
        const std::size_t step = std::max<std::size_t>(lines.size() / PAINTS_PER_PASS, 1);
        const unsigned long long before = scene.VerticesUploaded();
        const Clock::time_point started = Clock::now();
        run_pass(lines, &stock, [&](std::size_t i) {
            if (i > 0 && i % step == 0 && (asked || paint_always)) paint();
        });
        scene.Refresh();
        paint();
        pass.seconds = seconds_since(started);
        pass.uploaded = scene.VerticesUploaded() - before;
        return pass;
    };
    const Pass worst = preview(true);
    const Pass usual = preview(false);

    // Control mode traces the reported position: a short step of the carving tool, then a paint.
    scene.OrbitCamera(0, 50);
    grid.LastX = static_cast<float>(extents[0]), grid.LastY = static_cast<float>(extents[2]);
    grid.LastZ = static_cast<float>(extents[4]);
    unsigned long long before = scene.VerticesUploaded();
    start = Clock::now();
    for (int k = 1; k <= TRACE_STEPS; ++k) {
        const double t = static_cast<double>(k) / TRACE_STEPS;
        grid.CutTo(extents[0] + t * (extents[1] - extents[0]), extents[2] + t * (extents[3] - extents[2]),
                   extents[4]);
        scene.SetToolMarker(grid.LastX, grid.LastY, grid.LastZ);
        scene.Refresh();
        scene.grabFramebuffer();
    }
    const double trace_fps = TRACE_STEPS / seconds_since(start);
    const double trace_uploaded = static_cast<double>(scene.VerticesUploaded() - before) / TRACE_STEPS;

    // Orbiting the carved stock with the camera tilted 50 degrees from the vertical: as Top fits it, and
    // zoomed in until every sample is drawn.
    const int fitted_level = scene.DetailLevel();
    const Orbit fitted = orbit(scene, false);
    const Orbit fitted_dragged = orbit(scene, true);
    const std::string picture = picture_folder + "/zorvannc-rendered-view.png";
    scene.grabFramebuffer().save(QString::fromStdString(picture));
    while (scene.DetailLevel() > 0)
        scene.ZoomCamera(scene.Camera().FocalLength);
    const Orbit zoomed = orbit(scene, false);
    const Orbit zoomed_dragged = orbit(scene, true);

    scene.makeCurrent();
    const auto* renderer =
        reinterpret_cast<const char*>(scene.context()->functions()->glGetString(GL_RENDERER));
    std::printf("rendered view: OpenGL renderer %s, picture %dx%d\n", renderer != nullptr ? renderer : "?",
                SCENE_WIDTH_PX, SCENE_HEIGHT_PX);
    scene.doneCurrent();
    const auto vertices = static_cast<double>(scene.MeshVertexCount());
    std::printf("  surfacing program           %zu lines, %.0f x %.0f mm\n", lines.size(),
                extents[1] - extents[0], extents[3] - extents[2]);
    std::printf("  stock samples               %d x %d (%.0f vertices)\n", grid.SampleColumns(),
                grid.SampleRows(), vertices);
    std::printf("  first paint, whole mesh     %.3f s\n", first_paint_s);
    std::printf("  paint, nothing changed      %.1f ms\n", 1000 * still_paint_s);
    for (const auto& [name, pass] :
         {std::pair{"preview pass", usual}, std::pair{"preview, paint each 1%", worst}}) {
        std::printf("  %-27s %.2f s (%.0f lines/s); %d paints %.2f s; %ld refreshes asked\n", name,
                    pass.seconds, static_cast<double>(lines.size()) / pass.seconds, pass.paints,
                    pass.paint_seconds, pass.refreshes);
        std::printf("    vertices uploaded         %llu (%.1f%% of the mesh a paint)\n", pass.uploaded,
                    100.0 * static_cast<double>(pass.uploaded) / vertices / pass.paints);
    }
    std::printf("  tracing, a paint a step     %.1f frames/s, %.0f vertices uploaded a step\n", trace_fps,
                trace_uploaded);
    std::printf("  orbit, as Top fits it       %.1f frames/s (detail level %d, %lld triangles)\n",
                fitted.frames_per_second, fitted_level, fitted.triangles);
    std::printf("    dragged by the mouse      %.1f frames/s (%lld triangles)\n",
                fitted_dragged.frames_per_second, fitted_dragged.triangles);
    std::printf("  orbit, every sample drawn   %.1f frames/s (%lld triangles)\n", zoomed.frames_per_second,
                zoomed.triangles);
    std::printf("    dragged by the mouse      %.1f frames/s (%lld triangles)\n",
                zoomed_dragged.frames_per_second, zoomed_dragged.triangles);
    std::printf("  picture                     %s\n", picture.c_str());
}

}  // namespace zorvan::bench
