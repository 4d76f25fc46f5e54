// The operator window's figures on a large program: the time from the Open handler to the last repaint
// of the automatic preview, and the process's memory with the program loaded; then the rendered view's
// carving, refreshing and orbiting on a surfacing program of as many lines. Runs on Qt's offscreen platform
// unless a display is given; without one, the rendered view draws through an X server of its own.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QTimer>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "config/text_file.h"
#include "controller/zorvan_api_table.h"
#include "program_generator.h"
#include "stock_scene_figures.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/private_display.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The simulated board beside this program, with its default settings (no switches) and keeping pace
// with the wall clock, as a machine does.
std::optional<zorvan::controller::ZorvanApiTable> SimulatedBoardAtTheWallClock() {
    const auto library =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "libZorvanAPI.so";
    std::string why;
    auto board = zorvan::controller::load_zorvan_api(library, &why);
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!board || handle == nullptr) {
        std::fprintf(stderr, "window_figures: no simulated board (%s); GO is not measured\n", why.c_str());
        return std::nullopt;
    }
    reinterpret_cast<int (*)(const char*)>(::dlsym(handle, "ZorvanSimLoadSettings"))("");
    reinterpret_cast<void (*)()>(::dlsym(handle, "ZorvanSimUseRealClock"))();
    return board;
}

// GO on the board for a few seconds of the wall clock, then the emergency stop: how soon the first line
// goes, how many follow, the longest the window's messages wait meanwhile and how soon the stop ends GO.
void PrintGo(zorvan::ui::TfrmMain& window) {
    constexpr int RUN_MS = 5000;
    window.btnStopClick();  // out of the emergency stop the window starts in
    window.AnswerRunAnyway = [](const QString&) { return true; };
    if (window.Controller().EStopActive) {
        std::printf("GO                            not measured: no board\n");
        return;
    }
    auto& interpreter = window.Interpreter();
    Clock::time_point last_tick = Clock::now(), started = Clock::now(), stop_pressed{};
    double longest_pause = 0, first_line = -1;
    long lines_at_stop = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest_pause = std::max(longest_pause, SecondsSince(last_tick));
        last_tick = Clock::now();
        if (first_line < 0 && window.Runner().Running && interpreter.line_counter() > 0)
            first_line = SecondsSince(started);
    });
    ticker.start(10);
    QTimer::singleShot(RUN_MS, [&] {
        lines_at_stop = interpreter.line_counter();
        stop_pressed = Clock::now();
        window.btnStopClick();
    });
    // A GO that the stop does not end is a fault to see, not a figure to wait for.
    QTimer::singleShot(RUN_MS + 30000, [] {
        std::printf("GO did not end within 30 s of the emergency stop\n");
        std::fflush(stdout);
        std::_Exit(1);
    });
    started = last_tick = Clock::now();
    window.btnGoClick();
    const double stopped_in = stop_pressed == Clock::time_point{} ? -1 : SecondsSince(stop_pressed);
    ticker.stop();
    std::printf(
        "GO for %.0f s, then the emergency stop: first line after %.3f s, %ld lines taken, the window's\n"
        "  messages waited at most %.0f ms, GO ended %.0f ms after the stop\n",
        RUN_MS / 1000.0, first_line, lines_at_stop, 1000 * longest_pause, 1000 * stopped_in);
}

// The largest this process has been resident, in MiB.
double PeakResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmHWM:") {
            double kib = 0;
            status >> kib;
            return kib / 1024;
        }
    }
    return 0;
}

// Resident memory of this process in MiB, from the kernel's own account.
double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    // Qt takes the display when the application starts, so the server comes first.
    std::unique_ptr<zorvan::testing::PrivateDisplay> display;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::string why;
        display = zorvan::testing::PrivateDisplay::Start(why);
        if (display) {
            qputenv("DISPLAY", QByteArray::fromStdString(display->Name()));
        } else {
            std::fprintf(stderr, "window_figures: %s; the rendered view is not measured\n", why.c_str());
        }
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const long lines = argc > 1 ? std::stol(argv[1]) : 1000000;

    zorvan::testing::TempDir folder;
    const auto program = folder.path() / "large.ngc";
    if (zorvan::config::write_text_file_atomically(folder.path() / "ZorvanNC.Ini",
                                                   "[SCREEN]\nAutoRedraw=1\n[MACHINE]\nMINX=-100\nMAXX=300\n"
                                                   "MINY=-100\nMAXY=300\nMINZ=-50\n") ||
        zorvan::config::write_text_file_atomically(program, zorvan::bench::generate_milling_program(lines))) {
        std::fprintf(stderr, "window_figures: cannot write the program\n");
        return 1;
    }
    const double before_window = ResidentMiB();
    zorvan::ui::MainWindowOptions options;
    options.program_dir = folder.path();
    options.board = SimulatedBoardAtTheWallClock();
    options.message_box = [](const QString&) {};
    options.confirm = [](const QString&) { return true; };
    zorvan::ui::TfrmMain window(options);
    window.resize(1280, 900);
    window.show();
    QApplication::processEvents();
    const double with_window = ResidentMiB();

    const auto start = std::chrono::steady_clock::now();
    window.OpenFile(QString::fromStdString(program.string()));
    QApplication::processEvents();  // the last repaint
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("program lines                 %ld\n", lines);
    std::printf("open and preview (2 passes)   %.3f s\n", seconds);
    std::printf("resident memory, no window    %.1f MiB\n", before_window);
    std::printf("resident memory, empty window %.1f MiB\n", with_window);
    std::printf("resident memory, loaded       %.1f MiB\n", ResidentMiB());

    // A zoom, a pan and a turn as the mouse's release redraws them: the first All after the opening
    // records the pass, the later ones draw from the record. Each picture is checked against a pass of
    // the interpreter in the same view.
    auto& view = window.View();
    const auto timed = [](const std::function<void()>& action) {
        const auto begin = std::chrono::steady_clock::now();
        action();
        QApplication::processEvents();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    };
    // The opening's second pass started where its first left the machine; from now on each pass starts
    // alike, so this one is drawn from what the second recorded.
    const long replays_before = window.Runner().ReplayedPasses;
    const double again = timed([&] { window.btnAllClick(); });
    std::printf("All again                     %.3f s (%s)\n", again,
                window.Runner().ReplayedPasses > replays_before ? "from the record" : "interpreted");
    const auto box = view.Window;
    const double w = box[1] - box[0], h = box[3] - box[2];
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"zoom in",
         [&] {
             view.FitWindow(
                 {box[0] + w / 4, box[1] - w / 4, box[2] + h / 4, box[3] - h / 4, box[4], box[5], 0, 0, 0},
                 20, true, 20);
         }},
        {"pan",
         [&] {
             view.FitWindow({box[0] + w / 3, box[1] + w / 3, box[2], box[3], box[4], box[5], 0, 0, 0}, 20,
                            true, 20);
         }},
        {"turn", [&] { view.ViewIsometric(); }},
    };
    for (const auto& c : changes) {
        c.change();
        const long replays = window.Runner().ReplayedPasses;
        const double redraw = timed([&] { window.btnAllClick(); });
        const QImage replayed = view.ShowPicture();
        const bool from_record = window.Runner().ReplayedPasses > replays;
        window.Runner().ForgetRecordedPass();
        const double interpreted = timed([&] { window.btnAllClick(); });
        const bool same = replayed == view.ShowPicture();
        std::printf("%-8s redraw %s %.3f s (interpreted %.3f s), %s picture\n", c.name,
                    from_record ? "from the record" : "INTERPRETED", redraw, interpreted,
                    same ? "the same" : "A DIFFERENT");
    }
    std::printf("resident memory, recorded     %.1f MiB\n", ResidentMiB());

    // The machine-time estimate, made in its own thread from the opening's preview on.
    auto* time_panel = qobject_cast<QLabel*>(window.Child("sbrTime"));
    const auto waited_from = std::chrono::steady_clock::now();
    while (time_panel->text().contains("estimating") &&
           std::chrono::steady_clock::now() - waited_from < std::chrono::minutes(5))
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const double estimate = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("machine time shown %.3f s after the opening began: %s\n", estimate,
                time_panel->text().toStdString().c_str());
    std::printf("resident memory, estimated    %.1f MiB\n", ResidentMiB());

    PrintGo(window);

    zorvan::bench::print_stock_scene_figures(lines, QDir::tempPath().toStdString());
    std::printf("resident memory, with scene   %.1f MiB\n", ResidentMiB());
    std::printf("resident memory, peak         %.1f MiB\n", PeakResidentMiB());
    return 0;
}
