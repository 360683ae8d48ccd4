#include "app/WaylandSession.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "platform/desktop/StopKeyNotices.h"
#include "platform/gnome-shortcut/GnomeStopShortcut.h"

namespace tess {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// This program with --stop, as GNOME will run it.
std::string StopCommand(const char* argv0) {
    std::string program = QCoreApplication::instance()
                              ? QCoreApplication::applicationFilePath().toStdString()
                              : std::string(argv0 ? argv0 : "tessaline");
    if (program.empty()) program = "tessaline";
    // Quoted for GNOME's command-line parsing (as a shell reads it).
    std::string quoted = "'";
    for (char c : program) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "' --stop";
}

std::string Question(const std::string& command) {
    return std::string("Add a GNOME keyboard shortcut, ") + gnome::kStopBindingName + ", that runs " + command +
           " and so stops playback from anywhere on the desktop?";
}

}  // namespace

void PreferXWayland() {
    // Qt on Wayland cannot keep a window above the others, and the stop
    // keys' X11 grabs see only XWayland windows' keys.
    if (IsSet("WAYLAND_DISPLAY") && IsSet("DISPLAY") && !IsSet("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
}

std::optional<int> RunStopShortcutInstall(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc; ++i) asked = asked || std::string(argv[i]) == "--install-stop-shortcut";
    if (!asked) return std::nullopt;
    if (argc != 2) {
        std::fprintf(stderr, "tessaline: --install-stop-shortcut takes no other argument\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const std::string command = StopCommand(argv[0]);
    std::printf("%s [y/N] ", Question(command).c_str());
    std::fflush(stdout);
    std::string answer;
    std::getline(std::cin, answer);
    if (answer != "y" && answer != "Y" && answer != "yes") {
        std::printf("Nothing was changed.\n");
        return 1;
    }
    std::string error;
    switch (gnome::InstallStopShortcut(command, error)) {
    case gnome::ShortcutResult::Added:
        std::printf("Added: %s stops playback.\n", gnome::kStopBindingName);
        return 0;
    case gnome::ShortcutResult::AlreadyThere:
        std::printf("The shortcut is there already: nothing was changed.\n");
        return 0;
    case gnome::ShortcutResult::Failed:
        break;
    }
    std::fprintf(stderr, "tessaline: %s\n", error.c_str());
    return 1;
}

void AddStopShortcutCommand(MainWindow& window) {
    if (desktop::CurrentSession() != desktop::Session::Gnome) return;
    QMenu* run = window.Actions().Run1;
    run->addSeparator();
    QAction* action = run->addAction(QStringLiteral("Add a GNOME Shortcut That Stops Playback…"));
    QObject::connect(action, &QAction::triggered, &window, [&window] {
        const std::string command = StopCommand(nullptr);
        if (QMessageBox::question(&window, QStringLiteral("Stop shortcut"),
                                  QString::fromStdString(Question(command))) != QMessageBox::Yes)
            return;
        std::string error;
        const gnome::ShortcutResult result = gnome::InstallStopShortcut(command, error);
        if (result == gnome::ShortcutResult::Failed) {
            QMessageBox::warning(&window, QStringLiteral("Stop shortcut"), QString::fromStdString(error));
            return;
        }
        window.statusBar()->showMessage(
            QStringLiteral(" %1 stops playback").arg(QString::fromUtf8(gnome::kStopBindingName)), 10000);
    });
}

}  // namespace tess
