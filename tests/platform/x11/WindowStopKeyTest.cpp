// The stop keys in the main window on a real X server (Qt on xcb): the
// user's key performs Stop (" Stop", nothing held, line 1 selected), and a
// key that another program holds is told in the status bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include <QDir>

#include <cstdlib>
#include <functional>
#include <thread>
#include <utility>

#include <unistd.h>

#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "app/RemoteCommands.h"
#include "app/ScenarioList.h"
#include "app/ScenarioModel.h"
#include "app/StopKeyBinding.h"
#include "platform/StopKey.h"
#include "playback/PlaybackEngine.h"
// Xlib's macros (None, Bool...) last, after Qt's headers.
#include <X11/keysym.h>

#include "XTestServer.h"
#include "platform/x11/X11Sink.h"

namespace tess::x11::testing {
namespace {

// One X server and one application for the whole program: Qt connects to
// the display once. Both go before the program's own end, while Qt's
// caches can still be cleared.
class Desktop : public ::testing::Environment {
public:
    void SetUp() override {
        server = std::make_unique<Xvfb>();
        setenv("DISPLAY", server->name().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override {
        app.reset();
        server.reset();
    }
    std::unique_ptr<Xvfb> server;

private:
    int argc = 1;
    char name[16] = "x11_window_test";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};

Desktop* const gDesktop = static_cast<Desktop*>(::testing::AddGlobalTestEnvironment(new Desktop));

class WindowStopKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(gDesktop->server->name().empty()) << "Xvfb did not start";
        if (WaitForProgram(StartProgram({"xdotool", "version"})) != 0)
            GTEST_SKIP() << "xdotool is not installed";
        client = std::make_unique<WatchingClient>(gDesktop->server->name());
        std::string error;
        sink = OpenX11Sink(gDesktop->server->name().c_str(), error);
        ASSERT_TRUE(sink) << error;
        stopKey = CreateStopKey(*sink, error);
        window = std::make_unique<MainWindow>(*sink);
        binding = std::make_unique<StopKeyBinding>(*window, *stopKey);
        // Holds Shift and the left button, then waits ten minutes.
        window->ListBox1->Model().SetLines(
            {"Interval 1", "KeyDown #16", "MouseLDown ", "Interval 600000", "Stop"});
    }
    void TearDown() override {
        binding.reset();
        window.reset();
        stopKey.reset();
        sink.reset();
        client.reset();
    }
    bool Holding() {
        return QTest::qWaitFor([&] { return window->Engine().HoldsInput() &&
                                            window->TimerInterval() == 600000; }, 10000);
    }

    std::unique_ptr<WatchingClient> client;
    std::unique_ptr<X11Sink> sink;
    std::unique_ptr<StopKey> stopKey;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<StopKeyBinding> binding;
};

TEST_F(WindowStopKeyTest, KeyFromTheUserPerformsStop) {
    for (const char* key : {"Pause", "ctrl+alt+q"}) {
        SCOPED_TRACE(key);
        window->SetTimerInterval(1);  // the last run left it at ten minutes
        window->Actions().Play1->trigger();
        ASSERT_TRUE(Holding());
        EXPECT_TRUE(stopKey->Armed());
        EXPECT_TRUE(client->AnythingHeld());
        const pid_t pid = StartProgram({"xdotool", "key", key});
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->StatusPanel1->text() == " Stop"; }, 10000));
        EXPECT_EQ(WaitForProgram(pid), 0);
        EXPECT_FALSE(window->TimerEnabled());
        EXPECT_FALSE(stopKey->Armed());
        EXPECT_FALSE(client->AnythingHeld());
        EXPECT_TRUE(window->ListBox1->IsSelected(0));
        EXPECT_EQ(window->Engine().CurrentLine(), 0);
    }
}

TEST_F(WindowStopKeyTest, KeyThatAnotherProgramHoldsIsToldInTheStatusBar) {
    Display* other = client->display();
    XGrabKey(other, XKeysymToKeycode(other, XK_Pause), AnyModifier, DefaultRootWindow(other), False,
             GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    window->Actions().Play1->trigger();
    EXPECT_EQ(window->statusBar()->currentMessage(),
              " Pause does not stop playback here: another program holds that key");
    window->Actions().Stop1->trigger();
    window->statusBar()->clearMessage();
    window->Actions().Play1->trigger();  // told once only
    EXPECT_EQ(window->statusBar()->currentMessage(), "");
    window->Actions().Stop1->trigger();
}

// A long Write in the window is typed in slices between which the window
// takes its events: the stop key and the stop command end it in the middle,
// with nothing held and the next line not run.
TEST_F(WindowStopKeyTest, StopsALongWriteInTheMiddle) {
    const QString socketPath = QDir::temp().filePath(QStringLiteral("tess-write-%1.socket").arg(::getpid()));
    CommandServer commands(WindowCommands(*window));
    QString error;
    ASSERT_TRUE(commands.Listen(socketPath, error)) << error.toStdString();
    struct Case {
        const char* name;
        std::function<void()> stop;
    };
    std::thread sender;
    pid_t keys = -1;
    const Case cases[] = {
        {"Pause", [&] { keys = StartProgram({"xdotool", "key", "Pause"}); }},
        {"tessaline --stop", [&] {
             sender = std::thread([&] {
                 QString ignored;
                 SendCommand(socketPath, QStringLiteral("stop"), ignored);
             });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->ListBox1->Model().SetLines(
            {"Interval 1", "KeyDown #16", "MouseLDown ", "Write " + std::string(100000, 'a'), "ClickRight "});
        window->SetTimerInterval(1);
        client->Collect();
        window->Actions().Play1->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Engine().LineUnderWay(); }, 10000));
        EXPECT_TRUE(client->AnythingHeld());
        c.stop();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->StatusPanel1->text() == " Stop"; }, 10000));
        if (sender.joinable()) sender.join();
        if (keys > 0) {
            EXPECT_EQ(WaitForProgram(std::exchange(keys, -1)), 0);
        }
        EXPECT_FALSE(window->Engine().LineUnderWay());
        EXPECT_FALSE(client->AnythingHeld());
        std::size_t typed = 0;
        for (const SeenEvent& e : client->Collect()) {
            if (e.type == KeyPress && e.keysym == XK_A) ++typed;
            EXPECT_FALSE(e.type == ButtonPress && e.detail == 3) << "the line after the Write ran";
        }
        EXPECT_LT(typed, 100000u);
    }
}

}  // namespace
}  // namespace tess::x11::testing
