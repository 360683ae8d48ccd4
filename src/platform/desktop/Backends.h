#pragma once
// The kinds of desktop sink, each implemented in its own directory; a kind
// the build lacks has a stand-in here that gives the reason.
#include <memory>
#include <string>

#include "platform/InputSink.h"
#include "platform/OwnKeyGuard.h"
#include "platform/StopKey.h"

namespace tess::desktop {

// The X server named by DISPLAY; nullptr with a one-line reason.
std::unique_ptr<InputSink> OpenX11(std::string& error);

// What a Wayland compositor offers.
struct WaylandOpening {
    std::unique_ptr<InputSink> sink;
    std::string error;   // one line, when there is no sink
    std::string notice;  // a limit of this compositor the user should know
    // The compositor answered but offers no interface to play input through.
    bool reachedCompositor = false;
};

// The compositor named by WAYLAND_DISPLAY.
WaylandOpening OpenWayland();

// Stop keys of one kind, and what a Wayland sink tells of its own presses
// (nullptr when the sink's presses cannot set them off).
struct StopKeyOpening {
    std::unique_ptr<StopKey> key;  // nullptr, with a reason, when there are none
    OwnKeyGuard* guard = nullptr;  // owned by `key`
};

// X11 grabs: on the X11 sink's own server when `sink` is one (bare or as
// played on XWayland), else on the server DISPLAY names (XWayland).
StopKeyOpening OpenX11StopKey(InputSink& sink, std::string& error);

// Pause and Ctrl+Alt+Q as KDE global shortcuts.
StopKeyOpening OpenKdeStopKey(std::string& error);

// Whether GNOME's compositor offers its remote desktop on the session bus.
bool GnomeOnSessionBus();
// A remote-desktop session of GNOME's compositor.
WaylandOpening OpenGnome();

}  // namespace tess::desktop
