#pragma once
// What the window program does differently in a Wayland session: it runs
// through XWayland where that is there (stay-on-top and the stop keys work
// only so), and on GNOME it offers to add a shortcut that stops playback.
#include <optional>

namespace tess {

class MainWindow;

// Before the application starts: QT_QPA_PLATFORM=xcb in a Wayland session
// with XWayland, unless the user chose a platform.
void PreferXWayland();

// `tessaline --install-stop-shortcut`: adds the GNOME shortcut after the
// user confirms on the terminal, and returns the exit status; nothing when
// the argument is not there.
std::optional<int> RunStopShortcutInstall(int argc, char** argv);

// The Run menu's "Add a GNOME shortcut that stops playback…", on GNOME.
void AddStopShortcutCommand(MainWindow& window);

}  // namespace tess
