// Choosing the desktop at start: Wayland when the compositor lets input in,
// X11 otherwise, and one line naming everything tried when neither works.
#include <cstdlib>

#include "platform/DesktopSink.h"
#include "platform/desktop/Backends.h"
#include "platform/desktop/LastSetCursor.h"

namespace tess {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Played through X11 while the session is Wayland: only programs running
// on XWayland see the input.
constexpr const char* kXWaylandOnly =
    "input goes through X11 on this Wayland desktop: playback reaches only XWayland windows";

}  // namespace

DesktopSink CreateDesktopSink(DesktopChoice choice) {
    DesktopSink result;
    std::string tried;
    bool waylandSession = IsSet("WAYLAND_DISPLAY");
    if (choice != DesktopChoice::X11) {
        desktop::WaylandOpening wayland = desktop::OpenWayland();
        if (wayland.sink) {
            result.sink = std::move(wayland.sink);
            result.notice = std::move(wayland.notice);
            return result;
        }
        if (choice == DesktopChoice::Wayland) {
            result.error = "Wayland: " + wayland.error;
            return result;
        }
        waylandSession = waylandSession && wayland.reachedCompositor;
        tried = "Wayland: " + wayland.error + "; ";
    }
    std::string error;
    result.sink = desktop::OpenX11(error);
    if (!result.sink) {
        result.error = tried + "X11: " + error;
    } else if (waylandSession) {
        result.notice = kXWaylandOnly;
        result.sink = std::make_unique<desktop::LastSetCursor>(std::move(result.sink));
    }
    return result;
}

}  // namespace tess
