// Opening the display and the errors on it.
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/DesktopLost.h"
#include "platform/desktop/Backends.h"
#include "platform/x11/ErrorTrap.h"
#include "platform/x11/X11Sink.h"

namespace tess::x11 {
namespace {

std::mutex gMutex;
std::vector<std::pair<Display*, unsigned long>> gWatched;
XErrorHandler gPrevious = nullptr;
bool gInstalled = false;

int OnError(Display* display, XErrorEvent* event) {
    {
        std::lock_guard lock(gMutex);
        for (auto& [watched, count] : gWatched) {
            if (watched == display) {
                ++count;
                return 0;
            }
        }
    }
    return gPrevious ? gPrevious(display, event) : 0;
}

int OnServerLost(Display* display) {
    std::string line = std::string(program_invocation_short_name) +
                       ": lost the connection to the X server";
    if (display && DisplayString(display)) line += std::string(" at \"") + DisplayString(display) + "\"";
    if (DesktopLostHook hook = std::exchange(DesktopLostHookSlot(), nullptr)) line += hook();
    line += "\n";
    std::fflush(stdout);
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
    // Exit handlers could reach for the dead connection again; skip them.
    ::_exit(kServerLostStatus);
}

}  // namespace

void HandleServerLoss() { XSetIOErrorHandler(OnServerLost); }

void WatchForErrors(Display* display) {
    std::lock_guard lock(gMutex);
    gWatched.emplace_back(display, 0);
    if (!gInstalled) {
        gPrevious = XSetErrorHandler(OnError);
        gInstalled = true;
    }
}

void StopWatchingErrors(Display* display) {
    std::lock_guard lock(gMutex);
    std::erase_if(gWatched, [display](const auto& w) { return w.first == display; });
}

unsigned long ErrorCount(Display* display) {
    std::lock_guard lock(gMutex);
    for (const auto& [watched, count] : gWatched) {
        if (watched == display) return count;
    }
    return 0;
}

std::unique_ptr<X11Sink> OpenX11Sink(const char* displayName, std::string& error) {
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    if (!name || !*name) {
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        error = (wayland && *wayland)
                    ? "this is a Wayland session without XWayland (DISPLAY is not set)"
                    : "there is no X display (DISPLAY is not set)";
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (!display) {
        error = std::string("no X server answers at display \"") + name + "\"";
        return nullptr;
    }
    int event = 0, errorBase = 0, major = 0, minor = 0, opcode = 0;
    const char* missing = nullptr;
    if (!XTestQueryExtension(display, &event, &errorBase, &major, &minor)) {
        missing = "XTEST";
    } else {
        major = XkbMajorVersion;
        minor = XkbMinorVersion;
        if (!XkbQueryExtension(display, &opcode, &event, &errorBase, &major, &minor))
            missing = "XKEYBOARD";
    }
    if (missing) {
        XCloseDisplay(display);
        error = std::string("the X server at \"") + name + "\" lacks the " +
                missing + " extension";
        return nullptr;
    }
    return std::make_unique<X11Sink>(display);
}

}  // namespace tess::x11

namespace tess::desktop {

std::unique_ptr<InputSink> OpenX11(std::string& error) { return x11::OpenX11Sink(nullptr, error); }

}  // namespace tess::desktop
