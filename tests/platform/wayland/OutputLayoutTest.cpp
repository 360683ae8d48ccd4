// Screen points to absolute motions over the outputs' union.
#include <gtest/gtest.h>

#include "platform/wayland/OutputLayout.h"

namespace tess::wayland {
namespace {

TEST(OutputLayoutTest, PointsMapOntoTheOutputsAndTheirNearestPoint) {
    // Left output 800x600 at (-800,0), the one at (0,0) 1024x768, a third
    // 640x480 at (1024,100): the union is 2464x768 from (-800,0).
    OutputLayout layout;
    layout.SetOutputs({{-800, 0, 800, 600}, {0, 0, 1024, 768}, {1024, 100, 640, 480}, {5, 5, 0, 0}});
    const struct {
        int32_t x, y;
        AbsoluteMotion expected;
    } cases[] = {
        {0, 0, {800, 0, 2464, 768}},          // origin: top-left of the output at (0,0)
        {-800, 599, {0, 599, 2464, 768}},     // left output, its last row
        {1100, 200, {1900, 200, 2464, 768}},  // third output
        {1100, 50, {1900, 100, 2464, 768}},   // gap above the third: its top edge
        {-500, 700, {300, 599, 2464, 768}},   // below the left output: its bottom edge
        {5000, -5000, {2463, 100, 2464, 768}},
        {INT32_MIN, INT32_MAX, {0, 599, 2464, 768}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(layout.Place(c.x, c.y), c.expected) << c.x << "," << c.y;
    }

    // Nothing at (0,0): the first output gives the origin.
    layout.SetOutputs({{100, 50, 640, 480}, {740, 50, 640, 480}});
    EXPECT_EQ(layout.Place(0, 0), (AbsoluteMotion{0, 0, 1280, 480}));
    EXPECT_EQ(layout.Place(700, 10), (AbsoluteMotion{700, 10, 1280, 480}));

    layout.SetOutputs({});
    EXPECT_FALSE(layout.Place(0, 0));
}

}  // namespace
}  // namespace tess::wayland
