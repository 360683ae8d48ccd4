// The playback timer's pace, driven by a clock the test sets.
#include <gtest/gtest.h>

#include <algorithm>

#include "WindowTestSupport.h"
#include "app/PlaybackTimer.h"

using namespace tess;

namespace {

constexpr int64_t kMs = 1'000'000;

struct TimerTest : ::testing::Test {
    TimerTest() { test::App(); }
    int64_t now = 1000 * kMs;
    int ticks = 0;
    std::function<void()> onTick = [this] { ++ticks; };
    PlaybackTimer timer{[this] { onTick(); }, nullptr, [this] { return now; }};
};

TEST_F(TimerTest, StartsDisabledAtOneSecond) {
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.OnTimeout();
    EXPECT_EQ(ticks, 0);
}

TEST_F(TimerTest, DeadlinesFollowThePreviousDeadlineNotTheFiring) {
    timer.SetInterval(1);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.NextDeadline(), now + kMs);
    now += kMs - 1;
    timer.OnTimeout();  // early: re-armed, no tick
    EXPECT_EQ(ticks, 0);
    const int64_t start = timer.NextDeadline();
    // Each firing comes 0.4 ms late; the schedule does not drift.
    for (int i = 0; i < 1000; ++i) {
        now = start + int64_t(i) * kMs + 4 * kMs / 10;
        timer.OnTimeout();
    }
    EXPECT_EQ(ticks, 1000);
    EXPECT_EQ(timer.NextDeadline(), start + 1000 * kMs);
    EXPECT_TRUE(timer.Armed());
}

TEST_F(TimerTest, CatchesUpShortDelaysButNotLongStalls) {
    timer.SetInterval(1);
    timer.SetEnabled(true);
    const int64_t start = timer.NextDeadline();
    now += 5 * kMs;  // 5 ms late: the overdue ticks follow half an interval apart
    int64_t previous = 0;
    for (int i = 0; i < 20; ++i) {
        now = std::max(now, timer.NextDeadline());
        if (i > 0) {
            EXPECT_GE(now - previous, kMs / 2) << "tick " << i;
        }
        previous = now;
        timer.OnTimeout();
    }
    EXPECT_EQ(ticks, 20);
    EXPECT_EQ(timer.NextDeadline(), start + 20 * kMs);  // back on the schedule
    now += 10'000 * kMs;  // a long stall: one tick, then a fresh countdown
    timer.OnTimeout();
    EXPECT_EQ(ticks, 21);
    EXPECT_EQ(timer.NextDeadline(), now + kMs);
}

TEST_F(TimerTest, UnchangedAssignmentsKeepTheCountdownChangesRestartIt) {
    timer.SetEnabled(true);
    int64_t due = timer.NextDeadline();
    now += 300 * kMs;
    timer.SetEnabled(true);
    timer.SetInterval(1000);
    EXPECT_EQ(timer.NextDeadline(), due);
    timer.SetInterval(500);
    EXPECT_EQ(timer.NextDeadline(), now + 500 * kMs);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Armed());
    now += 200 * kMs;
    timer.SetEnabled(true);
    EXPECT_EQ(timer.NextDeadline(), now + 500 * kMs);
}

TEST_F(TimerTest, TickThatChangesTheTimerWins) {
    timer.SetInterval(10);
    timer.SetEnabled(true);
    onTick = [this] {
        ++ticks;
        timer.SetInterval(1000);  // an "Interval" line
    };
    now += 10 * kMs;
    timer.OnTimeout();
    EXPECT_EQ(timer.NextDeadline(), now + 1000 * kMs);
    onTick = [this] { timer.SetEnabled(false); };  // a "Stop" line
    now += 1000 * kMs;
    timer.OnTimeout();
    EXPECT_FALSE(timer.Armed());
}

TEST_F(TimerTest, IntervalZeroRunsAtTheShortestPace) {
    timer.SetInterval(0);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.Interval(), 0u);
    EXPECT_EQ(timer.NextDeadline(), now + kMs);
    now += kMs;
    timer.OnTimeout();
    EXPECT_EQ(ticks, 1);
}

}  // namespace
