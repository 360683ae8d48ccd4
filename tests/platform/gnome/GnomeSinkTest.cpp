// The GNOME sink on a private headless mutter, seen by an ordinary
// xdg-shell client: points on both monitors and clamped ones, clicks, text
// on the layout's keys, characters no key gives pasted in their place with
// the user's clipboard put back, held input let go when the player is
// terminated, and the one line the player ends with when the compositor
// or PipeWire goes. mutter reads its layout once, at start: each run of
// this program is one compositor with the layout TESS_GNOME_LAYOUT names
// (us without it), and runs its cases in order (see CMakeLists.txt).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "Mutter.h"
#include "Sway.h"
#include "platform/DesktopSink.h"
#include "playback/ActionExecution.h"
#include "playback/HeldInput.h"

namespace tess::gnome {
namespace {

using testing::Mutter;
using wayland::testing::Observer;
using wayland::testing::Spawn;
using wayland::testing::WaitForExit;

// Which end of the desktop this run is for (TESS_GNOME_END), empty for none.
std::string EndOfRun() {
    const char* end = std::getenv("TESS_GNOME_END");
    return end ? end : "";
}

std::string Layout() {
    const char* layout = std::getenv("TESS_GNOME_LAYOUT");
    return layout && *layout ? layout : "us";
}

class GnomeSinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mutter_ = new Mutter(Layout());
        if (!mutter_->socket().empty()) mutter_->Export();
    }
    static void TearDownTestSuite() {
        delete mutter_;
        mutter_ = nullptr;
    }
    void SetUp() override { ASSERT_FALSE(mutter_->socket().empty()) << "headless mutter did not start"; }

    // A sink, once the observer has the devices the session brought to
    // the seat (a seat without devices of its own has none before).
    static std::unique_ptr<InputSink> Open(Observer& observer) {
        DesktopSink desktop = CreateDesktopSink(DesktopChoice::Gnome);
        EXPECT_NE(desktop.sink, nullptr) << desktop.error;
        EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l.rfind("keymap ", 0) == 0; }));
        return std::move(desktop.sink);
    }
    static void Type(InputSink& sink, const std::string& text) {
        HeldInput held;
        WriteText(text, sink, held);
        sink.Flush();
        EXPECT_TRUE(held.Empty());
    }
    // Runs the player on a scenario; its standard error goes to `log`.
    static pid_t Play(const std::string& name, const std::string& scenario, const std::string& log) {
        const std::string path = ::testing::TempDir() + name;
        std::ofstream(path) << scenario;
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const pid_t player = Spawn({TESS_PLAY_PATH, "--desktop", "gnome", path}, {}, out);
        close(out);
        return player;
    }
    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static Mutter* mutter_;
};
Mutter* GnomeSinkTest::mutter_ = nullptr;

TEST_F(GnomeSinkTest, PointsOnBothMonitorsClampedPointsAndButtons) {
    Observer observer(mutter_->socket(), "us");
    ASSERT_TRUE(observer.ready());
    auto sink = Open(observer);
    ASSERT_TRUE(sink);
    EXPECT_FALSE(sink->CursorPosKnown());
    // A window just mapped can still be on its way to full screen (the
    // points then arrive at other window coordinates): until a point
    // arrives exactly, it is moved on.
    bool settled = false;
    for (int32_t x = 10; x < 60 && !settled; ++x) {
        sink->SetCursorPos(x, 10);
        sink->Flush();
        const std::string seen = "motion " + std::to_string(x) + " 10";
        settled = observer.WaitFor([&](const std::string& l) { return l == seen; }, std::chrono::milliseconds(200));
    }
    ASSERT_TRUE(settled);
    // Monitors: 1280x800 at 0,0 (primary) and 1024x768 at 1280,0.
    const struct {
        int32_t x, y;
        const char* seen;
    } points[] = {
        {500, 400, "motion 500 400"},  {1400, 300, "motion 1400 300"}, {2303, 767, "motion 2303 767"},
        {-20, 300, "motion 0 300"},    {1500, 790, "motion 1500 767"}, {2000, -300, "motion 2000 0"},
        {-5000, 5000, "motion 0 799"}, {1279, 799, "motion 1279 799"},
    };
    for (const auto& p : points) {
        sink->SetCursorPos(p.x, p.y);
        sink->Flush();
        EXPECT_TRUE(observer.WaitFor([&](const std::string& l) { return l == p.seen; }))
            << p.seen << "; seen: " << observer.Last("motion ");
        EXPECT_EQ(sink->GetCursorPos(), (ScreenPoint{p.x, p.y}));
    }
    EXPECT_TRUE(sink->CursorPosKnown());
    for (uint32_t flag : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP})
        sink->mouse_event(flag | MOUSEEVENTF_ABSOLUTE, 0, 0, 0, 0);
    sink->Flush();
    for (const char* seen : {"button left press", "button left release", "button right press",
                             "button right release"}) {
        EXPECT_TRUE(observer.WaitFor([&](const std::string& l) { return l == seen; })) << seen;
    }
}

TEST_F(GnomeSinkTest, TextOnTheLayoutsOwnKeysWithShiftAndAltGr) {
    const struct {
        const char* layout;
        const char* layoutName;
        std::string text;
        int16_t vkOfAt;  // VkKeyScanA('@')
    } layouts[] = {
        {"us", "English (US)", "Hello, World! ~{x}|@3 \"aZ\"\t.", 0x0132},
        {"de", "German", "Hallo, Welt! @€{[]}\\~|µ QÄÖÜß yz ẞ", 0x0651},
    };
    for (const auto& l : layouts) {
        if (l.layout != Layout()) continue;
        Observer observer(mutter_->socket(), l.layout);
        ASSERT_TRUE(observer.ready());
        auto sink = Open(observer);
        ASSERT_TRUE(sink);
        EXPECT_EQ(observer.Last("keymap "), std::string("keymap ") + l.layoutName);
        EXPECT_EQ(sink->VkKeyScanA(U'@'), l.vkOfAt);
        EXPECT_EQ(sink->VkKeyScanA(U'ж'), -1);
        Type(*sink, l.text);
        sink->keybd_event('Z', 0, 0, 0);  // the key that types z, wherever the layout has it
        sink->keybd_event('Z', 0, KEYEVENTF_KEYUP, 0);
        sink->Flush();
        EXPECT_EQ(observer.WaitForText(l.text + "z"), l.text + "z");
        // With the user's Caps Lock on, text still arrives as written, and
        // Caps Lock is on again after it.
        for (uint32_t flags : {0u, unsigned(KEYEVENTF_KEYUP)}) sink->keybd_event(20, 0, flags, 0);
        sink->Flush();
        Type(*sink, "aB1");
        sink->keybd_event('Q', 0, 0, 0);
        sink->keybd_event('Q', 0, KEYEVENTF_KEYUP, 0);
        sink->Flush();
        Type(*sink, "q");
        EXPECT_EQ(observer.WaitForText(l.text + "zaB1qq"), l.text + "zaB1qq");
        EXPECT_TRUE(observer.WaitFor([](const std::string& m) { return m.rfind("mods 0 0 2 ", 0) == 0; }));
        for (uint32_t flags : {0u, unsigned(KEYEVENTF_KEYUP)}) sink->keybd_event(20, 0, flags, 0);
        sink->Flush();
    }
}

TEST_F(GnomeSinkTest, CharactersNoKeyGivesArePastedInPlaceAndTheClipboardIsPutBack) {
    // The observer owns the clipboard, as an editor the user copied from.
    setenv("TESS_OBSERVER_COPY", "the user's own text", 1);
    Observer observer(mutter_->socket(), Layout());
    unsetenv("TESS_OBSERVER_COPY");
    ASSERT_TRUE(observer.ready());
    auto sink = Open(observer);
    ASSERT_TRUE(sink);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "copied"; }));
    // Stretches between keys of the layout: each one pasted where it stands.
    const std::string text = "ab жё 😀 cd ♥ e";
    Type(*sink, text);
    EXPECT_EQ(observer.WaitForText(text), text);
    // Ctrl+V from the scenario: what the user had is back.
    for (uint32_t flags : {0u, unsigned(KEYEVENTF_KEYUP)}) {
        if (!flags) sink->keybd_event(17, 0, 0, 0);
        sink->keybd_event('V', 0, flags, 0);
        if (flags) sink->keybd_event(17, 0, flags, 0);
    }
    bool pasted = false;
    for (int i = 0; i < 100 && !pasted; ++i) {
        sink->Flush();  // answers the clipboard's requests while the observer reads
        pasted = observer.WaitFor([](const std::string& l) { return l.rfind("key paste ", 0) == 0; },
                                  std::chrono::milliseconds(100));
    }
    EXPECT_EQ(observer.Last("key paste "), "key paste the user's own text");
}

#ifdef TESS_PLAY_PATH
// Plain mutter has no XWayland here, so no key can stop playback: the
// player says so once, at Run.
constexpr const char* kNoStopKey =
    "tessaline-play: no key stops playback on this desktop: bind `tessaline --stop` to a shortcut of the desktop\n";

TEST_F(GnomeSinkTest, ThePlayerLetsGoOfEverythingWhenTerminated) {
    Observer observer(mutter_->socket(), "us");
    ASSERT_TRUE(observer.ready());
    const std::string log = ::testing::TempDir() + "gnome-held.log";
    const pid_t player = Play("gnome-held.sf",
                              "Interval 1\nCurPos 1400,150\nKeyDown #16\nMouseLDown \nWrite x\n"
                              "Interval 60000\nStop\n",
                              log);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "motion 1400 150"; }));
    EXPECT_EQ(observer.WaitForText("X"), "X");
    kill(player, SIGTERM);
    EXPECT_EQ(WaitForExit(player), 128 + SIGTERM);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "button left release"; }));
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "release 50"; }));  // Shift_L
    EXPECT_EQ(ReadAll(log), kNoStopKey);
}
#endif

TEST_F(GnomeSinkTest, TheAutomaticChoiceTakesGnomeAndNamesWhatIsMissing) {
    DesktopSink automatic = CreateDesktopSink(DesktopChoice::Auto);
    ASSERT_NE(automatic.sink, nullptr) << automatic.error;
    EXPECT_FALSE(automatic.sink->CursorPosKnown());  // a sink of the GNOME kind
    EXPECT_EQ(automatic.notice, "");
    automatic.sink.reset();

    const std::string bus = mutter_->busAddress();
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    DesktopSink missing = CreateDesktopSink(DesktopChoice::Gnome);
    EXPECT_EQ(missing.sink, nullptr);
    EXPECT_EQ(missing.error, "GNOME: there is no D-Bus session bus to reach GNOME through (No such file or directory)");
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
}

#ifdef TESS_PLAY_PATH
// The run with TESS_GNOME_END=pipewire: PipeWire ends during playback.
TEST_F(GnomeSinkTest, WithoutPipeWireThePlayerSaysSoInOneLine) {
    if (EndOfRun() != "pipewire") GTEST_SKIP() << "for the PipeWire run";
    Observer observer(mutter_->socket(), "us");
    ASSERT_TRUE(observer.ready());
    const std::string log = ::testing::TempDir() + "gnome-pw.log";
    const pid_t player = Play("gnome-pw.sf", "Interval 1\nCycle \nCurPos 1,1\nCurPos 2,2\nCycleEnd \n", log);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "motion 2 2"; }));
    mutter_->StopPipeWire();
    EXPECT_EQ(WaitForExit(player), 1);
    EXPECT_EQ(ReadAll(log), std::string(kNoStopKey) + "tessaline-play: GNOME's compositor closed the remote-desktop session\n");

    const pid_t again = Play("gnome-pw.sf", "CurPos 1,1\n", log);
    EXPECT_EQ(WaitForExit(again), 2);
    EXPECT_EQ(ReadAll(log),
              "tessaline-play: cannot reach the desktop: GNOME: absolute pointer positions need PipeWire running in the session\n");
}

// The run with TESS_GNOME_END=compositor: the compositor ends.
TEST_F(GnomeSinkTest, ThePlayerEndsWithOneLineWhenTheCompositorGoes) {
    if (EndOfRun() != "compositor") GTEST_SKIP() << "for the compositor run";
    Observer observer(mutter_->socket(), "us");
    ASSERT_TRUE(observer.ready());
    const std::string log = ::testing::TempDir() + "gnome-end.log";
    const pid_t player = Play("gnome-end.sf", "Interval 1\nCycle \nCurPos 1,1\nCurPos 2,2\nCycleEnd \n", log);
    EXPECT_TRUE(observer.WaitFor([](const std::string& l) { return l == "motion 2 2"; }));
    mutter_->Stop();
    EXPECT_EQ(WaitForExit(player), 1);
    // Gone at once, or hung until it is killed: either way one line.
    std::string line = ReadAll(log);
    if (line.rfind(kNoStopKey, 0) == 0) line.erase(0, std::string(kNoStopKey).size());
    EXPECT_TRUE(line == "tessaline-play: lost the connection to GNOME's compositor (org.gnome.Mutter.RemoteDesktop)\n" ||
                line == "tessaline-play: GNOME's compositor closed the remote-desktop session\n" ||
                line == "tessaline-play: GNOME's compositor did not answer within 2 s\n")
        << line;
}
#endif

}  // namespace
}  // namespace tess::gnome
