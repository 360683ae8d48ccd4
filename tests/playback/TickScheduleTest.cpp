// The playback pace shared by the window and the player: late ticks are
// caught up without a burst, long stalls start afresh, the schedule never
// drifts.
#include <gtest/gtest.h>

#include <vector>

#include "playback/TickSchedule.h"

using namespace tess;

namespace {

constexpr int64_t kMs = TickSchedule::kMs;

TEST(TickScheduleTest, KeepsItsDeadlinesWhateverTheLateness) {
    struct Case {
        const char* what;
        uint32_t interval;
        std::vector<int64_t> late;  // how late each tick starts after it was due
        std::vector<int64_t> due;   // when each next tick is due, µs from the start
    } cases[] = {
        {"on time", 10, {0, 0, 0}, {20000, 30000, 40000}},
        {"small lateness does not add up", 1, {kMs / 4, kMs / 3, kMs / 5}, {2000, 3000, 4000}},
        // 3 ms late at 'Interval 1': half an interval apart until back on time.
        {"catch-up without a burst", 1, {3 * kMs, 0, 0, 0, 0, 0, 0},
         {4500, 5000, 5500, 6000, 6500, 7000, 8000}},
        {"interval 0 as 1 ms", 0, {0, 0}, {2000, 3000}},
        // Over a second behind: the missed ticks are given up.
        {"long stall", 100, {1500 * kMs, 0}, {1700000, 1800000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TickSchedule schedule;
        schedule.Start(0, c.interval);
        const int64_t step = (c.interval ? c.interval : 1) * kMs;
        ASSERT_EQ(schedule.Due(), step);
        std::vector<int64_t> due;
        for (int64_t late : c.late) {
            schedule.Ticked(schedule.Due() + late);
            due.push_back(schedule.Due() / 1000);
        }
        EXPECT_EQ(due, c.due);
    }
}

}  // namespace
