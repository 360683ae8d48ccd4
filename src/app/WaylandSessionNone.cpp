// Systems without Wayland sessions: nothing to do.
#include "app/WaylandSession.h"

#include <cstdio>
#include <string>

namespace tess {

void PreferXWayland() {}

std::optional<int> RunStopShortcutInstall(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--install-stop-shortcut") {
            std::fprintf(stderr, "tessaline: --install-stop-shortcut is for GNOME desktops\n");
            return 2;
        }
    }
    return std::nullopt;
}

void AddStopShortcutCommand(MainWindow&) {}

}  // namespace tess
