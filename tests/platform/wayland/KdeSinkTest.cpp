// The KDE sink against a stand-in for KWin's fake input: what it sends for
// points, clicks and keys by Windows rules (AltGr as Ctrl+Alt), what it
// cannot type, and what it lets go of at the end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "FakeKwin.h"
#include "platform/DesktopSink.h"
#include "playback/ActionExecution.h"
#include "playback/HeldInput.h"
#include "platform/xkb/KeymapIndex.h"

namespace tess::wayland {
namespace {

// The key the German layout selects AltGr's level with.
xkb_keycode_t GermanLevel3Keycode() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{nullptr, nullptr, "de", nullptr, nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    const xkb_keycode_t keycode = xkb::KeymapIndex(keymap, 0).Level3Keycode();
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return keycode;
}

class KdeSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"WAYLAND_DISPLAY", "XKB_DEFAULT_LAYOUT"}) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        ASSERT_FALSE(kwin_.socket().empty());
        setenv("WAYLAND_DISPLAY", kwin_.socket().c_str(), 1);
        setenv("XKB_DEFAULT_LAYOUT", "de", 1);  // the compositor has no seat: the layout named here
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    }
    // The requests after the first `skip`, once `count` of them are in.
    std::vector<std::string> Requests(size_t skip, size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        auto all = kwin_.Requests();
        while (all.size() < skip + count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            all = kwin_.Requests();
        }
        return std::vector<std::string>(all.begin() + static_cast<long>(std::min(skip, all.size())), all.end());
    }

    testing::FakeKwin kwin_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(KdeSinkTest, PointsClicksAndKeysByKeyCodeAndSaysWhatItCannotType) {
    DesktopSink desktop = CreateDesktopSink(DesktopChoice::Auto);
    ASSERT_NE(desktop.sink, nullptr) << desktop.error;
    EXPECT_EQ(desktop.notice,
              "KDE Plasma takes only key codes from programs: characters the keyboard layout lacks cannot be "
              "typed");
    InputSink& sink = *desktop.sink;
    EXPECT_EQ(Requests(0, 1), std::vector<std::string>{"authenticate Tessaline 0003"});

    EXPECT_FALSE(sink.CursorPosKnown());
    sink.SetCursorPos(10, 20);
    sink.SetCursorPos(5000, -3);  // off the output: its nearest point
    sink.mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN, 10, 10, 0, 0);
    sink.mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP, 10, 10, 0, 0);
    sink.Flush();
    EXPECT_EQ(Requests(1, 4), (std::vector<std::string>{"motion 10 20", "motion 1023 0", "button 273 1",
                                                         "button 273 0"}));
    EXPECT_EQ(sink.GetCursorPos(), (ScreenPoint{5000, -3}));

    // 'a', then '@' on the German layout: Ctrl+Alt+Q, typed as AltGr+Q
    // alone (a bare Ctrl+Alt may switch layouts); 'é' has no key of its
    // own there: the dead acute, then e; 'ж' none at all.
    HeldInput held;
    ::testing::internal::CaptureStderr();
    WriteText("a@éжж", sink, held);
    sink.Flush();
    // Said once for the line, each character once.
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "wayland_sink_tests: KDE Plasma cannot type \"ж\": the keyboard layout lacks it\n");
    const std::string altGr = std::to_string(GermanLevel3Keycode() - 8);
    EXPECT_EQ(Requests(5, 10), (std::vector<std::string>{"key 30 1", "key 30 0", "key " + altGr + " 1",
                                                          "key 16 1", "key 16 0", "key " + altGr + " 0",
                                                          "key 13 1", "key 13 0", "key 18 1", "key 18 0"}));

    // What is held at the end is let go.
    sink.keybd_event(16, 0, 0, 0);
    sink.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    desktop.sink.reset();
    EXPECT_EQ(Requests(15, 4), (std::vector<std::string>{"key 42 1", "button 272 1", "key 42 0", "button 272 0"}));
}

}  // namespace
}  // namespace tess::wayland
