// On a real headless KWin: the user's Pause and Ctrl+Alt+Q, pressed through
// a second program's fake input as a keyboard reaches KWin, stop a running
// tessaline-play through KDE's global shortcuts.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "Kwin.h"
#include "Sway.h"

namespace tess::wayland::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Whether KWin's global shortcuts know the program's component yet.
bool Registered(const std::vector<std::string>& environment) {
    std::string address;
    for (const std::string& entry : environment) {
        if (entry.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0) address = entry.substr(entry.find('=') + 1);
    }
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return false;
    bool known = false;
    if (sd_bus_set_address(bus, address.c_str()) >= 0 && sd_bus_set_bus_client(bus, 1) >= 0 &&
        sd_bus_start(bus) >= 0) {
        sd_bus_message* reply = nullptr;
        known = sd_bus_call_method(bus, "org.kde.kglobalaccel", "/kglobalaccel", "org.kde.KGlobalAccel",
                                   "getComponent", nullptr, &reply, "s", "tessaline") >= 0;
        sd_bus_message_unref(reply);
    }
    sd_bus_flush_close_unref(bus);
    return known;
}

// The exit status, or -1 when the program still runs at the deadline
// (it is ended then).
int ExitWithin(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    int status = 0;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

TEST(KwinTest, TheUsersStopKeysStopThePlayerThroughKdeGlobalShortcuts) {
    if (!Kwin::Installed()) GTEST_SKIP() << "kwin_wayland is not installed";
    const std::string scenario = ::testing::TempDir() + "kwin-long.sf";
    std::ofstream(scenario) << "Interval 600000\nCurPos 1,1\nCurPos 2,2\n";
    for (const char* key : {"ctrl-alt-q", "pause"}) {
        SCOPED_TRACE(key);
        Kwin kwin({TESS_PLAY_PATH, TESS_KDE_KEYS_PATH});
        ASSERT_FALSE(kwin.socket().empty()) << "headless KWin did not start";
        const std::string log = ::testing::TempDir() + "kwin-player.log";
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t player = Spawn({TESS_PLAY_PATH, scenario}, kwin.Environment(), out);
        close(out);
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!Registered(kwin.Environment()) && Clock::now() < deadline &&
               waitpid(player, nullptr, WNOHANG) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(Registered(kwin.Environment())) << "the player took no global shortcut";
        EXPECT_EQ(WaitForExit(Spawn({TESS_KDE_KEYS_PATH, key}, kwin.Environment())), 0);
        EXPECT_EQ(ExitWithin(player, std::chrono::seconds(20)), 0);
        std::ifstream in(log);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text.find("stop playback"), std::string::npos) << text;
    }
}

TEST(KwinTest, APlayerKwinDoesNotTrustIsToldWhichDesktopFileItNeeds) {
    if (!Kwin::Installed()) GTEST_SKIP() << "kwin_wayland is not installed";
    Kwin kwin({TESS_KDE_KEYS_PATH});  // the player is not installed
    ASSERT_FALSE(kwin.socket().empty()) << "headless KWin did not start";
    const std::string scenario = ::testing::TempDir() + "kwin-short.sf";
    std::ofstream(scenario) << "CurPos 1,1\n";
    const std::string log = ::testing::TempDir() + "kwin-untrusted.log";
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    EXPECT_EQ(WaitForExit(Spawn({TESS_PLAY_PATH, "--desktop", "wayland", scenario}, kwin.Environment(), out)), 2);
    close(out);
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("is KWin, which lets only installed programs use its fake input: it needs "
                        "tessaline-play.desktop in an applications folder"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(std::string("Exec=") + TESS_PLAY_PATH + " and X-KDE-Wayland-Interfaces="), std::string::npos)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

}  // namespace
}  // namespace tess::wayland::testing
