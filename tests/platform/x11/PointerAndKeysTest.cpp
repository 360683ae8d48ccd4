// What the server receives from the sink: pointer moves, button and key
// events, and nothing left held at the end.
#include <X11/keysym.h>
#include <poll.h>

#include <functional>

#include "SinkFixture.h"
#include <X11/extensions/XTest.h>
#include "platform/PointerWatch.h"

namespace tess::x11::testing {
namespace {

using PointerTest = SinkTest;

TEST_F(PointerTest, MovesThePointerAndReadsItBack) {
    sink->SetCursorPos(118, 141);
    sink->Flush();
    int x = 0, y = 0;
    client->Pointer(x, y);
    EXPECT_EQ(x, 118);
    EXPECT_EQ(y, 141);
    EXPECT_EQ(sink->GetCursorPos(), (ScreenPoint{118, 141}));

    // Off every screen: the server keeps the pointer at the nearest edge.
    sink->SetCursorPos(-50, 5000);
    sink->Flush();
    EXPECT_EQ(sink->GetCursorPos(), (ScreenPoint{0, 767}));
    // Beyond what the protocol can carry the point still goes to the edge
    // and is not wrapped round onto the screen (65636 would wrap to 100).
    sink->SetCursorPos(65636, -65436);
    sink->Flush();
    EXPECT_EQ(sink->GetCursorPos(), (ScreenPoint{1023, 0}));
}

// Screen points count from the primary monitor's corner, also for a
// monitor made with `xrandr --setmonitor`, and follow its changes.
TEST_F(PointerTest, PointsCountFromThePrimaryMonitor) {
    const struct {
        std::vector<std::string> xrandr;
        int x, y;  // where (10, 20) lands
    } cases[] = {
        {{"xrandr", "--setmonitor", "*right", "512/135x384/100+512+300", "none"}, 522, 320},
        {{"xrandr", "--setmonitor", "left", "512/135x768/203+0+0", "none"}, 522, 320},
        {{"xrandr", "--delmonitor", "right"}, 10, 20},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(server.Run(c.xrandr), 0) << c.xrandr[1];
        sink->Flush();
        sink->SetCursorPos(10, 20);
        sink->Flush();
        int x = 0, y = 0;
        client->Pointer(x, y);
        EXPECT_EQ(x, c.x) << c.xrandr[2];
        EXPECT_EQ(y, c.y) << c.xrandr[2];
        EXPECT_EQ(sink->GetCursorPos(), (ScreenPoint{10, 20})) << c.xrandr[2];
    }
}

// The cursor tracking waits for motion: the pointer moved by playback and
// by another client's device both wake it, whatever window is under it.
TEST_F(PointerTest, PointerWatchReportsMotionFromEverySource) {
    std::unique_ptr<PointerWatch> watch = CreatePointerWatch(*sink);
    ASSERT_TRUE(watch);
    const struct {
        const char* what;
        std::function<void()> move;
    } cases[] = {
        {"playback's move", [&] { sink->SetCursorPos(200, 100); sink->Flush(); }},
        {"another client's device, over its window", [&] {
             XTestFakeMotionEvent(client->display(), 0, 40, 50, CurrentTime);
             XSync(client->display(), False);
         }},
    };
    for (const auto& c : cases) {
        watch->TakeMotion();
        c.move();
        pollfd ready{watch->WaitHandle(), POLLIN, 0};
        // Waits for the event itself, not for a time: 10 s only bounds a failure.
        bool moved = false;
        for (int i = 0; i < 100 && !moved; ++i) {
            moved = watch->TakeMotion();
            if (!moved) ::poll(&ready, 1, 100);
        }
        EXPECT_TRUE(moved) << c.what;
    }
    EXPECT_FALSE(watch->TakeMotion());  // nothing more without motion
}

TEST_F(PointerTest, ButtonsActWhereThePointerIsWithoutMoving) {
    sink->SetCursorPos(300, 200);
    sink->mouse_event(0x8002, 10, 10, 0, 0);
    sink->mouse_event(0x8004, 10, 10, 0, 0);
    sink->mouse_event(0x8008, 10, 10, 0, 0);
    sink->mouse_event(0x8010, 10, 10, 0, 0);
    sink->Flush();
    const auto seen = client->Collect();
    ASSERT_EQ(seen.size(), 4u);
    const int types[] = {ButtonPress, ButtonRelease, ButtonPress, ButtonRelease};
    const unsigned buttons[] = {1, 1, 3, 3};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(seen[i].type, types[i]) << i;
        EXPECT_EQ(seen[i].detail, buttons[i]) << i;
        EXPECT_EQ(seen[i].x, 300) << i;
        EXPECT_EQ(seen[i].y, 200) << i;
    }
    EXPECT_FALSE(client->AnythingHeld());
}

using KeyTest = SinkTest;

TEST_F(KeyTest, VirtualKeysBecomeTheLayoutsKeys) {
    struct Case {
        uint8_t vk;
        KeySym expected;
    } cases[] = {
        {'A', XK_a},          {'Z', XK_z},        {'0', XK_0},        {'7', XK_7},
        {8, XK_BackSpace},    {9, XK_Tab},        {13, XK_Return},    {27, XK_Escape},
        {32, XK_space},       {33, XK_Prior},     {36, XK_Home},      {40, XK_Down},
        {46, XK_Delete},      {112, XK_F1},       {123, XK_F12},      {186, XK_semicolon},
        {187, XK_equal},      {188, XK_comma},    {189, XK_minus},    {190, XK_period},
        {191, XK_slash},      {192, XK_grave},    {219, XK_bracketleft},
        {220, XK_backslash},  {221, XK_bracketright},                 {222, XK_apostrophe},
        {106, XK_KP_Multiply}, {111, XK_KP_Divide},
    };
    for (const auto& c : cases) Stroke(c.vk);
    sink->Flush();
    const auto seen = client->Collect();
    ASSERT_EQ(seen.size(), 2 * std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(seen[2 * i].type, KeyPress) << int(cases[i].vk);
        EXPECT_EQ(seen[2 * i].keysym, cases[i].expected) << int(cases[i].vk);
        EXPECT_EQ(seen[2 * i + 1].type, KeyRelease) << int(cases[i].vk);
    }
}

TEST_F(KeyTest, ModifiersHeldOverOtherKeysAndCodesWithoutKeys) {
    Press(16);  // Shift, held as 'KeyDown #16' holds it
    Stroke('A');
    Stroke('1');
    Release(16);
    Stroke('A');
    // No key on this keyboard: nothing is sent.
    Stroke(0);
    Stroke(7);
    Stroke(255);
    sink->Flush();
    const auto seen = client->Collect();
    EXPECT_EQ(WatchingClient::Typed(seen), "A!a");
    EXPECT_EQ(seen.size(), 8u);
}

TEST_F(KeyTest, NothingStaysDownWhenTheSinkEnds) {
    Press(16);
    Press('Q');
    Press(17);
    sink->mouse_event(0x8002, 10, 10, 0, 0);
    sink->mouse_event(0x8008, 10, 10, 0, 0);
    sink->Flush();
    EXPECT_TRUE(client->AnythingHeld());
    sink->ReleaseAll();
    EXPECT_FALSE(client->AnythingHeld());

    Press('W');
    sink->mouse_event(0x8002, 10, 10, 0, 0);
    sink->Flush();
    sink.reset();
    EXPECT_FALSE(client->AnythingHeld());
}

}  // namespace
}  // namespace tess::x11::testing
