#include "about/AnimatedPicture.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "AboutTestSupport.h"

namespace tess {
namespace {

using test::ManualTimer;

std::vector<QImage> SolidFrames(int count, QSize size = QSize(10, 10)) {
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage frame(size, QImage::Format_ARGB32);
        frame.fill(QColor::fromHsv(i * 40, 255, 255));
        frames.push_back(frame);
    }
    return frames;
}

struct Picture {
    Picture(int frames, std::vector<int> delays) {
        auto owned = std::make_unique<ManualTimer>();
        timer = owned.get();
        picture.SetFrameTimer(std::move(owned));
        picture.SetFrames(SolidFrames(frames), std::move(delays));
    }
    AnimatedPicture picture;
    ManualTimer* timer;
};

TEST(AnimatedPicture, DecodesTheSuppliedPicture) {
    AnimatedPicture picture;
    ASSERT_TRUE(picture.Load(QStringLiteral(":/about/tessaline.gif")));
    ASSERT_EQ(picture.FrameCount(), 7);
    const int expected[] = {500, 100, 200, 200, 200, 100, 100};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(picture.Frame(i).size(), QSize(123, 108)) << i;
        EXPECT_EQ(picture.FrameDelay(i), expected[i]) << i;
    }
    EXPECT_NE(picture.Frame(0), picture.Frame(1));
    EXPECT_EQ(picture.FrameIndex(), 0);
    EXPECT_FALSE(picture.Animate());
}

TEST(AnimatedPicture, UnreadableFileKeepsThePicture) {
    AnimatedPicture picture;
    picture.SetFrames(SolidFrames(3), {100, 100, 100});
    EXPECT_FALSE(picture.Load(QStringLiteral("no-such-picture.gif")));
    EXPECT_EQ(picture.FrameCount(), 3);
}

TEST(AnimatedPicture, DelaysAreHeldBetween50msAnd10s) {
    Picture p(6, {0, 20, 50, 9999, 10001, -5});
    const int expected[] = {50, 50, 50, 9999, 10000, 50};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.picture.FrameDelay(i), expected[i]) << i;
}

TEST(AnimatedPicture, FrameIndexIgnoresTheShownFrameAndOutOfRange) {
    Picture p(3, {100, 100, 100});
    QSignalSpy changed(&p.picture, &AnimatedPicture::OnFrameChanged);
    p.picture.SetFrameIndex(0);
    p.picture.SetFrameIndex(-1);
    p.picture.SetFrameIndex(3);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(p.picture.FrameIndex(), 0);
    p.picture.SetFrameIndex(2);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(p.picture.FrameIndex(), 2);
    EXPECT_FALSE(p.timer->active);  // showing a frame does not start the animation
}

TEST(AnimatedPicture, AnimationStepsWithEachFramesDelayAndWraps) {
    Picture p(3, {300, 100, 200});
    std::vector<int> seen;
    QObject::connect(&p.picture, &AnimatedPicture::OnFrameChanged,
                     [&] { seen.push_back(p.picture.FrameIndex()); });
    p.picture.SetFrameIndex(1);
    p.picture.SetAnimate(true);
    p.picture.SetAnimate(true);  // already running: the countdown goes on
    ASSERT_EQ(p.timer->started, (std::vector<int>{100}));
    for (int i = 0; i < 4; ++i) p.timer->Fire();
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1, 2}));
    EXPECT_EQ(p.timer->started, (std::vector<int>{100, 200, 300, 100, 200}));
    EXPECT_TRUE(p.timer->active);
    p.picture.SetAnimate(false);
    EXPECT_FALSE(p.timer->active);
    EXPECT_EQ(p.picture.FrameIndex(), 2);
}

TEST(AnimatedPicture, JumpWhileAnimatingRestartsTheCountdownForTheNewFrame) {
    Picture p(3, {300, 100, 200});
    p.picture.SetAnimate(true);
    p.picture.SetFrameIndex(2);
    EXPECT_EQ(p.timer->started, (std::vector<int>{300, 200}));
    p.timer->Fire();
    EXPECT_EQ(p.picture.FrameIndex(), 0);
}

TEST(AnimatedPicture, SingleFramePictureNeverSteps) {
    Picture p(1, {100});
    QSignalSpy changed(&p.picture, &AnimatedPicture::OnFrameChanged);
    p.picture.SetAnimate(true);
    EXPECT_FALSE(p.timer->active);
    EXPECT_EQ(changed.count(), 0);
}

TEST(AnimatedPicture, FrameIsDrawnCentred) {
    AnimatedPicture picture;
    QImage red(10, 10, QImage::Format_ARGB32);
    red.fill(Qt::red);
    picture.SetFrames({red}, {100});
    picture.resize(31, 21);
    QImage shot(picture.size(), QImage::Format_ARGB32);
    shot.fill(Qt::white);
    picture.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    // (31 - 10) / 2 = 10 and (21 - 10) / 2 = 5: the frame covers 10..19 x 5..14.
    EXPECT_EQ(QColor(shot.pixel(10, 5)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(19, 14)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(9, 5)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(20, 14)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(10, 4)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(19, 15)), QColor(Qt::red));
}

}  // namespace
}  // namespace tess
