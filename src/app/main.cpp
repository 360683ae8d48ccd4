// Start-up: the application, the main window with its sample scenario and
// stored placement, then the about box and the action editor, then the
// event loop until the main window closes.
#include <QApplication>
#include <QCoreApplication>
#include <QStatusBar>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "about/AboutBox.h"
#include "app/EndOfSession.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/info/CommandInfo.h"
#include "app/info/WindowHelp.h"
#include "app/PlacementStore.h"
#include "app/RecordCommand.h"
#include "app/RemoteCommands.h"
#include "app/StopKeyBinding.h"
#include "app/WaylandSession.h"
#include "editor/ActionEditor.h"
#include "editor/CursorTracker.h"
#include "editor/EditAction.h"
#include "platform/DesktopLost.h"
#include "platform/DesktopSink.h"
#include "platform/PointerWatch.h"
#include "platform/InputRecorder.h"
#include "platform/StopKey.h"

namespace {

// When the display goes away the program cannot go on; a modified scenario
// is kept as at a signal. The X sink notices on its own connection; Qt,
// noticing first on its own, says so in a warning and then exits.
tess::MainWindow* gWindow = nullptr;
std::string gUnsavedFolder;
QtMessageHandler gQtMessages = nullptr;

std::string KeepOnDisplayLoss() { return gWindow ? gWindow->KeepUnsavedScenario(gUnsavedFolder) : ""; }

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("X11 connection broke"))) {
        std::string line = "tessaline: lost the connection to the X server";
        if (tess::DesktopLostHook hook = std::exchange(tess::DesktopLostHookSlot(), nullptr))
            line += hook();
        line += "\n";
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (gQtMessages)
        gQtMessages(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// "--desktop auto|x11|wayland|gnome" (or "--desktop=..."), taken out of the
// arguments before Qt reads them; Auto when absent, nothing when invalid.
std::optional<tess::DesktopChoice> TakeDesktopOption(int& argc, char** argv) {
    std::optional<tess::DesktopChoice> choice = tess::DesktopChoice::Auto;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--desktop") {
            choice = i + 1 < argc ? tess::ParseDesktopChoice(argv[++i]) : std::nullopt;
        } else if (arg.rfind("--desktop=", 0) == 0) {
            choice = tess::ParseDesktopChoice(arg.substr(10));
        } else {
            argv[out++] = argv[i];
        }
    }
    argv[out] = nullptr;
    argc = out;
    return choice;
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
    if (path.isEmpty()) {
        // No safe place for the socket: no window can take commands.
        std::fprintf(stderr, "tessaline: %s, so no Tessaline window can take commands\n",
                     error.toLocal8Bit().constData());
        return 1;
    }
    if (tess::SendCommand(path, word, error) == 0) return 0;
    std::fprintf(stderr, "tessaline: %s\n", error.toLocal8Bit().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = tess::AnswerInfoOption(argc, argv, "tessaline", tess::kWindowHelp)) return *status;
    for (int i = 1; i < argc; ++i) {
        const QString word = tess::CommandWordOf(argv[i]);
        if (!word.isEmpty()) return SendToRunningWindow(argc, argv, word);
    }
    if (const std::optional<int> status = tess::RunStopShortcutInstall(argc, argv)) return *status;
    // Checked before Qt starts, which would otherwise abort with a message
    // about platform plugins.
    if (std::string why; !tess::DisplayAvailable(why)) {
        std::fprintf(stderr, "tessaline: %s\n", why.c_str());
        return 2;
    }
    std::optional<tess::DesktopChoice> choice = TakeDesktopOption(argc, argv);
    if (!choice) {
        std::fprintf(stderr, "tessaline: --desktop needs auto, x11, wayland or gnome\n");
        return 2;
    }
    tess::InstallEndOfSession();
    tess::DesktopSink desktop = tess::CreateDesktopSink(*choice);
    if (!desktop.sink) {
        std::fprintf(stderr, "tessaline: cannot reach the desktop: %s\n", desktop.error.c_str());
        return 2;
    }
    if (!desktop.notice.empty()) std::fprintf(stderr, "tessaline: %s\n", desktop.notice.c_str());
    std::unique_ptr<tess::InputSink> sink = std::move(desktop.sink);

    tess::PreferXWayland();
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
    gWindow = &window;
    gUnsavedFolder = tess::MainWindow::UnsavedFolder();
    tess::DesktopLostHookSlot() = KeepOnDisplayLoss;
    gQtMessages = qInstallMessageHandler(OnQtMessage);
    window.show();
    // What playback cannot reach on this desktop, said once.
    if (!desktop.notice.empty())
        window.statusBar()->showMessage(QString::fromStdString(desktop.notice), 10000);
    if (!placementError.isEmpty()) tess::ShowError(&window, placementError);

    // The about box and the action editor live hidden until the program
    // ends; the position timer runs from here on.
    tess::AboutBox about(*sink, &window);
    tess::ActionEditor editor(window);
    tess::CursorTracker tracker(window, *sink, editor, nullptr, tess::CreatePointerWatch(*sink));
    window.SetAboutHandler([&] { about.ShowAbout(); });
    window.SetAddActionHandler([&] { editor.ShowEditor(); });
    window.SetEditActionHandler([&] { tess::Editaction1Click(window, editor); });
    new tess::RecordCommand(window, tess::CreateInputRecorder);  // owned by the window
    tess::AddStopShortcutCommand(window);

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
    commands.SetNotice([&window](const QString& line) { window.statusBar()->showMessage(line, 10000); });
    if (!commands.Listening()) {
        // The window runs without `tessaline --stop` and the like; said in
        // the status bar and on standard error.
        const QString line = QStringLiteral("No commands from other programs: %1.").arg(commandError);
        std::fprintf(stderr, "tessaline: %s\n", line.toLocal8Bit().constData());
        window.statusBar()->showMessage(line, 10000);
    }

    // A signal (on Windows the console's control events and the session's
    // end) ends the program without prompts; playback's held keys and
    // buttons are released right away, since at logoff the process may be
    // gone soon after, and again below like at any other end.
    tess::WatchEndOfSession(window, [&](int signal) {
        const QString line = window.EndBySignal(signal);
        window.ReleaseHeld();
        std::fprintf(stderr, "tessaline: %s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
        QApplication::exit(128 + signal);
    });

    int status = app.exec();
    tess::DesktopLostHookSlot() = nullptr;
    gWindow = nullptr;
    window.ReleaseHeld();
    return status;
}
