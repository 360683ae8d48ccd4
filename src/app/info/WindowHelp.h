#pragma once
// What `tessaline --help` prints.

namespace tess {

inline constexpr const char* kWindowHelp =
    "usage: tessaline [--desktop auto|x11|wayland|gnome] [Qt options]\n"
    "       tessaline --stop | --pause | --run\n"
    "       tessaline --install-stop-shortcut\n"
    "Opens the window to compose and play scenarios of mouse moves, clicks and keys.\n"
    "\n"
    "  --desktop auto|x11|wayland|gnome\n"
    "                 where input goes (auto: Wayland when offered, else X11)\n"
    "  --stop, --pause, --run\n"
    "                 act on the running window as its Stop, Pause and Run commands\n"
    "  --install-stop-shortcut\n"
    "                 on GNOME, add the shortcut Ctrl+Alt+Shift+Q that runs\n"
    "                 tessaline --stop (asks first)\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Pause or Ctrl+Alt+Q anywhere stops playback. Exit status: 0 when the window is\n"
    "closed; 1 when the display goes away (or, for --stop and the like, when no\n"
    "window runs); 2 for bad usage or no display or desktop; 128 + N when signal N\n"
    "ends it. See tessaline(1).\n";

}  // namespace tess
