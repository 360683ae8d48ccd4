// x11_window_player FILE: the main window on $DISPLAY, holding the scenario
// of FILE, with the desktop sink and the global stop key wired as in the
// program, the action editor and the cursor tracking beside it; it runs the
// scenario from its first line and ends with status 0 as soon as playback
// stops. The stop key and tick timing benchmarks play through it to
// measure the window.
#include <QAction>
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "app/ScenarioList.h"
#include "app/ScenarioModel.h"
#include "app/StopKeyBinding.h"
#include "editor/ActionEditor.h"
#include "editor/CursorTracker.h"
#include "platform/DesktopSink.h"
#include "platform/PointerWatch.h"
#include "platform/StopKey.h"
#include "script/ScenarioText.h"

int main(int argc, char** argv) {
    std::vector<std::string> lines;
    std::string error;
    if (argc != 2 || !tess::ReadScenarioFile(argv[1], lines, error)) {
        std::fprintf(stderr, "x11_window_player: %s\n", argc != 2 ? "usage: x11_window_player FILE" : error.c_str());
        return 2;
    }
    std::unique_ptr<tess::InputSink> sink = tess::CreateDesktopSink(error);
    if (!sink) {
        std::fprintf(stderr, "x11_window_player: %s\n", error.c_str());
        return 2;
    }
    std::unique_ptr<tess::StopKey> stopKey = tess::CreateStopKey(*sink, error);
    QApplication app(argc, argv);
    tess::MainWindow window(*sink);
    window.ListBox1->Model().SetLines(lines);
    tess::StopKeyBinding binding(window, *stopKey);
    tess::ActionEditor editor(window);
    tess::CursorTracker tracker(window, *sink, editor, nullptr, tess::CreatePointerWatch(*sink));
    // After the window's own handler: the stop is complete by then.
    QObject::connect(window.Actions().Stop1, &QAction::triggered, &app,
                     [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    window.show();
    QTimer::singleShot(0, &window, [&] { window.Actions().Play1->trigger(); });
    const int status = app.exec();
    window.ReleaseHeld();
    return status;
}
