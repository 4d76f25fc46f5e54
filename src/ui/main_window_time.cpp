// How long the program takes on the machine, estimated beside the window in a thread of its own, and the
// run's clock GO shows: the time gone and the time left, which follows the lines the board lets GO send.
#include <QLabel>
#include <QMetaObject>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "ui/main_window.h"

namespace zorvan::ui {
namespace {

QString Duration(double seconds) {
    const long long whole = std::llround(std::max(seconds, 0.0));
    return QString::asprintf("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
}

// How often the clock is redrawn while GO waits for the board.
constexpr int kClockIntervalMs = 500;

}  // namespace

void TfrmMain::BuildMachineTimePanel() {
    sbrTime = new QLabel(statusBar());
    sbrTime->setObjectName("sbrTime");
    sbrTime->setFrameShape(QFrame::Panel);
    sbrTime->setFrameShadow(QFrame::Sunken);
    sbrTime->setMinimumWidth(230);
    sbrTime->setToolTip("How long the program takes on the machine (operator waits not counted)");
    // Beside the first panel, before the line count.
    statusBar()->insertPermanentWidget(1, sbrTime);
    // The window is no narrower than its status bar's panels, which would otherwise be drawn over each
    // other (their widths are fixed), with room left for a message.
    int panels = 200;
    for (QWidget* panel : statusBar()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        panels += std::max(panel->minimumWidth(), panel->minimumSizeHint().width()) + 8;
    setMinimumWidth(std::max(minimumWidth(), panels));
    run_clock_timer_ = new QTimer(this);
    run_clock_timer_->setInterval(kClockIntervalMs);
    connect(run_clock_timer_, &QTimer::timeout, this, [this] { ShowRunClock(); });
}

void TfrmMain::StartMachineTimeEstimate() {
    StopMachineTimeEstimate();
    machine_time_stale_ = false;
    machine_time_.reset();
    line_times_.reset();
    const long generation = ++estimate_generation_;
    if (runner_->lines.empty()) {
        ShowMachineTime();
        return;
    }
    machine::MachineTimeRequest request;
    request.config_dir = options_.program_dir;
    request.lines = runner_->lines;
    request.program_name = "program";
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    estimate_cancel_ = cancel;
    ShowMachineTime();
    estimate_thread_ = std::thread([this, generation, cancel, request = std::move(request)]() mutable {
        auto times = std::make_shared<std::vector<float>>();
        request.cancel = cancel.get();
        request.line_times = times.get();
        const machine::MachineTime time = machine::EstimateMachineTime(std::move(request));
        if (cancel->load()) return;
        // The window takes the result in its own thread; a window closed meanwhile drops the call.
        QMetaObject::invokeMethod(
            this, [this, generation, time, times] { MachineTimeArrived(generation, time, times); },
            Qt::QueuedConnection);
    });
}

void TfrmMain::StopMachineTimeEstimate() {
    if (estimate_cancel_) estimate_cancel_->store(true);
    if (estimate_thread_.joinable()) estimate_thread_.join();
    estimate_cancel_.reset();
}

void TfrmMain::MachineTimeArrived(long generation, const machine::MachineTime& time,
                                  std::shared_ptr<std::vector<float>> line_times) {
    if (generation != estimate_generation_) return;  // for a text or machine changed since
    if (estimate_thread_.joinable()) estimate_thread_.join();
    machine_time_ = time;
    line_times_ = std::move(line_times);
    if (run_clock_on_) {
        ShowRunClock();
    } else {
        ShowMachineTime();
    }
}

void TfrmMain::ShowMachineTime() {
    if (sbrTime == nullptr) return;
    if (runner_->lines.empty()) {
        sbrTime->clear();
        return;
    }
    if (!machine_time_) {
        sbrTime->setText("Machine time: estimating...");
        return;
    }
    if (!machine_time_->known) {
        sbrTime->setText("Machine time: unknown");
        return;
    }
    QString text = "Machine time " + Duration(machine_time_->seconds);
    if (machine_time_->stopped) text += " (stops early)";
    sbrTime->setText(text);
    sbrTime->setToolTip(
        machine_time_->stopped
            ? QString::fromStdString("The run would stop: " + machine_time_->stop_reason)
            : QString("How long the program takes on the machine (operator waits not counted)"));
}

void TfrmMain::StartRunClock() {
    run_clock_on_ = true;
    run_started_ = line_taken_at_ = std::chrono::steady_clock::now();
    line_taken_s_ = 0;
    last_whole_s_ = -1;
    ShowRunClock();
    run_clock_timer_->start();
}

void TfrmMain::StopRunClock(bool ran) {
    if (!run_clock_on_) return;
    run_clock_on_ = false;
    run_clock_timer_->stop();
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - run_started_).count();
    ShowMachineTime();
    if (ran) sbrTime->setText(sbrTime->text() + ", ran " + Duration(took));
}

void TfrmMain::LineStarted(std::size_t index) {
    if (!run_clock_on_ || !line_times_ || index >= line_times_->size()) return;
    line_taken_s_ = (*line_times_)[index];
    line_taken_at_ = std::chrono::steady_clock::now();
    // Redrawn when the program's time passes a whole second, not for every line of a fine program.
    const long whole = static_cast<long>(line_taken_s_);
    if (whole == last_whole_s_) return;
    last_whole_s_ = whole;
    ShowRunClock();
}

void TfrmMain::ShowRunClock() {
    if (!run_clock_on_ || sbrTime == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    QString text = "Elapsed " + Duration(std::chrono::duration<double>(now - run_started_).count());
    if (machine_time_ && machine_time_->known && line_times_) {
        // Where the estimate stood when GO took its last line, and the time since: the board's own pace
        // throttles GO, so the time left follows the machine.
        const double since = std::chrono::duration<double>(now - line_taken_at_).count();
        text += ", left " + Duration(machine_time_->seconds - line_taken_s_ - since);
    } else {
        text += ", left unknown";
    }
    sbrTime->setText(text);
}

}  // namespace zorvan::ui
