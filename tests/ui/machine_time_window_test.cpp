// The status bar's machine time after a preview and the run's clock during GO, on the simulated board's
// virtual clock.
#include <QApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>

#include "machine/machine_time.h"
#include "main_window_fixture.h"

namespace zorvan::ui {
namespace {

class MachineTimeWindow : public MainWindow {
  protected:
    QString TimeText() const { return Text("sbrTime"); }
    // Lets the window take the estimate its thread makes; gives up after a generous while.
    void AwaitEstimate() {
        QElapsedTimer waited;
        waited.start();
        while (TimeText().contains("estimating") && waited.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    double Estimated(const std::string& program) {
        machine::ProgramText lines;
        std::size_t start = 0;
        for (std::size_t end; (end = program.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(std::string_view(program).substr(start, end - start));
        return machine::EstimateMachineTime(
                   {temp.path(), std::nullopt, std::move(lines), "p", nullptr, nullptr})
            .seconds;
    }
};

// Seconds of "H:MM:SS" after `key` in the text, or -1.
double SecondsAfter(const QString& text, const QString& key) {
    const QRegularExpression pattern(key + " (\\d+):(\\d\\d):(\\d\\d)");
    const auto match = pattern.match(text);
    if (!match.hasMatch()) return -1;
    return match.captured(1).toInt() * 3600 + match.captured(2).toInt() * 60 + match.captured(3).toInt();
}

std::string Zigzag(int moves) {
    std::string program = "G21 G90 F600\n";
    for (int i = 1; i <= moves; ++i)
        program += "G1 X" + std::to_string(i % 2 ? 20 : 0) + " Y" + std::to_string(i % 7) + "\n";
    return program + "M2\n";
}

TEST_F(MachineTimeWindow, APreviewShowsTheMachineTimeAndAChangedProgramIsEstimatedAnew) {
    WriteIni("[TRAJ]\nAXES=3\n");
    Start(true);
    const std::string program = Zigzag(30);
    LoadProgram(program);
    EXPECT_TRUE(TimeText().isEmpty() || TimeText().contains("estimating"));
    window->btnAllClick();
    AwaitEstimate();
    const double shown = SecondsAfter(TimeText(), "Machine time");
    ASSERT_GE(shown, 0) << TimeText().toStdString();
    EXPECT_NEAR(shown, Estimated(program), 0.5);
    EXPECT_GT(shown, 30 * 2.0);  // thirty moves of 20 mm at 10 mm/s

    // Half the moves: half the time, once the changed text is previewed.
    TypeProgram(Zigzag(15));
    window->btnAllClick();
    AwaitEstimate();
    EXPECT_NEAR(SecondsAfter(TimeText(), "Machine time"), shown / 2, 2.0) << TimeText().toStdString();
}

// During GO the clock counts the time left down as the board moves; afterwards the machine time and the
// run's own time stand there. The board keeps pace with the wall clock here, as a real one does, so the
// run takes the few seconds the program does.
TEST_F(MachineTimeWindow, GoCountsTheTimeLeftDownAsTheBoardMoves) {
    WriteIni(
        "[TRAJ]\nAXES=3\nMAXSPS=4000\nACCELERATION=200000\n[AXIS_0]\nMAX_SPS=4000\n[AXIS_1]\nMAX_SPS=4000\n");
    Start(true);
    using UseRealClock = void (*)();
    reinterpret_cast<UseRealClock>(
        ::dlsym(::dlopen(ZORVAN_API_SO, RTLD_NOW | RTLD_NOLOAD), "ZorvanSimUseRealClock"))();
    window->btnStopClick();
    ASSERT_FALSE(window->Controller().EStopActive);
    std::string program = "G21 G90 F1200\n";
    for (int i = 1; i <= 30; ++i)
        program += "G1 X" + std::to_string(i % 2 ? 2 : 0) + " Y" + std::to_string(i % 3) + "\n";
    LoadProgram(program + "M2\n");
    window->btnAllClick();
    AwaitEstimate();
    const double total = SecondsAfter(TimeText(), "Machine time");
    ASSERT_GE(total, 3);
    ASSERT_LE(total, 10);

    std::vector<double> left;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const double s = SecondsAfter(TimeText(), "left");
        if (s >= 0 && (left.empty() || left.back() != s)) left.push_back(s);
    });
    sampler.start(20);
    window->btnGoClick();
    sampler.stop();
    ASSERT_GE(left.size(), 3u);
    EXPECT_TRUE(std::is_sorted(left.rbegin(), left.rend())) << "the time left rose again";
    EXPECT_GE(left.front(), total - 1);
    EXPECT_LE(left.back(), 1);
    EXPECT_GE(SecondsAfter(TimeText(), "Machine time"), 0) << TimeText().toStdString();
    EXPECT_TRUE(TimeText().contains(", ran ")) << TimeText().toStdString();
}

// Squeezed to its narrowest, the window still lays its status bar's panels side by side, each as wide as
// it asks, rather than one over another.
TEST_F(MachineTimeWindow, AtItsNarrowestTheStatusBarPanelsLieSideBySide) {
    Start(true);
    LoadProgram(Zigzag(4));
    window->btnAllClick();
    AwaitEstimate();
    window->resize(100, window->height());
    QApplication::processEvents();
    QList<QWidget*> panels;
    for (QWidget* panel :
         window->statusBar()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (panel->isVisible()) panels.push_back(panel);
    }
    ASSERT_GE(panels.size(), 5);
    for (QWidget* panel : panels) {
        EXPECT_GE(panel->width(), panel->minimumWidth()) << panel->objectName().toStdString();
        for (QWidget* other : panels) {
            if (other == panel) continue;
            EXPECT_FALSE(panel->geometry().intersects(other->geometry()))
                << panel->objectName().toStdString() << " " << other->objectName().toStdString();
        }
    }
}

}  // namespace
}  // namespace zorvan::ui
