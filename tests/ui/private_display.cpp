#include "ui/private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <cerrno>
#include <string>

namespace zorvan::testing {
namespace {

// A server that starts takes well under a second; a loaded machine gets ten.
constexpr int START_TIMEOUT_MS = 10000;

}  // namespace

std::unique_ptr<PrivateDisplay> PrivateDisplay::Start(std::string& why) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) {
        why = "cannot make a pipe for Xvfb";
        return nullptr;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        why = "cannot start Xvfb";
        return nullptr;
    }
    if (pid == 0) {
        // The server goes when the test goes, even when the test crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::close(pipe_fds[0]);
        const int quiet = ::open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            ::dup2(quiet, STDOUT_FILENO);
            ::dup2(quiet, STDERR_FILENO);
        }
        const std::string fd = std::to_string(pipe_fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    // Xvfb writes the display number it took, then a newline, once it accepts clients.
    std::string number;
    pollfd waiting{pipe_fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos) {
        const int ready = ::poll(&waiting, 1, START_TIMEOUT_MS);
        if (ready < 0 && errno == EINTR) continue;
        char buffer[16];
        const ssize_t got = ready > 0 ? ::read(pipe_fds[0], buffer, sizeof buffer) : 0;
        if (got <= 0) break;
        number.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe_fds[0]);
    if (number.find('\n') == std::string::npos) {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        why = WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "Xvfb is not installed (Debian package xvfb)"
                                                              : "Xvfb did not start";
        return nullptr;
    }
    number.erase(number.find('\n'));
    return std::unique_ptr<PrivateDisplay>(new PrivateDisplay(pid, ":" + number));
}

PrivateDisplay::~PrivateDisplay() {
    ::kill(server_, SIGTERM);
    ::waitpid(server_, nullptr, 0);
}

bool CanMakeOpenGLContext(const QSurfaceFormat& format) {
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.makeCurrent(&surface)) return false;
    const bool enough = context.format().version() >= format.version();
    context.doneCurrent();
    return enough;
}

}  // namespace zorvan::testing
