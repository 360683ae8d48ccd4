// The windows as the user meets them under a window manager (Xvfb and
// openbox): the editor and the about box above the main window, the keys
// after a menu, both status panels whole at the real sizes, what the manager
// offers on each window, the outer rectangle stored and restored, and the
// program's end after a close.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

// Qt's headers before Xlib's, whose macros clash with Qt's names.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "about/AboutBox.h"
#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "app/ScenarioList.h"
#include "editor/ActionEditor.h"
#include "platform/recording/RecordingSink.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "XTestServer.h"

namespace tess::x11::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<unsigned long> Property(Display* d, Window w, const char* name, Atom type) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> out;
    if (XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 1024, False, type, &actual,
                           &format, &count, &after, &data) == Success && data && format == 32) {
        const long* values = reinterpret_cast<const long*>(data);
        out.assign(values, values + count);
    }
    if (data) XFree(data);
    return out;
}

class ManagedWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (WaitForProgram(StartProgram({"sh", "-c", "command -v openbox && command -v xdotool"})))
            GTEST_SKIP() << "openbox or xdotool is not installed";
        server_ = std::make_unique<Xvfb>();
        ASSERT_FALSE(server_->name().empty()) << "Xvfb did not start";
        dir_ = fs::temp_directory_path() / ("tess-managed-" + std::to_string(getpid()));
        fs::create_directories(dir_ / "runtime");
        fs::permissions(dir_ / "runtime", fs::perms::owner_all);
        setenv("DISPLAY", server_->name().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        display_ = XOpenDisplay(server_->name().c_str());
        ASSERT_NE(display_, nullptr);
        manager_ = StartProgram({"openbox", "--sm-disable"});
        bool managed = false;
        for (int i = 0; i < 1000 && !managed; ++i) {
            managed = Property(display_, DefaultRootWindow(display_), "_NET_SUPPORTING_WM_CHECK",
                               XA_WINDOW).size() == 1;
            if (!managed) std::this_thread::sleep_for(20ms);
        }
        ASSERT_TRUE(managed) << "openbox did not start";
        static int argc = 1;
        static char name[] = "tess_managed_window_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        window_ = std::make_unique<MainWindow>(sink_);
    }

    void TearDown() override {
        window_.reset();
        app_.reset();
        if (display_) XCloseDisplay(display_);
        if (manager_ > 0) {
            kill(manager_, SIGTERM);
            WaitForProgram(manager_);
        }
        server_.reset();
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    // Waits, handling the window's events, until `done` holds.
    static bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 20000); }

    // Runs a program (xdotool) while the window goes on handling its events.
    int Run(const std::vector<std::string>& argv, const std::string& output = "") {
        const pid_t pid = StartProgram(argv, output);
        int status = -1;
        WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; });
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Keys(const std::string& keys) { ASSERT_EQ(Run({"xdotool", "key", keys}), 0); }

    // The main window shown, framed by the manager and active (activated
    // as a pager or a click would, which the manager always obeys).
    void ShowFramed() {
        auto framed = [&] {
            return window_->windowHandle() && !window_->windowHandle()->frameMargins().isNull() &&
                   window_->frameGeometry().size() != window_->size();
        };
        // A window mapped while the manager was still starting may stay
        // unframed: mapped again, it is managed.
        for (int i = 0; i < 4 && !framed(); ++i) {
            window_->hide();
            window_->show();
            QTest::qWaitFor(framed, 5000);
        }
        ASSERT_TRUE(framed());
        for (int i = 0; i < 5 && !window_->isActiveWindow(); ++i) {
            Run({"xdotool", "windowactivate", std::to_string(window_->winId())});
            QTest::qWaitFor([&] { return window_->isActiveWindow(); }, 2000);
        }
        ASSERT_TRUE(window_->isActiveWindow());
    }

    std::vector<unsigned long> Stacking() {
        return Property(display_, DefaultRootWindow(display_), "_NET_CLIENT_LIST_STACKING",
                        XA_WINDOW);
    }
    bool StackedAbove(QWidget* upper, QWidget* lower) {
        const auto list = Stacking();
        const auto a = std::find(list.begin(), list.end(), upper->winId());
        const auto b = std::find(list.begin(), list.end(), lower->winId());
        return a != list.end() && b != list.end() && a > b;
    }

    std::unique_ptr<Xvfb> server_;
    fs::path dir_;
    Display* display_ = nullptr;
    pid_t manager_ = -1;
    RecordingSink sink_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<MainWindow> window_;
};

// A click into the main window's list (to pick the line to insert after)
// leaves the editor and the about box above it.
TEST_F(ManagedWindowTest, EditorAndAboutBoxStayAboveTheMainWindow) {
    ShowFramed();
    ActionEditor editor(*window_);
    AboutBox about(sink_, window_.get());
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> cases = {
        {"editor", [&] { editor.ShowEditor(); return static_cast<QWidget*>(&editor); }},
        {"about box", [&] { about.ShowAbout(); return static_cast<QWidget*>(&about); }},
    };
    for (const auto& [name, show] : cases) {
        SCOPED_TRACE(name);
        QWidget* tool = show();
        ASSERT_TRUE(WaitFor([&] { return tool->isActiveWindow() && StackedAbove(tool, window_.get()); }));
        // Beside the main window, so that the click reaches the list.
        tool->move(window_->frameGeometry().right() + 20, window_->frameGeometry().top());
        ASSERT_TRUE(WaitFor([&] { return tool->frameGeometry().left() > window_->frameGeometry().right(); }));
        const QRect list = window_->ListBox1->geometry();
        const QPoint inside = window_->ListBox1->mapToGlobal(QPoint(list.width() / 2, 8));
        ASSERT_EQ(Run({"xdotool", "mousemove", std::to_string(inside.x()),
                       std::to_string(inside.y()), "click", "1"}),
                  0);
        ASSERT_TRUE(WaitFor([&] { return window_->isActiveWindow(); }));
        EXPECT_TRUE(StackedAbove(tool, window_.get()));
        tool->hide();
    }
}

// Every menu title has its key; after Esc closes a menu the list has the
// keys again: Ins opens the editor at once.
TEST_F(ManagedWindowTest, ListKeysWorkAfterAMenuClosesWithEsc) {
    int added = 0;
    window_->SetAddActionHandler([&] { ++added; });
    ShowFramed();
    for (const char* key : {"alt+f", "alt+r", "alt+h", "F10"}) {
        SCOPED_TRACE(key);
        Keys(key);
        ASSERT_TRUE(WaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
        Keys("Escape");
        ASSERT_TRUE(WaitFor([] { return QApplication::activePopupWidget() == nullptr; }));
        const int before = added;
        Keys("Insert");
        EXPECT_TRUE(WaitFor([&] { return added == before + 1; }));
    }
}

// A slow pace carried over from the last run shows while the first line
// waits, and Ctrl+P pauses although the list (and its pop-up) is disabled.
TEST_F(ManagedWindowTest, SlowPaceIsShownAndCtrlPPauses) {
    ShowFramed();
    window_->SetTimerInterval(5000);
    window_->Actions().Play1->trigger();
    const QString state = window_->StatusPanel1->text();
    EXPECT_TRUE(state == " Run, next line in 5 s" || state == " Run, next line in 4 s")
        << state.toStdString();
    Keys("ctrl+p");
    EXPECT_TRUE(WaitFor([&] { return window_->StatusPanel1->text() == " Pause"; }));
}

// The whole position and the whole state text, at the size a new window
// opens with and at the narrowest the manager allows.
TEST_F(ManagedWindowTest, BothPanelsShowTheirWholeTextAtDefaultAndMinimumSize) {
    ShowFramed();
    auto whole = [](QLabel* panel) {
        return panel->fontMetrics().horizontalAdvance(panel->text()) <=
               panel->contentsRect().width();
    };
    for (bool narrowest : {false, true}) {
        if (narrowest) {
            window_->resize(1, 1);
            ASSERT_TRUE(WaitFor([&] { return window_->frameGeometry().width() == 184; }));
        }
        for (const char* state : {" Pause", " Line 34. Error"}) {
            for (const char* position : {"1234,1001", "-1234,-1001"}) {
                SCOPED_TRACE(std::string(narrowest ? "minimum " : "default ") + state + " " +
                             position);
                window_->SetStateText(state);
                window_->SetCursorPanelText(QStringLiteral(" Cursor position: ") + position);
                QApplication::sendPostedEvents();
                QApplication::processEvents();
                EXPECT_TRUE(window_->StatusPanel0->text().endsWith(QLatin1String(position)));
                EXPECT_TRUE(whole(window_->StatusPanel0));
                EXPECT_EQ(window_->StatusPanel1->text(), state);
                EXPECT_TRUE(whole(window_->StatusPanel1));
                EXPECT_LE(window_->StatusPanel0->geometry().right(),
                          window_->StatusPanel1->geometry().left());
                // The caption goes into the hint when it has no room.
                if (!window_->StatusPanel0->text().startsWith(" Cursor position:"))
                    EXPECT_EQ(window_->StatusPanel0->toolTip(),
                              QStringLiteral("Cursor position: ") + position);
            }
        }
    }
}

// A tool window the user minimises (the manager offers it) goes down with
// the main window and comes back with it, from the main window's taskbar
// entry: it never stays minimised with no way back.
TEST_F(ManagedWindowTest, MinimisedToolWindowComesBackWithTheMainWindow) {
    ShowFramed();
    ActionEditor editor(*window_);
    AboutBox about(sink_, window_.get());
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> cases = {
        {"editor", [&] { editor.ShowEditor(); return static_cast<QWidget*>(&editor); }},
        {"about box", [&] { about.ShowAbout(); return static_cast<QWidget*>(&about); }},
    };
    const std::string main = std::to_string(window_->winId());
    for (const auto& [name, show] : cases) {
        SCOPED_TRACE(name);
        QWidget* tool = show();
        ASSERT_TRUE(WaitFor([&] { return tool->isActiveWindow(); }));
        ASSERT_EQ(Run({"xdotool", "windowminimize", std::to_string(tool->winId())}), 0);
        EXPECT_TRUE(WaitFor([&] { return window_->isMinimized() && tool->isMinimized(); }));
        ASSERT_EQ(Run({"xdotool", "windowactivate", main}), 0);
        EXPECT_TRUE(WaitFor([&] { return !window_->isMinimized() && !tool->isMinimized(); }));
        tool->hide();
    }
}

// The outer rectangle is stored; restored into a new window and stored
// again it is the same, and the narrowest window is 184 x 170 outside.
TEST_F(ManagedWindowTest, OuterRectangleRoundTripsAndBoundsTheMinimum) {
    ShowFramed();
    const QSize frame = window_->frameGeometry().size() - window_->size();
    window_->move(120, 90);
    window_->resize(QSize(300, 400) - frame);
    ASSERT_TRUE(WaitFor([&] { return window_->frameGeometry() == QRect(120, 90, 300, 400); }));
    ASSERT_TRUE(window_->StorePlacement());
    window_ = std::make_unique<MainWindow>(sink_);
    window_->RestorePlacement();
    ShowFramed();
    EXPECT_TRUE(WaitFor([&] { return window_->frameGeometry() == QRect(120, 90, 300, 400); }))
        << window_->frameGeometry().x() << "," << window_->frameGeometry().y() << " "
        << window_->frameGeometry().width() << "x" << window_->frameGeometry().height();
    window_->resize(1, 1);
    EXPECT_TRUE(WaitFor([&] { return window_->frameGeometry().size() == QSize(184, 170); }));
}

// The real program: a session with a file dialog writes nothing on standard
// error, and the process ends promptly after its window is closed by the
// close box.
TEST_F(ManagedWindowTest, ProgramEndsPromptlyAfterCloseAndWritesNoNoise) {
    const std::string output = (dir_ / "stderr").string();
    const pid_t program = StartProgram({TESSALINE_PROGRAM}, output);
    const std::string found = (dir_ / "found").string();
    auto find = [&](const std::string& title) {
        if (Run({"timeout", "20", "xdotool", "search", "--sync", "--onlyvisible", "--name",
                 "^" + title + "$"},
                found))
            return Window(0);
        std::ifstream in(found);
        unsigned long id = 0;
        in >> id;
        return Window(id);
    };
    const Window main = find("Tessaline 0003");
    ASSERT_NE(main, 0u);
    ASSERT_EQ(Run({"timeout", "20", "xdotool", "windowactivate", "--sync", std::to_string(main),
                   "key", "ctrl+o"}),
              0);
    ASSERT_NE(find("Open scenario"), 0u);
    Keys("Escape");
    // The close box: the manager's close request.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = main;
    close.xclient.message_type = XInternAtom(display_, "_NET_CLOSE_WINDOW", False);
    close.xclient.format = 32;
    close.xclient.data.l[1] = 2;
    ASSERT_TRUE(WaitFor([&] { return Run({"xdotool", "search", "--name", "^Open scenario$"}) != 0; }));
    const auto start = std::chrono::steady_clock::now();
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &close);
    XFlush(display_);
    int status = -1;
    ASSERT_TRUE(WaitFor([&] { return waitpid(program, &status, WNOHANG) == program; }));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Generous for a loaded machine; an end that waits on something shows
    // as seconds.
    EXPECT_LT(took, 1500ms);
    std::ifstream in(output);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "");
}

}  // namespace
}  // namespace tess::x11::testing
