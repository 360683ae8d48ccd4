// x11_tracker_latency: how soon the cursor tracking shows a pointer that
// moved, on $DISPLAY. Another connection moves the pointer, as a device
// does (XTest motion) and as a program that warps it does (XWarpPointer),
// and the time from the request reaching the server to the new position
// text reaching the status panel is taken. Prints
//   motion_ms <median> <max> <samples>
//   warp_ms <median> <max> <samples>
// The editor and panel run on Qt's offscreen platform; only the pointer is
// on the X server.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "editor/ActionEditor.h"
#include "editor/CursorTracker.h"
#include "editor/EditorHost.h"
#include "platform/DesktopSink.h"
#include "platform/PointerWatch.h"
// After Qt's and the editor's headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class PanelHost : public tess::EditorHost {
public:
    int LineCount() const override { return 0; }
    int CaretLine() const override { return 0; }
    QString Line(int) const override { return {}; }
    void InsertLine(int, const QString&) override {}
    void AppendLine(const QString&) override {}
    void ReplaceLine(int, const QString&) override {}
    void SetLineSelected(int, bool) override {}
    void MarkModified() override {}
    void ShowMainWindow() override {}
    QWidget* MainWindowWidget() override { return &window; }
    void SetCursorPanelText(const QString& text) override {
        panel = text;
        writtenAt = NowNs();
        if (loop) loop->quit();
    }
    QWidget window;
    QString panel;
    int64_t writtenAt = 0;
    QEventLoop* loop = nullptr;
};

void Print(const char* name, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%s n/a n/a 0\n", name);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s %.3f %.3f %zu\n", name, ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    std::unique_ptr<tess::InputSink> sink = tess::CreateDesktopSink(error);
    Display* mover = XOpenDisplay(nullptr);
    if (!sink || !mover) {
        std::fprintf(stderr, "x11_tracker_latency: %s\n", sink ? "no second connection" : error.c_str());
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PanelHost host;
    tess::ActionEditor editor(host);
    tess::CursorTracker tracker(host, *sink, editor, nullptr, tess::CreatePointerWatch(*sink));
    const Window root = DefaultRootWindow(mover);

    // Moves the pointer to a new point and waits for the panel to show it.
    auto sample = [&](bool warp, int i) -> double {
        const int x = 100 + (i % 2) * 50 + i % 7, y = 100 + i % 11;
        const QString expected = tess::CursorTracker::kStatusPrefix + tess::PositionText({x, y});
        if (warp)
            XWarpPointer(mover, 0, root, 0, 0, 0, 0, x, y);
        else
            XTestFakeMotionEvent(mover, DefaultScreen(mover), x, y, CurrentTime);
        XSync(mover, False);  // the server has moved the pointer by now
        const int64_t sent = NowNs();
        QEventLoop loop;
        host.loop = &loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);  // bounds a failure
        while (host.panel != expected && NowNs() - sent < 2'000'000'000LL) loop.exec();
        host.loop = nullptr;
        return host.panel == expected ? double(host.writtenAt - sent) / 1e6 : -1;
    };
    // Lets the tracking settle between samples, past its coalescing of
    // motion that comes fast.
    auto pause = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    std::vector<double> motion, warp;
    for (int i = 0; i < 200; ++i) {
        pause(10);
        if (double ms = sample(false, i); ms >= 0) motion.push_back(ms);
    }
    for (int i = 0; i < 12; ++i) {
        pause(10 + 37 * i % 200);  // at every phase of the slow poll
        if (double ms = sample(true, i + 1); ms >= 0) warp.push_back(ms);
    }
    Print("motion_ms", motion);
    Print("warp_ms", warp);
    XCloseDisplay(mover);
    return motion.size() == 200 && warp.size() == 12 ? 0 : 1;
}
