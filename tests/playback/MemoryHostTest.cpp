#include <gtest/gtest.h>

#include <stdexcept>

#include "playback/MemoryHost.h"

namespace tess {
namespace {

TEST(MemoryHost, SelectionBehavesAsTheList) {
    MemoryHost host({"a", "b", "c"});
    host.SetSelected(2, true);
    EXPECT_EQ(host.CaretLine(), 2);
    host.SetSelected(1, true);
    host.SetSelected(1, false);
    EXPECT_EQ(host.CaretLine(), 1);  // clearing leaves the caret
    host.SetSelected(-1, true);
    EXPECT_EQ(host.SelectedCount(), 3);
    host.SetSelected(-1, false);
    EXPECT_EQ(host.SelectedCount(), 0);
    EXPECT_THROW(host.SetSelected(3, true), std::out_of_range);
    EXPECT_THROW(host.SetSelected(-2, false), std::out_of_range);
    EXPECT_THROW(host.LineText(3), std::out_of_range);
    host.SetLines({"a"});
    EXPECT_EQ(host.CaretLine(), 0);
    host.SetLines({});
    EXPECT_EQ(host.CaretLine(), 0);
    EXPECT_NO_THROW(host.SetSelected(-1, false));
}

TEST(MemoryHost, TimerRestartsOnlyOnChange) {
    MemoryHost host;
    EXPECT_EQ(host.TimerInterval(), 1000u);
    EXPECT_FALSE(host.TimerTicks());
    host.SetTimerEnabled(true);
    EXPECT_EQ(host.CountdownRestarts(), 1u);
    host.SetTimerEnabled(true);
    host.SetTimerInterval(1000);
    EXPECT_EQ(host.CountdownRestarts(), 1u);
    host.SetTimerInterval(0);
    EXPECT_EQ(host.CountdownRestarts(), 2u);
    EXPECT_FALSE(host.TimerTicks());
}

}  // namespace
}  // namespace tess
