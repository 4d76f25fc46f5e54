// An X server of our own for OpenGL where there is no display. Qt's offscreen platform draws with OpenGL
// only through an X server's GLX, and only when DISPLAY names one before the application starts.
#pragma once

#include <sys/types.h>

#include <QProcessEnvironment>
#include <QSurfaceFormat>

#include <memory>
#include <string>

namespace zorvan::testing {

class PrivateDisplay {
  public:
    // Starts Xvfb on a display number it finds free itself, so parallel tests never race for one. nullptr
    // when Xvfb is missing or does not start; why then says which.
    static std::unique_ptr<PrivateDisplay> Start(std::string& why);
    // Stops the server; it also stops when this process dies.
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // ":N", for DISPLAY.
    const std::string& Name() const { return name_; }

  private:
    PrivateDisplay(pid_t server, std::string name) : server_(server), name_(std::move(name)) {}
    pid_t server_;
    std::string name_;
};

// Whether this process can make and use an OpenGL context of that format; needs the application object.
bool CanMakeOpenGLContext(const QSurfaceFormat& format);

// Set in the copy of a test that runs on a private display, so that it never starts another.
inline constexpr const char* ON_PRIVATE_DISPLAY = "ZORVAN_ON_PRIVATE_DISPLAY";

// The running test run again by a child of this test program on a private display of its own.
struct ChildTestRun {
    enum Outcome { Passed, Skipped, Failed };
    Outcome outcome = Failed;
    std::string report;  // the child's output, or why no private display could be had (then Skipped)
};
// The child gets this environment with DISPLAY and ON_PRIVATE_DISPLAY set; it is Failed when it does
// not finish within the time.
ChildTestRun RunTestOnPrivateDisplay(QProcessEnvironment environment, int timeout_ms);

}  // namespace zorvan::testing
