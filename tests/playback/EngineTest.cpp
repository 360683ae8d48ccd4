#include <algorithm>
#include <functional>

#include "EngineFixture.h"
#include "playback/ActionExecution.h"

namespace tess {
namespace {

TEST_F(EngineTest, RunPauseAndStopSwitchTheHost) {
    Load({"CurPos 1,1", "CurPos 2,2", "CurPos 3,3"});
    RunFrom(2);
    EXPECT_EQ(engine.CurrentLine(), 1);
    EXPECT_TRUE(host.TimerEnabled());
    EXPECT_TRUE(host.pauseShown);
    EXPECT_EQ(host.stateText, " Run");
    EXPECT_FALSE(host.listEnabled);
    EXPECT_FALSE(host.newScenarioEnabled);

    engine.Timer1Timer();
    EXPECT_EQ(Marks(), std::vector<int>{2});
    engine.Pause1Click();
    EXPECT_FALSE(host.TimerEnabled());
    EXPECT_FALSE(host.pauseShown);
    EXPECT_EQ(host.stateText, " Pause");
    EXPECT_TRUE(host.listEnabled);
    EXPECT_TRUE(host.newScenarioEnabled);
    EXPECT_EQ(engine.CurrentLine(), 2);

    // Run after Pause performs the last performed line again.
    engine.Play1Click();
    engine.Timer1Timer();
    EXPECT_EQ(Marks(), (std::vector<int>{2, 2}));

    engine.Stop1Click();
    EXPECT_EQ(host.stateText, " Stop");
    EXPECT_FALSE(host.TimerEnabled());
    EXPECT_EQ(engine.CurrentLine(), 0);
    EXPECT_EQ(host.CaretLine(), 0);
    EXPECT_TRUE(host.IsSelected(0));
    EXPECT_FALSE(host.IsSelected(1));
}

TEST_F(EngineTest, RunWhileRunningKeepsTheCountdown) {
    Load({"Click "});
    RunFrom(1);
    const uint64_t restarts = host.CountdownRestarts();
    engine.Play1Click();
    EXPECT_EQ(host.CountdownRestarts(), restarts);
}

TEST_F(EngineTest, RepeatPausesOneTickBetweenPasses) {
    Load({"CurPos 1,0", "CurPos 2,0", "CurPos 3,0", "CurPos 4,0"});
    host.repeat = true;
    RunFrom(1);
    for (int i = 0; i < 6; ++i) engine.Timer1Timer();
    EXPECT_EQ(Marks(), (std::vector<int>{1, 2, 3, 4, 1}));
    EXPECT_TRUE(host.TimerEnabled());
}

TEST_F(EngineTest, EndOfListStopsAfterTheLastLine) {
    Load({"CurPos 1,0", "KeyDown #16"});
    RunFrom(1);
    EXPECT_EQ(TickUntilIdle(), 3);
    EXPECT_EQ(host.stateText, " Stop");
    EXPECT_EQ(engine.CurrentLine(), 0);
    EXPECT_TRUE(host.IsSelected(0));
    EXPECT_FALSE(host.IsSelected(1));
    // The held Shift is released before the end is reported, numbered with
    // the line at which the stop began.
    ASSERT_EQ(sink.calls.size(), 3u);
    EXPECT_EQ(sink.calls[2].vk, 16);
    EXPECT_EQ(sink.calls[2].flags, KEYEVENTF_KEYUP);
    EXPECT_EQ(log.events, std::vector<std::string>{"3 end @3"});
}

TEST_F(EngineTest, FirstTickLeavesOnlyTheFirstLineHighlighted) {
    Load({"", "", "", ""});
    host.SetSelected(2, true);
    host.SetSelected(3, true);
    RunFrom(1);
    engine.Timer1Timer();
    EXPECT_EQ(host.SelectedCount(), 1);
    EXPECT_TRUE(host.IsSelected(0));
    engine.Timer1Timer();
    EXPECT_EQ(host.SelectedCount(), 1);
    EXPECT_TRUE(host.IsSelected(1));
    EXPECT_EQ(host.CaretLine(), 1);
}

TEST_F(EngineTest, StopLineStopsAndReportsItsLine) {
    Load({"MouseLDown ", "KeyDown #17", "Stop", "CurPos 9,9"});
    RunFrom(1);
    EXPECT_EQ(TickUntilIdle(), 3);
    EXPECT_TRUE(Marks().empty());
    ASSERT_EQ(sink.calls.size(), 4u);
    // Released in reverse order of pressing, before the stop is reported.
    EXPECT_EQ(sink.calls[2].vk, 17);
    EXPECT_EQ(sink.calls[3].flags, 0x8004u);
    EXPECT_EQ(log.events, std::vector<std::string>{"3 stop @4"});
    EXPECT_EQ(host.stateText, " Stop");
}

TEST_F(EngineTest, FailingLineWithStepOverGoesOn) {
    Load({"", "", "", "", "", "", "CurPos 10", "CurPos 8,0"});
    RunFrom(1);
    for (int i = 0; i < 7; ++i) engine.Timer1Timer();
    EXPECT_EQ(host.stateText, " Line 7. Error");
    EXPECT_TRUE(host.TimerEnabled());
    engine.Timer1Timer();
    EXPECT_EQ(Marks(), std::vector<int>{8});
    EXPECT_EQ(host.stateText, " Line 7. Error");
    EXPECT_EQ(log.events, std::vector<std::string>{"7 error @0"});
}

TEST_F(EngineTest, FailingLineWithoutStepOverHaltsInTheRunningLook) {
    Load({"KeyDown #16", "CurPos 1,", "CurPos 3,0"});
    host.stepOverErrors = false;
    RunFrom(1);
    EXPECT_EQ(TickUntilIdle(), 2);
    EXPECT_EQ(host.stateText, " Line 2. Error");
    EXPECT_FALSE(host.TimerEnabled());
    EXPECT_TRUE(host.pauseShown);
    EXPECT_FALSE(host.listEnabled);
    EXPECT_FALSE(host.newScenarioEnabled);
    EXPECT_EQ(engine.CurrentLine(), 2);
    // An error halt releases nothing: the run may go on.
    EXPECT_TRUE(engine.HoldsInput());
    EXPECT_EQ(sink.calls.size(), 1u);
    engine.Play1Click();
    engine.Timer1Timer();
    EXPECT_EQ(host.stateText, " Line 2. Error");
}

TEST_F(EngineTest, IntervalLinesSetThePace) {
    Load({"Interval 250", "Interval 250", "Interval 0", "Interval x"});
    RunFrom(1);
    const uint64_t start = host.CountdownRestarts();
    engine.Timer1Timer();
    EXPECT_EQ(host.TimerInterval(), 250u);
    EXPECT_EQ(host.CountdownRestarts(), start + 1);
    engine.Timer1Timer();  // unchanged value: the countdown runs on
    EXPECT_EQ(host.CountdownRestarts(), start + 1);
    engine.Timer1Timer();  // 0 would leave a running look without ticks
    EXPECT_EQ(host.TimerInterval(), 1u);
    EXPECT_TRUE(host.TimerTicks());
    engine.Timer1Timer();  // a failing field leaves the interval
    EXPECT_EQ(host.TimerInterval(), 1u);
    EXPECT_EQ(log.events, (std::vector<std::string>{"1 interval 250 @0", "2 interval 250 @0",
                                                    "3 interval 1 @0", "4 error @0"}));
    // The interval survives Stop and Run.
    engine.Stop1Click();
    engine.Play1Click();
    EXPECT_EQ(host.TimerInterval(), 1u);
}

TEST_F(EngineTest, EmptyListWithRepeatNeverStops) {
    host.repeat = true;
    RunFrom(1);
    for (int i = 0; i < 5; ++i) {
        engine.Timer1Timer();
        EXPECT_EQ(engine.CurrentLine(), 0);
    }
    EXPECT_TRUE(host.TimerEnabled());
    EXPECT_TRUE(log.events.empty());
}

TEST_F(EngineTest, EmptyListWithoutRepeatStopsAndKeepsCurrentLine) {
    RunFrom(1);
    engine.Timer1Timer();
    EXPECT_EQ(host.stateText, " Stop");
    EXPECT_EQ(engine.CurrentLine(), 1);
    EXPECT_EQ(log.events, std::vector<std::string>{"1 end @0"});
}

TEST_F(EngineTest, LinesChangedBetweenTicksTakeEffect) {
    Load({"CurPos 1,0", "CurPos 2,0"});
    RunFrom(1);
    engine.Timer1Timer();
    Load({"CurPos 1,0", "CurPos 5,0", "CurPos 6,0"});
    EXPECT_EQ(TickUntilIdle(), 3);
    EXPECT_EQ(Marks(), (std::vector<int>{1, 5, 6}));
}

TEST_F(EngineTest, ErrorsOfTheHostAreHandledInsideTheTick) {
    struct ThrowingHost : MemoryHost {
        using MemoryHost::MemoryHost;
        std::string LineText(int) const override { throw std::runtime_error("gone"); }
    } failing({"Click "});
    PlaybackEngine other(failing, sink, random);
    other.Play1Click();
    EXPECT_NO_THROW(other.Timer1Timer());
    EXPECT_EQ(failing.stateText, " Line 1. Error");
}

// A long Write is one line typed in slices of a few milliseconds; between
// slices every way of ending playback takes effect: the rest is not typed,
// nothing stays held and the next line does not run.
TEST_F(EngineTest, LongWriteEndsBetweenSlices) {
    int64_t now = 0;
    engine.SetClock([&] { return now += 100'000; });  // 0.1 ms per reading
    const std::string text(100000, 'A');               // Shift+A each
    const struct Case {
        const char* name;
        std::function<void()> end;
        const char* state;
    } cases[] = {
        {"Stop command", [&] { engine.Stop1Click(); }, " Stop"},
        {"stop key (the Stop item)", [&] { host.ClickStop(); }, " Stop"},
        {"Pause", [&] { engine.Pause1Click(); }, " Pause"},
        {"Run again", [&] { engine.Play1Click(); }, " Run"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sink.calls.clear();
        Load({"Write " + text, "CurPos 5,5"});
        RunFrom(1);
        const uint64_t asked = host.continueRequests;
        engine.Timer1Timer();
        EXPECT_TRUE(engine.LineUnderWay());
        EXPECT_EQ(host.continueRequests, asked + 1);
        // The characters are mapped to their keys first, then typed.
        for (int turn = 0; sink.calls.empty() && turn < 1000000; ++turn) engine.ContinueLine();
        const std::size_t typed = sink.calls.size();
        EXPECT_GT(typed, 0u);
        EXPECT_LT(typed, 200u);
        c.end();
        EXPECT_FALSE(engine.LineUnderWay());
        EXPECT_FALSE(engine.HoldsInput());
        engine.ContinueLine();  // the continuation asked for before the end
        EXPECT_EQ(sink.calls.size(), typed);
        EXPECT_EQ(host.stateText, c.state);
        EXPECT_TRUE(Marks().empty());
    }
}

TEST_F(EngineTest, LongWriteGoesOnOverContinuationsAndTicksThenTheNextLineRuns) {
    int64_t now = 0;
    engine.SetClock([&] { return now += 1'000'000; });
    Load({"Write " + std::string(1000, 'a'), "CurPos 5,5"});
    RunFrom(1);
    int turns = 0;
    engine.Timer1Timer();
    while (engine.LineUnderWay() && turns < 10000) {
        // Ticks that come meanwhile continue the line, not the next one.
        ++turns % 2 ? engine.ContinueLine() : engine.Timer1Timer();
    }
    EXPECT_GT(turns, 10);
    EXPECT_EQ(sink.calls.size(), 2000u);
    EXPECT_TRUE(Marks().empty());
    engine.Timer1Timer();
    EXPECT_EQ(Marks(), std::vector<int>{5});
}

// Load lines start at most a few handlers in any second; the rest are
// dropped and said so once per run.
TEST_F(EngineTest, LoadLinesAreBoundedPerSecond) {
    int64_t now = 0;
    engine.SetClock([&] { return now; });
    Load({"Cycle ", "Load x", "CycleEnd "});
    RunFrom(1);
    const auto shellCalls = [&] {
        return std::count_if(sink.calls.begin(), sink.calls.end(),
                             [](const SinkCall& c) { return c.kind == SinkCall::Kind::ShellExecute; });
    };
    for (int i = 0; i < 3000; ++i) {
        engine.Timer1Timer();
        now += 1'000'000;  // 1 ms a tick: 1000 Loads over 3 s
    }
    EXPECT_EQ(shellCalls(), 3 * LoadLimit::kPerSecond);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_NE(host.notices[0].find("Load"), std::string::npos);
    engine.Stop1Click();
    RunFrom(1);
    for (int i = 0; i < 60; ++i) engine.Timer1Timer();
    EXPECT_EQ(host.notices.size(), 2u);
}

}  // namespace
}  // namespace tess
