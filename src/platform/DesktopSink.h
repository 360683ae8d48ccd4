#pragma once
// The InputSink that reaches this system's real desktop. The build decides
// which kinds of desktop are supported; which one is used is decided when
// the program starts.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/InputSink.h"

namespace tess {

enum class DesktopChoice {
    Auto,     // Wayland when the compositor offers a way in, else X11
    X11,      // the X server named by DISPLAY (XWayland, on a Wayland desktop)
    Wayland,  // the compositor named by WAYLAND_DISPLAY
    Gnome,    // GNOME's compositor, through its remote desktop on the session bus
};

// "auto", "x11", "wayland" or "gnome"; nothing for any other text.
inline std::optional<DesktopChoice> ParseDesktopChoice(std::string_view text) {
    if (text == "auto") return DesktopChoice::Auto;
    if (text == "x11") return DesktopChoice::X11;
    if (text == "wayland") return DesktopChoice::Wayland;
    if (text == "gnome") return DesktopChoice::Gnome;
    return std::nullopt;
}

struct DesktopSink {
    std::unique_ptr<InputSink> sink;  // nullptr when no desktop could be reached
    std::string error;                // then: one line naming what was tried
    // Something the user should be told once about what playback can reach
    // on this desktop (empty when it reaches everything).
    std::string notice;
};

DesktopSink CreateDesktopSink(DesktopChoice choice);

// The automatic choice; returns nullptr with the reason in `error`.
inline std::unique_ptr<InputSink> CreateDesktopSink(std::string& error) {
    DesktopSink desktop = CreateDesktopSink(DesktopChoice::Auto);
    error = desktop.error;
    return std::move(desktop.sink);
}

}  // namespace tess
