#include <gtest/gtest.h>

#include "platform/recording/RecordingSink.h"
#include "playback/HeldInput.h"
#include "EngineFixture.h"

namespace tess {
namespace {

TEST(HeldInput, ReleasesInReverseOrderOnce) {
    RecordingSink sink;
    HeldInput held;
    held.Key(sink, 16, false);
    held.Mouse(sink, 0x8008);
    held.Key(sink, 65, false);
    held.Key(sink, 65, false);  // auto-repeat: still one held key
    held.Mouse(sink, 0x8002);
    held.Mouse(sink, 0x8004);  // released by the scenario itself
    sink.calls.clear();
    held.ReleaseAll(sink);
    ASSERT_EQ(sink.calls.size(), 3u);
    EXPECT_EQ(sink.calls[0].vk, 65);
    EXPECT_EQ(sink.calls[0].flags, KEYEVENTF_KEYUP);
    EXPECT_EQ(sink.calls[1].kind, SinkCall::Kind::MouseEvent);
    EXPECT_EQ(sink.calls[1].flags, 0x8010u);
    EXPECT_EQ(sink.calls[1].dx, 10);
    EXPECT_EQ(sink.calls[2].vk, 16);
    EXPECT_TRUE(held.Empty());
    held.ReleaseAll(sink);
    EXPECT_EQ(sink.calls.size(), 3u);
}

TEST_F(EngineTest, EveryStopReleasesPauseDoesNot) {
    Load({"KeyDown #16", "MouseRDown ", "Write a", ""});
    RunFrom(1);
    for (int i = 0; i < 3; ++i) engine.Timer1Timer();
    engine.Pause1Click();
    EXPECT_TRUE(engine.HoldsInput());
    const std::size_t before = sink.calls.size();
    engine.Stop1Click();
    ASSERT_EQ(sink.calls.size(), before + 2);
    EXPECT_EQ(sink.calls[before].flags, 0x8010u);
    EXPECT_EQ(sink.calls[before + 1].vk, 16);
    EXPECT_FALSE(engine.HoldsInput());
}

TEST_F(EngineTest, KeysReleasedByTheScenarioAreNotReleasedAgain) {
    Load({"KeyDown #16", "Write A", "KeyDown #17", "KeyUp #17", "Stop"});
    RunFrom(1);
    TickUntilIdle();
    // Write leaves the held Shift alone; Ctrl, released by the scenario, is
    // not released again; the stop releases Shift once.
    for (const auto& c : sink.calls) EXPECT_EQ(c.kind, SinkCall::Kind::KeybdEvent);
    ASSERT_EQ(sink.calls.size(), 6u);
    EXPECT_EQ(sink.calls[5].vk, 16);
    EXPECT_EQ(sink.calls[5].flags, KEYEVENTF_KEYUP);
    EXPECT_FALSE(engine.HoldsInput());
}

TEST_F(EngineTest, ReleaseHeldAtTheEndOfTheProgram) {
    Load({"MouseLDown ", "KeyDown #18", ""});
    RunFrom(1);
    engine.Timer1Timer();
    engine.Timer1Timer();
    engine.ReleaseHeld();
    ASSERT_EQ(sink.calls.size(), 4u);
    EXPECT_EQ(sink.calls[2].vk, 18);
    EXPECT_EQ(sink.calls[3].flags, 0x8004u);
}

}  // namespace
}  // namespace tess
