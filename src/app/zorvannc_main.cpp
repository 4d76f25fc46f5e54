// ZorvanNC, the operator program: the main window on the board library found in the program's folder
// (the simulated board unless a real board's library has taken its place), with the program named on the
// command line in its editor.
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/program_arguments.h"
#include "app/program_folder.h"
#include "controller/zorvan_api_table.h"
#include "ui/main_window.h"

namespace {

// Qt's desktop plugins abort with a terse message when there is no display; say what to do instead.
bool DisplayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Where the package installs the guide, or the sources for a program run from its build tree.
std::string UserGuide() {
    return zorvan::app::user_guide(zorvan::app::executable_dir(), ZORVAN_GUIDE_FROM_PROGRAM,
                                   ZORVAN_GUIDE_IN_SOURCES)
        .string();
}

}  // namespace

int main(int argc, char** argv) {
    // The usage is there without a display too.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(zorvan::app::program_usage().c_str(), stdout);
            std::printf("The user's guide: %s\n", UserGuide().c_str());
            return 0;
        }
    }
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
    std::vector<std::string> arguments;
    for (const QString& argument : application.arguments().mid(1))
        arguments.push_back(argument.toStdString());
    const zorvan::app::ProgramArguments parsed = zorvan::app::parse_program_arguments(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zorvannc: %s\n%s", parsed.error.c_str(), zorvan::app::program_usage().c_str());
        return 2;
    }

    // The board library sits beside the program; the configuration may live in the user's folder.
    const zorvan::app::ProgramFolders folders = zorvan::app::program_folders();
    std::string note;
    const std::filesystem::path folder = zorvan::app::choose_program_folder(folders, &note);
    if (!note.empty()) std::fprintf(stderr, "zorvannc: %s\n", note.c_str());
    std::string why;
    auto board = zorvan::controller::load_zorvan_api(
        folders.executable_dir / zorvan::controller::ZORVAN_API_LIBRARY, &why);
    if (!board && !why.empty()) std::fprintf(stderr, "zorvannc: no board library: %s\n", why.c_str());

    zorvan::ui::MainWindowOptions options;
    options.program_dir = folder;
    options.board = board;
    options.program = QString::fromStdString(parsed.program);
    options.guide = UserGuide();
    zorvan::ui::TfrmMain window(std::move(options));
    window.showMaximized();
    return application.exec();
}
