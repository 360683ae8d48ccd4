// The stop keys against tessaline-play on a real X server: Pause or
// Ctrl+Alt+Q from the user ends playback with status 0 and nothing held,
// whatever the layout, the lock keys and the modifiers the scenario holds;
// the same keys sent by the scenario itself reach the focused window and do
// not stop it; a key that another program holds is named once.
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "SinkFixture.h"

namespace tess::x11::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class StopKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
        const char* display = std::getenv("DISPLAY");
        if (display) oldDisplay_ = display;
        setenv("DISPLAY", server.name().c_str(), 1);
        if (WaitForProgram(StartProgram({"xdotool", "version"})) != 0)
            GTEST_SKIP() << "xdotool is not installed";
        client = std::make_unique<WatchingClient>(server.name());
        ASSERT_NE(client->display(), nullptr);
        dir_ = fs::temp_directory_path() / ("tess-stopkey-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        oldDisplay_.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", oldDisplay_.c_str(), 1);
        if (!dir_.empty()) fs::remove_all(dir_);
    }
    pid_t Play(const std::string& text) {
        std::ofstream(dir_ / "test.sf") << text;
        return StartProgram({TESS_PLAY_PATH, (dir_ / "test.sf").string()}, (dir_ / "output").string());
    }
    std::vector<std::string> OutputLines() {
        std::ifstream in(dir_ / "output");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The user's keys, through xdotool's own connection.
    bool UserKeys(const std::vector<std::string>& keys) {
        std::vector<std::string> argv = {"xdotool", "key"};
        argv.insert(argv.end(), keys.begin(), keys.end());
        return keys.empty() || WaitForProgram(StartProgram(argv)) == 0;
    }
    // The player's status once it ends within `limit`, or -1.
    static int WaitUpTo(pid_t pid, std::chrono::milliseconds limit) {
        for (auto waited = 0ms; waited <= limit; waited += 20ms) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }
    // Waits at most 10 s; a player that does not end is killed and fails.
    int WaitBounded(pid_t pid) {
        if (const int status = WaitUpTo(pid, 10s); status >= 0) return status;
        kill(pid, SIGKILL);
        WaitForProgram(pid);
        ADD_FAILURE() << "the player did not end";
        return -1;
    }

    Xvfb server;
    std::unique_ptr<WatchingClient> client;
    fs::path dir_;
    std::string oldDisplay_;
};

// Holds Shift and the left button, then waits ten minutes before a right
// click that shows a tick come before its time.
constexpr const char* kHolding =
    "Interval 1\nKeyDown #16\nMouseLDown \nInterval 600000\nClickRight \nStop\n";

TEST_F(StopKeyTest, KeyFromTheUserStopsThePlayerWithNothingHeld) {
    struct Case {
        const char* layout;
        std::vector<std::string> locks;  // toggled on before, off after
        const char* key;
        const char* layoutDuringPlay;    // switched to while playing, or nullptr
    };
    const Case cases[] = {
        {"us", {}, "Pause", nullptr},
        {"us", {"Caps_Lock", "Num_Lock"}, "ctrl+alt+q", nullptr},
        {"fr", {"Num_Lock"}, "ctrl+alt+q", nullptr},  // q sits where A is on US keyboards
        {"de", {"Caps_Lock"}, "Pause", nullptr},
        {"us", {}, "ctrl+alt+q", "fr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " " + c.key);
        ASSERT_EQ(server.Run({"setxkbmap", "-layout", c.layout}), 0);
        ASSERT_TRUE(UserKeys(c.locks));
        const pid_t pid = Play(kHolding);
        client->WaitForButtonPress();
        EXPECT_TRUE(client->AnythingHeld());
        // After a switch the player takes Q anew as soon as it reads the new
        // layout; a press that comes before goes to the window: press again.
        const int attempts = c.layoutDuringPlay ? 20 : 1;
        if (c.layoutDuringPlay) {
            ASSERT_EQ(server.Run({"setxkbmap", "-layout", c.layoutDuringPlay}), 0);
        }
        int status = -1;
        for (int i = 0; i < attempts && status < 0; ++i) {
            ASSERT_TRUE(UserKeys({c.key}));
            if (i + 1 < attempts) status = WaitUpTo(pid, 500ms);
        }
        EXPECT_EQ(status < 0 ? WaitBounded(pid) : status, 0);
        EXPECT_FALSE(client->AnythingHeld());
        EXPECT_TRUE(OutputLines().empty());
        ASSERT_TRUE(UserKeys(c.locks));
        for (const SeenEvent& e : client->Collect())
            EXPECT_FALSE(e.type == ButtonPress && e.detail == 3) << "a tick came before its time";
    }
}

TEST_F(StopKeyTest, KeysTheScenarioSendsItselfReachTheFocusedWindowAndDoNotStopIt) {
    for (const char* layout : {"us", "fr"}) {
        SCOPED_TRACE(layout);
        ASSERT_EQ(server.Run({"setxkbmap", "-layout", layout}), 0);
        client->Collect();  // the new layout is read
        const KeyCode qKey = XKeysymToKeycode(client->display(), XK_q);
        const pid_t pid = Play("Interval 1\nKeyPress #19\nKeyDown #17\nKeyDown #18\nKeyPress Q\n"
                               "KeyUp #18\nKeyUp #17\nClick \n");
        EXPECT_EQ(WaitBounded(pid), 0);
        // Where Q has an AltGr character (fr), the sink types that as
        // Windows does; either way the Q key goes to the window.
        bool pause = false, q = false, clickAfter = false;
        for (const SeenEvent& e : client->Collect()) {
            if (e.type == KeyPress && e.keysym == XK_Pause) pause = true;
            if (e.type == KeyPress && e.detail == qKey) q = true;
            if (e.type == ButtonPress) clickAfter = pause && q;
        }
        EXPECT_TRUE(pause);
        EXPECT_TRUE(q);
        EXPECT_TRUE(clickAfter) << "playback stopped before its last line";
        EXPECT_TRUE(OutputLines().empty());
    }
}

TEST_F(StopKeyTest, KeyThatAnotherProgramHoldsIsNamedOnceAndTheOtherStillStops) {
    Display* other = client->display();
    const KeyCode pause = XKeysymToKeycode(other, XK_Pause);
    XGrabKey(other, pause, AnyModifier, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    const pid_t pid = Play(kHolding);
    client->WaitForButtonPress();
    ASSERT_TRUE(UserKeys({"ctrl+alt+q"}));
    EXPECT_EQ(WaitBounded(pid), 0);
    EXPECT_FALSE(client->AnythingHeld());
    const auto lines = OutputLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "tessaline-play: Pause does not stop playback here: another program holds that key");
}

// A long Write is typed in slices: the key stops it in the middle, with
// Shift and the button released and the next line not run.
TEST_F(StopKeyTest, KeyStopsALongWriteInTheMiddle) {
    ASSERT_EQ(server.Run({"setxkbmap", "-layout", "us"}), 0);
    const pid_t pid = Play("Interval 1\nKeyDown #16\nMouseLDown \nWrite " + std::string(100000, 'a') +
                           "\nClickRight \n");
    client->WaitForButtonPress();
    ASSERT_TRUE(UserKeys({"Pause"}));
    EXPECT_EQ(WaitBounded(pid), 0);
    EXPECT_FALSE(client->AnythingHeld());
    std::size_t typed = 0;
    for (const SeenEvent& e : client->Collect()) {
        if (e.type == KeyPress && e.keysym == XK_A) ++typed;
        EXPECT_FALSE(e.type == ButtonPress && e.detail == 3) << "the line after the Write ran";
    }
    EXPECT_LT(typed, 100000u);
}

}  // namespace
}  // namespace tess::x11::testing
