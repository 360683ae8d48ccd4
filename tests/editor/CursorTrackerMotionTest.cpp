// Motion reported by the desktop through a handle the event loop waits on
// (a pipe here, as the X11 watch's connection): POSIX systems only.
#include <fcntl.h>
#include <unistd.h>

#include "CursorTrackerFixture.h"

namespace tess::test {
namespace {

// Where the desktop reports motion, the panel and the capture follow each
// motion as it is reported, and only the warps wait for the slow poll.
TEST_F(CursorTrackerTest, MotionIsShownAsReportedBesideASlowPoll) {
    struct PipeWatch : PointerWatch {
        int fds[2] = {-1, -1};
        PipeWatch() { EXPECT_EQ(::pipe2(fds, O_NONBLOCK), 0); }
        ~PipeWatch() override { ::close(fds[0]), ::close(fds[1]); }
        int WaitHandle() const override { return fds[0]; }
        bool TakeMotion() override {
            char buffer[16];
            return ::read(fds[0], buffer, sizeof buffer) > 0;
        }
        void Moved() const { EXPECT_EQ(::write(fds[1], "m", 1), 1); }
    };
    auto owned = std::make_unique<PipeWatch>();
    const PipeWatch& watch = *owned;
    tracker = std::make_unique<CursorTracker>(host, sink, *editor, nullptr, std::move(owned));
    EXPECT_EQ(tracker->TimerForPosition().interval(), PointerWatch::kWarpPollMs);
    tracker->TimerForPosition().stop();
    StartCapture();
    sink.cursor = {118, 141};
    watch.Moved();
    // The notifier's event, not a timer, brings the read; 10 s bound a failure.
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.panel == " Cursor position: 118,141"; }, 10000));
    EXPECT_EQ(editor->Edit1()->text(), "118,141");
    sink.cursor = {5, 6};  // a warp: no news, the poll finds it
    PointAt(5, 6);
    EXPECT_EQ(host.panel, " Cursor position: 5,6");
}

}  // namespace
}  // namespace tess::test
