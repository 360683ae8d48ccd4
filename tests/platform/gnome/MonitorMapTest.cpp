// Screen points onto mutter's monitors, in layouts the headless compositor
// cannot make: the primary away from the stage's origin, scales, gaps.
#include <gtest/gtest.h>

#include "platform/gnome/MonitorMap.h"

namespace tess::gnome {
namespace {

TEST(MonitorMapTest, PointsGoToTheirMonitorOrTheNearestPointOfTheNearestOne) {
    // The secondary to the left of the primary and 100 down, as a user
    // arranges it in the settings: mutter then puts the primary at x 1024.
    const std::vector<Monitor> leftOfPrimary = {{"A", 1024, 0, 1280, 800, 1.0, true},
                                                {"B", 0, 100, 1024, 768, 1.0, false}};
    // Logical layout, the second monitor at scale 2 (stream pixels double).
    const std::vector<Monitor> scaled = {{"A", 0, 0, 1280, 800, 1.0, true}, {"B", 1280, 0, 960, 540, 2.0, false}};
    const struct {
        const std::vector<Monitor>* monitors;
        bool logical;
        int32_t x, y;
        MonitorPoint expected;
    } cases[] = {
        {&leftOfPrimary, false, 0, 0, {0, 0, 0}},
        {&leftOfPrimary, false, 1279, 799, {0, 1279, 799}},
        {&leftOfPrimary, false, -900, 150, {1, 124, 50}},
        {&leftOfPrimary, false, -1, 867, {1, 1023, 767}},
        {&leftOfPrimary, false, -500, 50, {1, 524, 0}},       // above B: its top edge
        {&leftOfPrimary, false, 2000, -300, {0, 1279, 0}},
        {&leftOfPrimary, false, -5000, 5000, {1, 0, 767}},
        {&leftOfPrimary, false, INT32_MIN, INT32_MAX, {1, 0, 767}},
        {&scaled, true, 1300, 10, {1, 40, 20}},
        {&scaled, false, 1300, 10, {1, 20, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << (c.logical ? " logical" : ""));
        MonitorMap map;
        map.SetMonitors(*c.monitors, c.logical);
        EXPECT_EQ(map.Place(c.x, c.y), c.expected);
    }
    MonitorMap none;
    none.SetMonitors({{"A", 0, 0, 0, 0, 1.0, true}}, false);
    EXPECT_FALSE(none.Place(0, 0));
}

}  // namespace
}  // namespace tess::gnome
