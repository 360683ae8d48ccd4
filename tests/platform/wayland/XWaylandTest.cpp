// tessaline-play on sway with its own XWayland, into xterm running `cat`
// there: characters the layout lacks arrive exactly, and the X11 grabs stop
// playback while the xterm has the focus (the scenario's own Pause does not).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "Sway.h"

namespace tess::wayland::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// An xterm on XWayland running `cat > FILE`, focused as sway focuses new windows.
class Xterm {
public:
    Xterm(const std::string& display, const std::string& name)
        : dir_(::testing::TempDir() + name), out_(dir_ + "/out") {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        pid_ = Spawn({"xterm", "-u8", "-T", name, "-e", "sh", "-c", "touch '" + dir_ + "/ready'; exec cat > '" + out_ + "'"},
                     {"DISPLAY=" + display, "LC_ALL=C.UTF-8"});
        // Ready once cat runs and the X server gives the xterm the focus.
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline) {
            if (fs::exists(dir_ + "/ready") && Focused(display) == name) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    static std::string Focused(const std::string& display) {
        const std::string line = "DISPLAY='" + display + "' xdotool getwindowfocus getwindowname 2>/dev/null";
        std::string name;
        if (FILE* pipe = popen(line.c_str(), "r")) {
            char buffer[256];
            while (fgets(buffer, sizeof buffer, pipe)) name += buffer;
            pclose(pipe);
        }
        if (!name.empty() && name.back() == '\n') name.pop_back();
        return name;
    }
    ~Xterm() {
        kill(pid_, SIGTERM);
        WaitForExit(pid_);
    }
    // What cat has written once it holds `count` bytes, or at the deadline.
    std::string Output(size_t count) const {
        const auto deadline = Clock::now() + std::chrono::seconds(15);
        std::string text;
        do {
            std::ifstream in(out_, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (text.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (Clock::now() < deadline);
        return text;
    }

private:
    pid_t pid_ = -1;
    std::string dir_;
    std::string out_;
};

std::string Scenario(const std::string& name, const std::string& lines) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << lines;
    return path;
}

TEST(XWaylandTest, CharactersTheLayoutLacksArriveExactlyInAnXtermOnXWayland) {
    struct Case {
        const char* layout;
        const char* text;
    } const cases[] = {{"us", "aé€b ж😀 end"}, {"de", "a@€éжb ß"}};
    Sway sway(true);
    ASSERT_FALSE(sway.display().empty()) << "sway's XWayland did not start";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        Xterm xterm(sway.display(), std::string("xterm-text-") + c.layout);
        const std::string scenario =
            Scenario("xwayland-text.sf", std::string("Interval 1\nWrite ") + c.text + "\nKeyPress #13\n");
        const pid_t player = Spawn({TESS_PLAY_PATH, "--desktop", "wayland", scenario},
                                   {"WAYLAND_DISPLAY=" + sway.socket(), "DISPLAY=" + sway.display(),
                                    std::string("XKB_DEFAULT_LAYOUT=") + c.layout});
        EXPECT_EQ(WaitForExit(player), 0);
        const std::string expected = std::string(c.text) + "\n";
        EXPECT_EQ(xterm.Output(expected.size()), expected);
    }
}

#ifdef TESS_KDE_KEYS_PATH
TEST(XWaylandTest, TheUsersPauseStopsPlaybackWhileAnXWaylandWindowHasTheFocus) {
    // Played through the compositor, and through XWayland's X server
    // (`--desktop x11` in a Wayland session).
    for (const char* desktop : {"wayland", "x11"}) {
        SCOPED_TRACE(desktop);
        Sway sway(true);
        ASSERT_FALSE(sway.display().empty()) << "sway's XWayland did not start";
        Xterm xterm(sway.display(), std::string("xterm-stop-") + desktop);
        // The scenario's own Pause reaches the xterm and playback goes on.
        const std::string scenario =
            Scenario("xwayland-stop.sf", "Interval 1\nWrite x\nKeyPress #19\nWrite y\nKeyPress #13\n"
                                         "Interval 600000\nCurPos 1,1\nCurPos 2,2\n");
        const std::vector<std::string> env = {"WAYLAND_DISPLAY=" + sway.socket(), "DISPLAY=" + sway.display()};
        const pid_t player = Spawn({TESS_PLAY_PATH, "--desktop", desktop, scenario}, env);
        EXPECT_EQ(xterm.Output(3), "xy\n");
        // The user's, from a keyboard of its own.
        EXPECT_EQ(WaitForExit(Spawn({TESS_KDE_KEYS_PATH, "pause"}, env)), 0);
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        int status = -1;
        while (Clock::now() < deadline) {
            if (waitpid(player, &status, WNOHANG) == player) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (Clock::now() >= deadline) kill(player, SIGKILL), waitpid(player, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the player did not stop";
    }
}
#endif

}  // namespace
}  // namespace tess::wayland::testing
