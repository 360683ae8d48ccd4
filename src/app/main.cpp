// Start-up: the application, the main window with its sample scenario and
// stored placement, then the about box and the action editor, then the
// event loop until the main window closes.
#include <QApplication>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "about/AboutBox.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/PlacementStore.h"
#include "app/RecordCommand.h"
#include "app/RemoteCommands.h"
#include "app/StopKeyBinding.h"
#include "editor/ActionEditor.h"
#include "editor/CursorTracker.h"
#include "editor/EditAction.h"
#include "platform/DesktopSink.h"
#include "platform/InputRecorder.h"
#include "platform/StopKey.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// SIGTERM, SIGINT and SIGHUP end the program through the event loop: the
// handler only writes the signal's number into a pipe, so whatever runs at
// that moment (a save, say) completes before the window reacts.
int gSignalPipe[2] = {-1, -1};

extern "C" void OnEndSignal(int signal) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

void InstallEndSignals() {
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool HasDisplay() {
    // An explicitly chosen platform plugin (offscreen, say) needs no display.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

// `tessaline --stop` and the like: hands the command to the running window.
int SendToRunningWindow(int argc, char** argv, const QString& word) {
    if (argc != 2) {
        std::fprintf(stderr, "tessaline: --%s takes no other argument\n", qPrintable(word));
        return 2;
    }
    QCoreApplication app(argc, argv);
    QString error;
    const QString path = tess::CommandSocketPath(false, error);
    if (tess::SendCommand(path, word, error) == 0) return 0;
    std::fprintf(stderr, "tessaline: %s\n", error.toLocal8Bit().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString word = tess::CommandWordOf(argv[i]);
        if (!word.isEmpty()) return SendToRunningWindow(argc, argv, word);
    }
    // Checked before Qt starts, which would otherwise abort with a message
    // about platform plugins.
    if (!HasDisplay()) {
        std::fprintf(stderr, "tessaline: no display to open a window on (DISPLAY is not set)\n");
        return 2;
    }
    InstallEndSignals();
    std::string reason;
    std::unique_ptr<tess::InputSink> sink = tess::CreateDesktopSink(reason);
    if (!sink) {
        std::fprintf(stderr, "tessaline: cannot reach the desktop: %s\n", reason.c_str());
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaline 0003"));
    QApplication::setDesktopFileName(QStringLiteral("tessaline"));

    tess::MainWindow window(*sink);
    QObject::connect(&window, &tess::MainWindow::Closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    QString placementError;
    try {
        window.RestorePlacement();
    } catch (const tess::PlacementError& e) {
        placementError = QString::fromUtf8(e.what());
    }
    window.show();
    if (!placementError.isEmpty()) tess::ShowError(&window, placementError);

    // The about box and the action editor live hidden until the program
    // ends; the position timer runs from here on.
    tess::AboutBox about(*sink, &window);
    tess::ActionEditor editor(window);
    tess::CursorTracker tracker(window, *sink, editor);
    window.SetAboutHandler([&] { about.ShowAbout(); });
    window.SetAddActionHandler([&] { editor.ShowEditor(); });
    window.SetEditActionHandler([&] { tess::Editaction1Click(window, editor); });
    new tess::RecordCommand(window, tess::CreateInputRecorder);  // owned by the window

    // Pause or Ctrl+Alt+Q anywhere stops playback; `tessaline --stop` and
    // the like reach the first window that runs.
    std::string stopKeyNotice;
    std::unique_ptr<tess::StopKey> stopKey = tess::CreateStopKey(*sink, stopKeyNotice);
    if (!stopKeyNotice.empty()) std::fprintf(stderr, "tessaline: %s\n", stopKeyNotice.c_str());
    tess::StopKeyBinding stopKeyBinding(window, *stopKey);
    tess::CommandServer commands(tess::WindowCommands(window));
    QString commandError;
    const QString commandPath = tess::CommandSocketPath(true, commandError);
    if (!commandPath.isEmpty()) commands.Listen(commandPath, commandError);

    // A signal ends the program without prompts; playback's held keys and
    // buttons are released below like at any other end.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (gSignalPipe[0] >= 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &window, [&] {
            unsigned char signal = 0;
            if (::read(gSignalPipe[0], &signal, 1) != 1) return;
            signalNotifier->setEnabled(false);
            const QString line = window.EndBySignal(signal);
            std::fprintf(stderr, "tessaline: %s\n", line.toLocal8Bit().constData());
            QApplication::exit(128 + signal);
        });
    }

    int status = app.exec();
    window.ReleaseHeld();
    return status;
}
