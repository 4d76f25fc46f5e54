// ZorvanNC, the operator program: the main window on the board library found in the program's folder
// (the simulated board unless a real board's library has taken its place).
#include <QApplication>

#include <cstdio>
#include <string>

#include "app/cli_commands.h"
#include "app/program_folder.h"
#include "controller/zorvan_api_table.h"
#include "ui/main_window.h"

namespace {

// Qt's desktop plugins abort with a terse message when there is no display; say what to do instead.
bool DisplayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
    if (!DisplayAvailable()) {
        std::fprintf(
            stderr,
            "zorvannc: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
            "Start it from a desktop session, or on a virtual display:\n"
            "  xvfb-run -a %s\n"
            "(xvfb-run comes with the Debian package xvfb.)\n",
            argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    application.setApplicationName("ZorvanNC");

    // The board library sits beside the program; the configuration may live in the user's folder.
    const zorvan::app::ProgramFolders folders = zorvan::app::program_folders();
    std::string note;
    const std::filesystem::path folder = zorvan::app::choose_program_folder(folders, &note);
    if (!note.empty()) std::fprintf(stderr, "zorvannc: %s\n", note.c_str());
    std::string why;
    auto board = zorvan::controller::load_zorvan_api(
        folders.executable_dir / zorvan::controller::ZORVAN_API_LIBRARY, &why);
    if (!board && !why.empty()) std::fprintf(stderr, "zorvannc: no board library: %s\n", why.c_str());

    zorvan::ui::TfrmMain window({folder, board, {}, {}});
    window.showMaximized();
    return application.exec();
}
