#include <gtest/gtest.h>

#include <string>

#include "script/ActionLine.h"
#include "script/RangeValue.h"

namespace tess {
namespace {

TEST(SplitActionLine, SeparatesWordAndParameterAtTheFirstBlank) {
    auto s = SplitActionLine("Load  x.htm");
    EXPECT_EQ(s.word, "Load");
    EXPECT_EQ(s.parameter, " x.htm");
    EXPECT_TRUE(s.hasBlank);

    s = SplitActionLine("Click");
    EXPECT_EQ(s.word, "Click");
    EXPECT_EQ(s.parameter, "");
    EXPECT_FALSE(s.hasBlank);

    s = SplitActionLine("Click ");
    EXPECT_EQ(s.word, "Click");
    EXPECT_EQ(s.parameter, "");
    EXPECT_TRUE(s.hasBlank);

    s = SplitActionLine(" Click");
    EXPECT_EQ(s.word, "");
    EXPECT_EQ(s.parameter, "Click");

    s = SplitActionLine("");
    EXPECT_EQ(s.word, "");
    EXPECT_FALSE(s.hasBlank);
}

TEST(MatchCommand, IsExactAndCaseSensitive) {
    const char* names[] = {"CurPos",   "Click",    "ClickRight", "MouseLDown", "MouseLUp", "MouseRDown",
                           "MouseRUp", "Load",     "Stop",       "Cycle",      "CycleEnd", "Interval",
                           "KeyPress", "KeyDown",  "KeyUp",      "Write"};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(MatchCommand(names[i]), static_cast<ActionCommand>(i)) << names[i];
        EXPECT_STREQ(CommandName(static_cast<ActionCommand>(i)), names[i]);
    }
    for (const char* word : {"click", "CURPOS", "CurPos10,20", "", "Stop\t"}) {
        EXPECT_EQ(MatchCommand(word), ActionCommand::None) << word;
    }
    EXPECT_EQ(MatchCommand(std::string("Click\0", 6)), ActionCommand::None);
}

std::string Scan(std::string_view line, bool ranges = true) {
    return ScanNumberField(line, 0, line.size(), ranges);
}

TEST(ScanNumberField, KeepsDigitsRangesAndDoubleStops) {
    EXPECT_EQ(Scan("1..5"), "1..5");
    EXPECT_EQ(Scan("1...5"), "1....5");
    EXPECT_EQ(Scan("Interval 1.5"), "15");
    EXPECT_EQ(Scan("x=1 0"), "10");
    EXPECT_EQ(Scan("-10"), "10");
    EXPECT_EQ(Scan("12[750..769]"), "[750..769]");
    EXPECT_EQ(Scan("[1..5]7]"), "[1..5]7]");
    // The first character of the line has nothing before it.
    EXPECT_EQ(Scan(".5"), "5");
    // The character before a span's first character still counts.
    EXPECT_EQ(ScanNumberField("a..5", 2, 4, true), "..5");
    EXPECT_EQ(ScanNumberField("12,34", 3, 99, true), "34");
}

TEST(ScanNumberField, CycleCountsKeepDigitsOnly) {
    EXPECT_EQ(Scan("Cycle [2..5]", false), "25");
    EXPECT_EQ(Scan("Cycle 1 0", false), "10");
    EXPECT_EQ(Scan("Cycle ", false), "");
}

TEST(EvaluateNumberField, PlainNumbers) {
    RangeGenerator random([] { return 0u; });
    EXPECT_EQ(EvaluateNumberField("007", random), 7);
    EXPECT_EQ(EvaluateNumberField("2147483647", random), 2147483647);
    for (const char* bad : {"", "2147483648", "5..10", "5]", "99999999999999999999999"}) {
        EXPECT_THROW(EvaluateNumberField(bad, random), LineFailure) << bad;
    }
    EXPECT_EQ(EvaluateNumberField("[5..5]", random), 5);
}

TEST(EvaluateNumberField, HugeDigitRunsFailWithoutOverflow) {
    RangeGenerator random([] { return 0u; });
    EXPECT_THROW(EvaluateNumberField(std::string(100000, '9'), random), LineFailure);
    EXPECT_EQ(EvaluateNumberField(std::string(100000, '0') + "42", random), 42);
}

}  // namespace
}  // namespace tess
