// Choosing the desktop at start: GNOME's remote desktop on GNOME, Wayland
// when the compositor lets input in, X11 otherwise, and one line naming
// everything tried when none works.
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
    // GNOME's compositor offers no Wayland interface for input: its own
    // remote desktop on the session bus is the way in.
    std::string gnomeFailed;
    if (choice == DesktopChoice::Gnome || (choice == DesktopChoice::Auto && waylandSession &&
                                           desktop::GnomeOnSessionBus())) {
        desktop::WaylandOpening gnome = desktop::OpenGnome();
        if (gnome.sink) {
            result.sink = std::move(gnome.sink);
            result.notice = std::move(gnome.notice);
            return result;
        }
        if (choice == DesktopChoice::Gnome) {
            result.error = "GNOME: " + gnome.error;
            return result;
        }
        gnomeFailed = "GNOME: " + gnome.error;
        tried = gnomeFailed + "; ";
    }
    if (choice != DesktopChoice::X11 && gnomeFailed.empty()) {
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
        result.notice = gnomeFailed.empty() ? kXWaylandOnly : gnomeFailed + "; " + kXWaylandOnly;
        result.sink = std::make_unique<desktop::LastSetCursor>(std::move(result.sink));
    }
    return result;
}

}  // namespace tess
