// The Wayland sink on a headless sway, seen by an ordinary client: points
// on two outputs, clicks, text on several layouts, characters the layout
// lacks, and nothing left held at the end.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "Sway.h"
#ifdef TESS_WITH_X11
#include "XTestServer.h"
#endif
#include "platform/DesktopSink.h"
#include "playback/ActionExecution.h"
#include "playback/HeldInput.h"

namespace tess::wayland {
namespace {

using testing::Observer;
using testing::Sway;

class WlrSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        ASSERT_FALSE(sway_.socket().empty()) << "headless sway did not start";
        setenv("WAYLAND_DISPLAY", sway_.socket().c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    }
    std::unique_ptr<InputSink> Open() {
        DesktopSink desktop = CreateDesktopSink(DesktopChoice::Wayland);
        EXPECT_NE(desktop.sink, nullptr) << desktop.error;
        return std::move(desktop.sink);
    }
    // As a 'Write ' line types: keys by VkKeyScanA with Shift, Ctrl and Alt
    // around them (AltGr as Ctrl+Alt), the rest as characters.
    void Type(InputSink& sink, const std::string& text) {
        HeldInput held;
        WriteText(text, sink, held);
        sink.Flush();
        EXPECT_TRUE(held.Empty());
    }

    Sway sway_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(WlrSinkTest, PointsOnBothOutputsAndClicks) {
    Observer observer(sway_.socket(), "us");
    ASSERT_TRUE(observer.ready());
    auto sink = Open();
    ASSERT_TRUE(sink);
    EXPECT_FALSE(sink->CursorPosKnown());
    const struct {
        int32_t x, y;
        const char* seen;
    } points[] = {
        {10, 20, "motion 10 20"},      {799, 599, "motion 799 599"}, {900, 150, "motion 900 150"},
        {1439, 579, "motion 1439 579"}, {900, 40, "motion 900 100"}, {-50, 300, "motion 0 300"},
    };
    for (const auto& p : points) {
        sink->SetCursorPos(p.x, p.y);
        sink->Flush();
        EXPECT_TRUE(observer.WaitFor([&](const std::string& l) { return l == p.seen; })) << p.seen;
        EXPECT_EQ(sink->GetCursorPos(), (ScreenPoint{p.x, p.y}));
    }
    EXPECT_TRUE(sink->CursorPosKnown());
    for (uint32_t flag : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP})
        sink->mouse_event(flag | MOUSEEVENTF_ABSOLUTE, 10, 10, 0, 0);
    sink->Flush();
    for (const char* seen : {"button left press", "button left release", "button right press",
                             "button right release"}) {
        EXPECT_TRUE(observer.WaitFor([&](const std::string& l) { return l == seen; })) << seen;
    }
}

TEST_F(WlrSinkTest, TextOnTheSeatsLayoutWithShiftAltGrAndCharactersItLacks) {
    const struct {
        const char* layout;
        const char* layoutName;
        std::string text;
        int16_t vkOfAt;  // VkKeyScanA('@')
        int16_t vkOfY;   // VkKeyScanA('y')
    } layouts[] = {
        {"us", "English (US)", "Hello, World! ~{x}|@3 é съешь же ещё € 😀 ß z€", 0x0132, 0x59},
        {"de", "German", "Hallo, Welt! @€{[]}\\~|µ QÄÖÜß yz é ж 😀 ½ ¼é", 0x0651, 0x59},
    };
    for (const auto& l : layouts) {
        SCOPED_TRACE(l.layout);
        Sway sway;
        ASSERT_FALSE(sway.socket().empty());
        setenv("WAYLAND_DISPLAY", sway.socket().c_str(), 1);
        Observer observer(sway.socket(), l.layout);
        ASSERT_TRUE(observer.ready());
        auto sink = Open();
        ASSERT_TRUE(sink);
        EXPECT_EQ(sink->VkKeyScanA(U'@'), l.vkOfAt);
        EXPECT_EQ(sink->VkKeyScanA(U'y'), l.vkOfY);
        EXPECT_EQ(sink->VkKeyScanA(U'ж'), -1);
        Type(*sink, l.text);
        EXPECT_EQ(observer.WaitForText(l.text), l.text);
        // The layout's keymap is back in force after the borrowed keys.
        EXPECT_TRUE(observer.WaitFor([&](const std::string& s) {
            return s == std::string("keymap ") + l.layoutName;
        }));
        Type(*sink, "a");
        sink->keybd_event('Z', 0, 0, 0);  // the key that types z, wherever the layout has it
        sink->keybd_event('Z', 0, KEYEVENTF_KEYUP, 0);
        sink->Flush();
        EXPECT_EQ(observer.WaitForText(l.text + "az"), l.text + "az");
        EXPECT_EQ(observer.Last("keymap "), std::string("keymap ") + l.layoutName);
    }
}

TEST_F(WlrSinkTest, HeldKeysAndModifiersAreLetGoAtTheEnd) {
    Observer observer(sway_.socket(), "us");
    ASSERT_TRUE(observer.ready());
    {
        auto sink = Open();
        ASSERT_TRUE(sink);
        sink->keybd_event(16, 0, 0, 0);  // Shift held: letters come out capital
        sink->keybd_event('A', 0, 0, 0);
        sink->keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
        sink->keybd_event(17, 0, 0, 0);  // Ctrl and Alt held as well
        sink->keybd_event(18, 0, 0, 0);
        sink->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
        sink->Flush();
        EXPECT_EQ(observer.WaitForText("A"), "A");
        EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "button left press"; }));
        EXPECT_EQ(observer.Last("mods "), "mods 13 0 0 0");  // Shift, Control, Mod1
    }
    // Keys first, then the button.
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "button left release"; }));
    EXPECT_EQ(observer.Last("mods "), "mods 0 0 0 0");
}

TEST_F(WlrSinkTest, TheChoiceOfDesktopTakesWaylandFirstAndNamesWhatWasTried) {
    unsetenv("DISPLAY");
    DesktopSink automatic = CreateDesktopSink(DesktopChoice::Auto);
    ASSERT_NE(automatic.sink, nullptr) << automatic.error;
    EXPECT_FALSE(automatic.sink->CursorPosKnown());  // the Wayland sink
    EXPECT_EQ(automatic.notice, "");
    automatic.sink.reset();

    const struct {
        DesktopChoice choice;
        const char* wayland;  // nullptr: unset
        const char* error;
    } failures[] = {
        {DesktopChoice::X11, nullptr, "X11: there is no X display (DISPLAY is not set)"},
        {DesktopChoice::Wayland, nullptr, "Wayland: WAYLAND_DISPLAY is not set"},
        {DesktopChoice::Auto, "/nonexistent/wayland-9",
         "Wayland: no Wayland compositor answers at \"/nonexistent/wayland-9\"; X11: this is a Wayland "
         "session without XWayland (DISPLAY is not set)"},
    };
    for (const auto& f : failures) {
        f.wayland ? setenv("WAYLAND_DISPLAY", f.wayland, 1) : unsetenv("WAYLAND_DISPLAY");
        DesktopSink desktop = CreateDesktopSink(f.choice);
        EXPECT_EQ(desktop.sink, nullptr);
        EXPECT_EQ(desktop.error, f.error);
    }
}

#ifdef TESS_WITH_X11
TEST_F(WlrSinkTest, X11InAWaylandSessionSaysWhatItReachesAndKnowsOnlyThePointItSet) {
    x11::testing::Xvfb xserver;
    ASSERT_FALSE(xserver.name().empty());
    setenv("DISPLAY", xserver.name().c_str(), 1);
    DesktopSink desktop = CreateDesktopSink(DesktopChoice::X11);
    ASSERT_NE(desktop.sink, nullptr) << desktop.error;
    EXPECT_EQ(desktop.notice,
              "input goes through X11 on this Wayland desktop: playback reaches only XWayland windows");
    EXPECT_FALSE(desktop.sink->CursorPosKnown());
    desktop.sink->SetCursorPos(5, 6);
    desktop.sink->Flush();
    EXPECT_TRUE(desktop.sink->CursorPosKnown());
    EXPECT_EQ(desktop.sink->GetCursorPos(), (ScreenPoint{5, 6}));

    unsetenv("WAYLAND_DISPLAY");  // an X11 desktop: the pointer is read live
    desktop = CreateDesktopSink(DesktopChoice::Auto);
    ASSERT_NE(desktop.sink, nullptr) << desktop.error;
    EXPECT_EQ(desktop.notice, "");
    EXPECT_TRUE(desktop.sink->CursorPosKnown());
}
#endif

#ifdef TESS_PLAY_PATH
TEST_F(WlrSinkTest, ThePlayerLetsGoOfEverythingWhenTerminated) {
    Observer observer(sway_.socket(), "de");
    ASSERT_TRUE(observer.ready());
    const std::string scenario = ::testing::TempDir() + "held.sf";
    std::ofstream(scenario) << "Interval 1\nCurPos 900,150\nKeyDown #16\nMouseLDown \nWrite xé\n"
                               "Interval 60000\nStop\n";
    const pid_t player = testing::Spawn({TESS_PLAY_PATH, "--desktop", "wayland", scenario},
                                        {"WAYLAND_DISPLAY=" + sway_.socket()});
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "motion 900 150"; }));
    EXPECT_EQ(observer.WaitForText("Xé"), "Xé");
    kill(player, SIGTERM);
    EXPECT_EQ(testing::WaitForExit(player), 128 + SIGTERM);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "button left release"; }));
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l.rfind("mods 0 ", 0) == 0; }));
    EXPECT_EQ(observer.Last("keymap "), "keymap German");
}

TEST_F(WlrSinkTest, ReleaseAllLetsGoOfWhatAKilledPlayerHeld) {
    Observer observer(sway_.socket(), "us");
    ASSERT_TRUE(observer.ready());
    const std::string scenario = ::testing::TempDir() + "held-killed.sf";
    std::ofstream(scenario) << "Interval 1\nCurPos 100,150\nKeyDown #16\nKeyDown #17\nMouseLDown \n"
                               "Interval 60000\nStop\n";
    const std::vector<std::string> env = {"WAYLAND_DISPLAY=" + sway_.socket()};
    const pid_t player = testing::Spawn({TESS_PLAY_PATH, "--desktop", "wayland", scenario}, env);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "button left press"; }));
    kill(player, SIGKILL);
    EXPECT_EQ(testing::WaitForExit(player), 128 + SIGKILL);
    EXPECT_EQ(testing::WaitForExit(testing::Spawn({TESS_PLAY_PATH, "--desktop", "wayland", "--release-all"}, env)), 0);
    // sway let go of the keys with the killed player's keyboard, not of the button.
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "button left release"; }));
    EXPECT_EQ(observer.Last("mods "), "mods 0 0 0 0");
}

TEST_F(WlrSinkTest, ThePlayerEndsWithOneLineWhenTheCompositorGoes) {
    Observer observer(sway_.socket(), "us");
    ASSERT_TRUE(observer.ready());
    const std::string scenario = ::testing::TempDir() + "endless.sf";
    std::ofstream(scenario) << "Interval 1\nCycle \nCurPos 1,1\nCurPos 2,2\nCycleEnd \n";
    const std::string log = ::testing::TempDir() + "endless.log";
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t player = testing::Spawn({TESS_PLAY_PATH, "--desktop", "wayland", scenario},
                                        {"WAYLAND_DISPLAY=" + sway_.socket()}, out);
    close(out);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "motion 2 2"; }));
    sway_.Stop();
    EXPECT_EQ(testing::WaitForExit(player), 1);
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // No X server beside this sway: no key can stop playback, said once at the start.
    EXPECT_EQ(text,
              "tessaline-play: no key stops playback on this desktop: bind `tessaline --stop` to a shortcut "
              "of the desktop\ntessaline-play: lost the connection to the Wayland compositor at \"" +
                  sway_.socket() + "\"\n");
}
#endif

}  // namespace
}  // namespace tess::wayland
