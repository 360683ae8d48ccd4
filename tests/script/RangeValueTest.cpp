#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "script/LineFailure.h"
#include "script/RangeValue.h"

namespace tess {
namespace {

struct CountingClock {
    uint32_t ms;
    int* reads;
    uint32_t operator()() const {
        ++*reads;
        return ms;
    }
};

TEST(RangeGenerator, KnownFirstDrawFromTheClock) {
    int reads = 0;
    RangeGenerator random(CountingClock{1000, &reads});  // 00:00:01.000 UTC
    EXPECT_EQ(ParseRangeValue("[0..100]", random), 37);
}

TEST(RangeGenerator, SeedsOnceAndAdvancesOnEveryDraw) {
    int reads = 0;
    RangeGenerator random(CountingClock{0, &reads});
    // At midnight the state after the first step is 1: the lower bound.
    EXPECT_EQ(random.Draw(100, 200), 100);
    // The next draw continues from that state instead of reseeding, so the
    // two coordinates of one line do not land on the diagonal.
    const uint32_t state2 = 1u * 134775813u + 1u;
    EXPECT_EQ(random.Draw(100, 200), 100 + static_cast<int32_t>((100ull * state2) >> 32));
    EXPECT_NE(random.Draw(100, 200), random.Draw(100, 200));
    EXPECT_EQ(reads, 1);
}

TEST(RangeGenerator, ResultIsHalfOpenAndBoundsSwap) {
    RangeGenerator random([] { return 12345678u; });
    int32_t low = INT32_MAX, high = INT32_MIN;
    for (int i = 0; i < 5000; ++i) {
        const int32_t v = ParseRangeValue("[181..172]", random);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_EQ(low, 172);
    EXPECT_EQ(high, 180);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(ParseRangeValue("[5..5]", random), 5);
        EXPECT_EQ(ParseRangeValue("[0..1]", random), 0);
    }
}

TEST(RangeGenerator, ExtremeBoundsStayInRange) {
    RangeGenerator random([] { return 86399999u; });
    for (int i = 0; i < 1000; ++i) {
        const int32_t v = random.Draw(0, 2147483647);
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 2147483647);
        EXPECT_EQ(random.Draw(2147483647, 2147483647), 2147483647);
    }
    EXPECT_NO_THROW(ParseRangeValue("[0..2147483647]", random));
}

TEST(ParseRangeValue, ReadsTheUpperBoundAgainAtEachBracket) {
    RangeGenerator random([] { return 777u; });
    int32_t high = 0;
    for (int i = 0; i < 2000; ++i) {
        const int32_t v = ParseRangeValue("[1..5]7]", random);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 56);
        high = std::max(high, v);
    }
    EXPECT_GT(high, 5);
}

TEST(ParseRangeValue, UnreadableBoundsFail) {
    RangeGenerator random([] { return 0u; });
    for (const char* bad : {"[..5]", "[5..]", "[]", "[1....5]", "[0..2147483648]", "[2147483648..0]",
                            "[5]", "[5", "[", "[5..9", "[[[["}) {
        EXPECT_THROW(ParseRangeValue(bad, random), LineFailure) << bad;
    }
}

TEST(ParseRangeValue, LongFieldsStayLinear) {
    RangeGenerator random([] { return 0u; });
    // Each "]" reads the whole digit buffer again; this must not cost its length.
    const std::string zeros = "[1.." + std::string(200000, '0') + "5" + std::string(200000, ']');
    EXPECT_EQ(ParseRangeValue(zeros, random), 1);
    const std::string nines = "[1.." + std::string(200000, '9') + std::string(200000, ']');
    EXPECT_THROW(ParseRangeValue(nines, random), LineFailure);
    std::string dots = "[";
    for (int i = 0; i < 50000; ++i) dots += "1..";
    dots += "2]";
    EXPECT_EQ(ParseRangeValue(dots, random), 1);
}

TEST(SystemClock, GivesMillisecondsWithinOneDay) {
    EXPECT_LT(SystemClockMsSinceMidnightUtc(), 86400000u);
}

}  // namespace
}  // namespace tess
