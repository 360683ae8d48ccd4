#include "EngineFixture.h"

namespace tess {
namespace {

TEST_F(EngineTest, CycleRepeatsItsBlock) {
    Load({"Cycle 3", "CurPos 1,0", "CycleEnd ", "CurPos 9,0"});
    RunFrom(1);
    TickUntilIdle();
    EXPECT_EQ(Marks(), (std::vector<int>{1, 1, 1, 9}));
    EXPECT_FALSE(engine.Cycle().CycleActive);
}

TEST_F(EngineTest, CycleZeroOrOnePerformsTheBlockOnce) {
    for (const char* head : {"Cycle 0", "Cycle 1", "Cycle -1"}) {
        sink.calls.clear();
        Load({head, "CurPos 1,0", "CycleEnd "});
        RunFrom(1);
        TickUntilIdle();
        EXPECT_EQ(Marks(), std::vector<int>{1}) << head;
    }
}

TEST_F(EngineTest, CycleWithoutCountRepeatsUntilStopped) {
    Load({"Cycle ", "CurPos 1,0", "CycleEnd "});
    RunFrom(1);
    EXPECT_EQ(TickUntilIdle(301), 301);
    EXPECT_EQ(engine.Cycle().CycleLimit, 2147483647);
    EXPECT_EQ(engine.Cycle().CyclePass, 151);
}

TEST_F(EngineTest, CycleEndKeepsItsHighlightWhileTheBlockRepeats) {
    Load({"Cycle 2", "", "CycleEnd ", ""});
    RunFrom(1);
    for (int i = 0; i < 4; ++i) engine.Timer1Timer();  // Cycle, 2, CycleEnd, 2 again
    EXPECT_TRUE(host.IsSelected(1));
    EXPECT_TRUE(host.IsSelected(2));
    EXPECT_EQ(host.SelectedCount(), 2);
}

TEST_F(EngineTest, BadCountFailsAfterTheFirstThreeUpdates) {
    Load({"Cycle 5", "Cycle 99999999999", ""});
    RunFrom(1);
    for (int i = 0; i < 2; ++i) engine.Timer1Timer();
    EXPECT_EQ(host.stateText, " Line 2. Error");
    const CycleState& c = engine.Cycle();
    EXPECT_TRUE(c.CycleActive);
    EXPECT_EQ(c.CycleStartLine, 2);
    EXPECT_EQ(c.CyclePass, 1);
    EXPECT_EQ(c.CycleLimit, 5);
}

TEST_F(EngineTest, NestedCycleEndsTheOuterBlockEarly) {
    Load({"Cycle 3", "CurPos 1,0", "Cycle 2", "CurPos 2,0", "CycleEnd ", "CycleEnd ", "CurPos 9,0"});
    RunFrom(1);
    TickUntilIdle();
    EXPECT_EQ(Marks(), (std::vector<int>{1, 2, 2, 9}));
}

TEST_F(EngineTest, CycleStateSurvivesStop) {
    Load({"Cycle 3", "CurPos 1,0", "CurPos 2,0", "CycleEnd ", "CurPos 9,0"});
    RunFrom(1);
    for (int i = 0; i < 3; ++i) engine.Timer1Timer();
    engine.Stop1Click();
    EXPECT_TRUE(engine.Cycle().CycleActive);
    // Run from inside the block: CycleEnd jumps back with the old state,
    // which has two passes left.
    sink.calls.clear();
    RunFrom(3);
    TickUntilIdle();
    EXPECT_EQ(Marks(), (std::vector<int>{2, 1, 2, 1, 2, 9}));
    // A Run from line 1 passes the Cycle line, which resets the state.
    sink.calls.clear();
    RunFrom(1);
    TickUntilIdle();
    EXPECT_EQ(Marks(), (std::vector<int>{1, 2, 1, 2, 1, 2, 9}));
}

TEST_F(EngineTest, CycleEndIgnoresAJumpPastAShortenedList) {
    Load({"", "", "Cycle 3", "CurPos 1,0", "CycleEnd ", "CurPos 2,0"});
    RunFrom(1);
    for (int i = 0; i < 4; ++i) engine.Timer1Timer();
    host.SetLines({"CurPos 7,0", "CurPos 8,0", "", "", "CycleEnd ", "CurPos 9,0"});
    engine.Timer1Timer();  // jumps back to line 3
    host.SetLines({"CurPos 7,0", "CurPos 8,0"});
    TickUntilIdle();
    EXPECT_EQ(host.stateText, " Stop");
}

}  // namespace
}  // namespace tess
