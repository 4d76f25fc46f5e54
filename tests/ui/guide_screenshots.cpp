// The pictures of the user's guide, taken as the window tests take theirs: the sample machine on the
// simulated board's virtual clock, an example program opened, previewed and run.
//   guide_screenshots FOLDER    (docs/guide/images)
#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ui/main_window_fixture.h"
#include "ui/renumber_dialog.h"
#include "ui/replace_dialog.h"
#include "ui/start_dialog.h"

namespace {

// Few colours, so that a picture of the window takes tens of kilobytes.
bool Save(QWidget& widget, const std::filesystem::path& file) {
    const QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    if (shot.save(QString::fromStdString(file.string()), "PNG", 9)) return true;
    std::fprintf(stderr, "guide_screenshots: cannot write %s\n", file.c_str());
    return false;
}

// Dialogs are shown beside the window for their picture, then hidden again.
bool SaveDialog(QWidget& dialog, const std::filesystem::path& file) {
    dialog.show();
    QApplication::processEvents();
    const bool saved = Save(dialog, file);
    dialog.hide();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: guide_screenshots FOLDER\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);

    // The sample machine, as the build puts it beside the program.
    const zorvan::testing::TempDir folder;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(ZORVAN_SOURCE_DIR) / "examples"))
        std::filesystem::copy_file(entry.path(), folder.path() / entry.path().filename());
    zorvan::ui::MainWindowOptions options;
    options.program_dir = folder.path();
    options.board = zorvan::ui::SimulatedBoard((folder.path() / "ZorvanSim.Ini").string());
    options.message_box = [](const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    };
    options.confirm = [](const QString&) { return true; };
    options.ask_unsaved = [](const QString&) { return zorvan::ui::UnsavedAnswer::Discard; };
    zorvan::ui::TfrmMain window(std::move(options));
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();

    bool saved = true;
    // The Edit Center with a program opened: Automatic Redraw has drawn its path.
    window.mnuEditModeClick();
    window.OpenFile(QString::fromStdString((folder.path() / "pocket.ngc").string()));
    window.Editor()->setCursorPosition(12, 0);
    QApplication::processEvents();
    saved = Save(window, out / "edit-center.png") && saved;

    // The Control Center after GO: the grey preview and the path the machine went. The tool change's M0
    // holds the run; the operator's Pause(Hold) lets it go on.
    window.mnuControlModeClick();
    window.btnStopClick();
    QTimer pause_again;
    QObject::connect(&pause_again, &QTimer::timeout, [&window] {
        if (window.Controller().Paused) window.btnPauseClick();
    });
    pause_again.start(50);
    window.btnGoClick();
    pause_again.stop();
    QApplication::processEvents();
    saved = Save(window, out / "control-center.png") && saved;

    auto* renumber = window.ReNumberDialog();
    saved = SaveDialog(*renumber, out / "renumber.png") && saved;
    auto* replace = window.ReplaceDialog();
    replace->txtFind->setText("F600");
    replace->txtReplace->setText("F450");
    replace->chkMatchCase->setChecked(true);
    saved = SaveDialog(*replace, out / "replace.png") && saved;
    auto* start = window.StartDialog();
    start->FormShow(45);
    start->txtStart->setText("12");
    saved = SaveDialog(*start, out / "start-from-line.png") && saved;
    return saved ? 0 : 1;
}
