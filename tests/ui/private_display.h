// An X server of our own for OpenGL where there is no display. Qt's offscreen platform draws with OpenGL
// only through an X server's GLX, and only when DISPLAY names one before the application starts.
#pragma once

#include <sys/types.h>

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

}  // namespace zorvan::testing
