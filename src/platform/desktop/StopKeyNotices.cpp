#include "platform/desktop/StopKeyNotices.h"

#include <cstdlib>
#include <string_view>

namespace tess::desktop {
namespace {

// Whether the colon-separated list names `name` (case as desktops write it).
bool Names(std::string_view list, std::string_view name) {
    while (!list.empty()) {
        const size_t colon = list.find(':');
        if (list.substr(0, colon) == name) return true;
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return false;
}

}  // namespace

Session CurrentSession() {
    const char* value = std::getenv("XDG_CURRENT_DESKTOP");
    const std::string_view list = value ? value : "";
    if (Names(list, "KDE")) return Session::Kde;
    if (Names(list, "GNOME") || Names(list, "ubuntu:GNOME")) return Session::Gnome;
    if (Names(list, "Hyprland")) return Session::Hyprland;
    if (Names(list, "river")) return Session::River;
    const char* swaysock = std::getenv("SWAYSOCK");
    if (Names(list, "sway") || (swaysock && *swaysock)) return Session::Sway;
    return Session::Other;
}

std::string BindAdvice(Session session) {
    // Bindings of the compositor take the key before any program sees it,
    // the scenario's own presses too: Ctrl+Alt+Shift+Q, which scenarios
    // seldom send, rather than the stop keys themselves.
    switch (session) {
    case Session::Gnome:
        return "run `tessaline --install-stop-shortcut` to add a GNOME shortcut (Ctrl+Alt+Shift+Q) "
               "that runs `tessaline --stop`";
    case Session::Kde:
        return "bind `tessaline --stop` to a shortcut in System Settings, Shortcuts";
    case Session::Sway:
        return "add `bindsym Ctrl+Alt+Shift+q exec tessaline --stop` to ~/.config/sway/config";
    case Session::Hyprland:
        return "add `bind = CTRL ALT SHIFT, Q, exec, tessaline --stop` to ~/.config/hypr/hyprland.conf";
    case Session::River:
        return "run `riverctl map normal Control+Alt+Shift Q spawn 'tessaline --stop'`";
    case Session::Other:
        break;
    }
    return "bind `tessaline --stop` to a shortcut of the desktop";
}

std::string XWaylandKeysNotice(Session session) {
    return "Pause and Ctrl+Alt+Q stop playback only while an XWayland window has the focus: " +
           BindAdvice(session);
}

std::string NoKeysNotice(Session session) {
    return "no key stops playback on this desktop: " + BindAdvice(session);
}

}  // namespace tess::desktop
