#pragma once
// Which desktop session this is, and the lines that tell its user where
// the stop keys do not reach and how to bind `tessaline --stop` instead.
#include <string>

namespace tess::desktop {

enum class Session { Kde, Gnome, Sway, Hyprland, River, Other };

// From XDG_CURRENT_DESKTOP (and SWAYSOCK for sway).
Session CurrentSession();

// The stop keys are X11 grabs on a Wayland desktop.
std::string XWaylandKeysNotice(Session session);
// No key stops playback here.
std::string NoKeysNotice(Session session);
// How to have a desktop shortcut run `tessaline --stop`.
std::string BindAdvice(Session session);

}  // namespace tess::desktop
