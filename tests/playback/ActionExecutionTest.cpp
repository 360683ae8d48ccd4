#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/recording/RecordingSink.h"
#include "playback/ActionExecution.h"
#include "script/LineFailure.h"

namespace tess {
namespace {

using Kind = SinkCall::Kind;

struct FakeEngine : EngineControl {
    std::vector<std::string> events;
    void StopLine() override { events.push_back("stop"); }
    void CycleLine(std::string_view line) override { events.push_back("cycle " + std::string(line)); }
    void CycleEndLine() override { events.push_back("cycleend"); }
    void IntervalLine(uint32_t ms) override { events.push_back("interval " + std::to_string(ms)); }
};

class PerformTest : public ::testing::Test {
protected:
    void Perform(std::string_view line) {
        ActionContext context{sink, held, random, engine, &owner};
        PerformActionLine(line, context);
    }
    // Key events as "16d 72u ..." for compact comparison.
    std::string Keys() const {
        std::string out;
        for (const auto& c : sink.calls) {
            if (c.kind == Kind::KeybdEvent) {
                out += (out.empty() ? "" : " ") + std::to_string(c.vk) + (c.flags == KEYEVENTF_KEYUP ? "u" : "d");
                EXPECT_EQ(c.scan, 0);
            } else if (c.kind == Kind::UnicodeChar) {
                out += (out.empty() ? "U+" : " U+") + std::to_string(static_cast<uint32_t>(c.ch));
            }
        }
        return out;
    }
    ScreenPoint CursorAfter(std::string_view line) {
        sink.calls.clear();
        Perform(line);
        EXPECT_EQ(sink.calls.size(), 1u) << line;
        return sink.cursor;
    }

    RecordingSink sink;
    HeldInput held;
    RangeGenerator random{[] { return 4242u; }};
    FakeEngine engine;
    int owner = 0;
};

TEST_F(PerformTest, CurPosReadsBothFields) {
    EXPECT_EQ(CursorAfter("CurPos 10,20"), (ScreenPoint{10, 20}));
    EXPECT_EQ(CursorAfter("CurPos 10, 20"), (ScreenPoint{10, 20}));
    EXPECT_EQ(CursorAfter("CurPos x=1 0,y=2 0"), (ScreenPoint{10, 20}));
    EXPECT_EQ(CursorAfter("CurPos 1,2,3"), (ScreenPoint{1, 23}));
    EXPECT_EQ(CursorAfter("CurPos -10,20"), (ScreenPoint{10, 20}));
    EXPECT_EQ(CursorAfter("CurPos 2147483647,0"), (ScreenPoint{2147483647, 0}));
}

TEST_F(PerformTest, CurPosFailuresSendNothing) {
    for (const char* bad : {"CurPos 10", "CurPos ,20", "CurPos 10,", "CurPos 5..10,1", "CurPos 1,[5]",
                            "CurPos 2147483648,1", "CurPos [1..5,3"}) {
        EXPECT_THROW(Perform(bad), LineFailure) << bad;
    }
    EXPECT_TRUE(sink.calls.empty());
}

TEST_F(PerformTest, CurPosRangesDrawEachCoordinate) {
    for (int i = 0; i < 500; ++i) {
        const ScreenPoint p = CursorAfter("CurPos [750..769],[181..172]");
        ASSERT_GE(p.x, 750);
        ASSERT_LE(p.x, 768);
        ASSERT_GE(p.y, 172);
        ASSERT_LE(p.y, 180);
    }
    int offDiagonal = 0;
    for (int i = 0; i < 50; ++i) {
        const ScreenPoint p = CursorAfter("CurPos [100..200],[100..200]");
        offDiagonal += p.x != p.y;
    }
    EXPECT_GT(offDiagonal, 40);
}

TEST_F(PerformTest, MouseButtons) {
    Perform("Click ");
    Perform("Click twice");
    Perform("ClickRight");
    Perform("MouseLDown ");
    Perform("MouseLUp ");
    Perform("MouseRDown ");
    Perform("MouseRUp ");
    const std::vector<uint32_t> expected = {0x8002, 0x8004, 0x8002, 0x8004, 0x8008, 0x8010,
                                            0x8002, 0x8004, 0x8008, 0x8010};
    ASSERT_EQ(sink.calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const SinkCall& c = sink.calls[i];
        EXPECT_EQ(c.kind, Kind::MouseEvent);
        EXPECT_EQ(c.flags, expected[i]);
        EXPECT_EQ(c.dx, 10);
        EXPECT_EQ(c.dy, 10);
        EXPECT_EQ(c.data, 0u);
        EXPECT_EQ(c.extraInfo, 0u);
    }
    EXPECT_TRUE(held.Empty());
}

TEST_F(PerformTest, LoadHandsTheParameterVerbatim) {
    Perform("Load  x.htm");
    Perform("Load ");
    Perform("Load");
    ASSERT_EQ(sink.calls.size(), 3u);
    EXPECT_EQ(sink.calls[0].text, " x.htm");
    EXPECT_EQ(sink.calls[0].operation, "open");
    EXPECT_EQ(sink.calls[0].showMode, SW_SHOWNORMAL);
    EXPECT_EQ(sink.calls[1].text, "");
    EXPECT_EQ(sink.calls[2].text, "");
}

TEST_F(PerformTest, KeyLinesSendTheKeyAloneWithoutShift) {
    Perform("KeyPress #13");
    Perform("KeyPress A");
    Perform("KeyDown #16");
    Perform("KeyUp #16");
    EXPECT_EQ(Keys(), "13d 13u 65d 65u 16d 16u");
    EXPECT_THROW(Perform("KeyPress"), LineFailure);
    EXPECT_THROW(Perform("KeyDown #x"), LineFailure);
    EXPECT_EQ(sink.calls.size(), 6u);
}

TEST_F(PerformTest, WriteTypesEachCharacterWithItsShiftState) {
    Perform("Write Hi");
    EXPECT_EQ(Keys(), "16d 72d 72u 16u 73d 73u");
    sink.calls.clear();
    Perform("Write  a!");
    EXPECT_EQ(Keys(), "32d 32u 65d 65u 16d 49d 49u 16u");
    sink.calls.clear();
    Perform("Write ab");
    EXPECT_EQ(Keys(), "65d 65u 66d 66u");
    sink.calls.clear();
    Perform("Write ");
    Perform("Write");
    EXPECT_TRUE(sink.calls.empty());
    EXPECT_TRUE(held.Empty());
}

// A modifier the scenario holds is neither pressed nor released by the
// text: the characters are typed with it held.
TEST_F(PerformTest, WriteLeavesModifiersTheScenarioHoldsAsTheyAre) {
    const struct {
        std::vector<std::string> lines;
        const char* keys;
    } cases[] = {
        {{"KeyDown #16", "Write A", "Write b", "KeyUp #16"}, "16d 65d 65u 66d 66u 16u"},
        {{"KeyDown #161", "Write Ab!", "KeyUp #161"}, "161d 65d 65u 66d 66u 49d 49u 161u"},
        {{"KeyDown #17", "Write A", "KeyUp #17"}, "17d 16d 65d 65u 16u 17u"},
        {{"KeyDown #164", "Write a", "KeyUp #164"}, "164d 65d 65u 164u"},
        {{"KeyDown #16", "KeyUp #16", "Write A"}, "16d 16u 16d 65d 65u 16u"},
    };
    for (const auto& c : cases) {
        sink.calls.clear();
        for (const auto& line : c.lines) Perform(line);
        EXPECT_EQ(Keys(), c.keys) << c.lines[1];
        EXPECT_TRUE(held.Empty());
    }
}

TEST_F(PerformTest, WriteSendsCharactersWithoutAKeyAsUnicode) {
    Perform("Write \xC3\xA9\xE2\x82\xAC" "a");
    EXPECT_EQ(Keys(), "U+233 U+8364 65d 65u");
    sink.calls.clear();
    Perform("Write \xE9");  // invalid UTF-8: the byte's Windows-1252 character
    EXPECT_EQ(Keys(), "U+233");
}

TEST_F(PerformTest, EngineCommands) {
    Perform("Stop");
    Perform("Stop now");
    Perform("Cycle 3");
    Perform("CycleEnd ");
    Perform("Interval 1.5");
    Perform("Interval 0");
    EXPECT_EQ(engine.events, (std::vector<std::string>{"stop", "stop", "cycle Cycle 3", "cycleend",
                                                        "interval 15", "interval 0"}));
    engine.events.clear();
    for (const char* bad : {"Interval ", "Interval 2147483648", "Interval 5..10", "Interval [..5]"}) {
        EXPECT_THROW(Perform(bad), LineFailure) << bad;
    }
    EXPECT_TRUE(engine.events.empty());
    for (int i = 0; i < 100; ++i) {
        Perform("Interval [100..200]");
        const int ms = std::stoi(engine.events.back().substr(9));
        ASSERT_GE(ms, 100);
        ASSERT_LE(ms, 199);
    }
}

TEST_F(PerformTest, UnmatchedWordsDoNothing) {
    for (const char* line : {"", " ", "click", "CURPOS 1,2", "CurPos10,20", " Click", "Stop\t", "Write\thi"}) {
        EXPECT_NO_THROW(Perform(line)) << line;
    }
    EXPECT_TRUE(sink.calls.empty());
    EXPECT_TRUE(engine.events.empty());
}

TEST_F(PerformTest, HostileLinesNeverCrash) {
    const std::string longDigits(100000, '7');
    const std::string brackets(100000, '[');
    const std::vector<std::string> lines = {
        std::string("Click\0 ", 7),
        std::string("CurPos 1\0,2", 11),
        "CurPos " + longDigits + "," + longDigits,
        "CurPos " + brackets + "," + brackets,
        "CurPos [1.." + std::string(100000, ']') + ",1",
        "Interval " + brackets + "1..2" + std::string(100000, ']'),
        "Cycle " + longDigits,
        "KeyPress #" + longDigits,
        "KeyPress #$" + std::string(100000, 'F'),
        "Load " + std::string(100000, 'x'),
        "Write " + std::string("\xFF\xFE\xC3", 3) + std::string(1000, '\x80'),
        std::string(100000, ' '),
        std::string(100000, '\0'),
    };
    for (const auto& line : lines) {
        try {
            Perform(line);
        } catch (const LineFailure&) {
        }
    }
    EXPECT_EQ(sink.cursor, (ScreenPoint{1, 2}));  // the NUL between 1 and the comma is skipped
    Perform("Write " + std::string(100000, 'a'));
    EXPECT_EQ(sink.calls.back().vk, 65);
}

}  // namespace
}  // namespace tess
