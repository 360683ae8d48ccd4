#include "about/AboutBox.h"

#include <QImage>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

#include "AboutTestSupport.h"
#include "about/AnimatedPicture.h"

namespace tess {
namespace {

using test::ManualTimer;
using test::ShellRecorder;

class AboutBoxTest : public ::testing::Test {
protected:
    AboutBoxTest() : box(sink, &mainWindow) {}

    QLabel* Label(const char* name) { return box.findChild<QLabel*>(QLatin1String(name)); }
    ManualTimer* DriveByHand() {
        auto timer = std::make_unique<ManualTimer>();
        ManualTimer* raw = timer.get();
        box.Picture().SetFrameTimer(std::move(timer));
        return raw;
    }

    ShellRecorder sink;
    QWidget mainWindow;
    AboutBox box;
};

TEST_F(AboutBoxTest, WindowIsAHiddenStayOnTopToolWindow) {
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.windowTitle(), QStringLiteral(" About"));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(box.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(box.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(box.size(), QSize(209, 265));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
}

TEST_F(AboutBoxTest, LinesStackInOrderWithTheirTextsAndSizes) {
    box.ShowAbout();
    struct Line {
        const char* name;
        const char* text;
        int height;
    };
    const Line lines[] = {
        {"Label1", "", 13},          {"RxGIFAnimator1", nullptr, 148},
        {"Label5", "Tessaline", 13}, {"Label7", "0003", 13},
        {"Label4", "", 13},          {"Label3", "Velmora software", 13},
        {"Label6", "velmora.net", 13}, {"Label8", "", 13},
        {"Label9", "download last version", 13}, {"Label2", "", 13},
    };
    int y = 0;
    for (const Line& line : lines) {
        auto* widget = box.findChild<QWidget*>(QLatin1String(line.name));
        ASSERT_NE(widget, nullptr) << line.name;
        EXPECT_EQ(widget->geometry(), QRect(0, y, 209, line.height)) << line.name;
        if (line.text) {
            auto* label = qobject_cast<QLabel*>(widget);
            ASSERT_NE(label, nullptr) << line.name;
            EXPECT_EQ(label->text(), QString::fromLatin1(line.text)) << line.name;
            if (label->text().size()) {
                EXPECT_EQ(label->alignment() & Qt::AlignHCenter, Qt::AlignHCenter) << line.name;
            }
        }
        y += line.height;
    }
    EXPECT_EQ(y, 265);
    auto* panel = box.findChild<QWidget*>(QStringLiteral("Panel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 209, 265));
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(AboutBoxTest, LinksLookLikeLinks) {
    QLabel* home = Label("Label6");
    QLabel* update = Label("Label9");
    EXPECT_EQ(home->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(update->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_TRUE(home->font().underline());
    EXPECT_TRUE(update->font().underline());
    // As drawn: some row of the 13-pixel line is blue across most of the
    // text's width (the underline), not only the letters' strokes.
    for (QLabel* link : {home, update}) {
        const QImage image = link->grab().toImage();
        const int textWidth = link->fontMetrics().horizontalAdvance(link->text());
        int longest = 0;
        for (int y = 0; y < image.height(); ++y) {
            int run = 0;
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                run = c.blue() > 150 && c.red() < 120 && c.green() < 120 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        }
        EXPECT_GE(longest, textWidth * 3 / 4) << link->objectName().toStdString();
    }
    EXPECT_EQ(home->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(update->cursor().shape(), Qt::ArrowCursor);
    for (const char* plain : {"Label5", "Label7", "Label3"}) {
        EXPECT_FALSE(Label(plain)->font().underline()) << plain;
        EXPECT_NE(Label(plain)->palette().color(QPalette::WindowText), QColor(Qt::blue)) << plain;
    }
}

TEST_F(AboutBoxTest, FirstShowingIsCentredOverTheMainWindow) {
    mainWindow.setGeometry(100, 200, 401, 301);
    box.ShowAbout();
    ASSERT_TRUE(box.isVisible());
    EXPECT_EQ(box.frameGeometry().topLeft(), QPoint(196, 218));
}

TEST_F(AboutBoxTest, CentringTruncatesTowardsZeroAndClampsToZero) {
    // (100 - 209) / 2 = -54 and (100 - 265) / 2 = -82, not -55 and -83.
    mainWindow.setGeometry(500, 400, 100, 100);
    box.ShowAbout();
    EXPECT_EQ(box.frameGeometry().topLeft(), QPoint(446, 318));

    ShellRecorder otherSink;
    QWidget corner;
    corner.setGeometry(20, 30, 100, 100);
    AboutBox clamped(otherSink, &corner);
    clamped.ShowAbout();
    EXPECT_EQ(clamped.frameGeometry().topLeft(), QPoint(0, 0));
}

TEST_F(AboutBoxTest, LaterShowingsKeepThePlaceItWasLeftAt) {
    mainWindow.setGeometry(100, 200, 401, 301);
    box.ShowAbout();
    box.move(40, 50);
    box.ShowAbout();  // already shown: only brought to the front
    EXPECT_EQ(box.frameGeometry().topLeft(), QPoint(40, 50));
    EXPECT_TRUE(box.close());
    EXPECT_FALSE(box.isVisible());
    mainWindow.setGeometry(300, 300, 401, 301);
    box.ShowAbout();
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.frameGeometry().topLeft(), QPoint(40, 50));
}

TEST_F(AboutBoxTest, PictureRestsOnFrameZeroUntilClicked) {
    EXPECT_EQ(box.Picture().FrameCount(), 7);
    EXPECT_EQ(box.Picture().FrameIndex(), 0);
    EXPECT_FALSE(box.Picture().Animate());
}

TEST_F(AboutBoxTest, ClickPlaysTheAnimationOnceAndRestsOnFrameZero) {
    ManualTimer* timer = DriveByHand();
    box.ShowAbout();
    AnimatedPicture& picture = box.Picture();
    std::vector<int> seen;
    QObject::connect(&picture, &AnimatedPicture::OnFrameChanged,
                     [&] { seen.push_back(picture.FrameIndex()); });

    QTest::mousePress(&picture, Qt::LeftButton);
    EXPECT_EQ(picture.FrameIndex(), 1);
    EXPECT_FALSE(picture.Animate());  // frame 1 stays while the button is held
    QTest::mouseRelease(&picture, Qt::LeftButton);
    EXPECT_TRUE(picture.Animate());
    while (timer->active) timer->Fire();

    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(timer->started, (std::vector<int>{100, 200, 200, 200, 100, 100}));
    EXPECT_FALSE(picture.Animate());
    EXPECT_EQ(picture.FrameIndex(), 0);
}

TEST_F(AboutBoxTest, PressDuringTheAnimationJumpsBackToFrameOne) {
    ManualTimer* timer = DriveByHand();
    box.ShowAbout();
    AnimatedPicture& picture = box.Picture();
    QTest::mouseClick(&picture, Qt::RightButton);
    timer->Fire();
    timer->Fire();
    ASSERT_EQ(picture.FrameIndex(), 3);
    QTest::mousePress(&picture, Qt::LeftButton);
    EXPECT_EQ(picture.FrameIndex(), 1);
    EXPECT_TRUE(picture.Animate());
    QTest::mouseRelease(&picture, Qt::LeftButton);
    int steps = 0;
    while (timer->active && steps < 20) {
        timer->Fire();
        ++steps;
    }
    EXPECT_EQ(steps, 6);  // frames 2..6, then 0
    EXPECT_EQ(picture.FrameIndex(), 0);
}

// The keyboard alone: Tab reaches the two links in order, Enter on the home
// page link opens it, and Esc closes the box.
TEST_F(AboutBoxTest, LinksAreReachedByTabAndEscCloses) {
    box.ShowAbout();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box, 2000));
    QLabel* home = Label("Label6");
    QLabel* update = Label("Label9");
    std::vector<QWidget*> reached;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box, Qt::Key_Tab);
        reached.push_back(QApplication::focusWidget());
    }
    EXPECT_NE(std::find(reached.begin(), reached.end(), home), reached.end());
    EXPECT_NE(std::find(reached.begin(), reached.end(), update), reached.end());
    home->setFocus();
    QTest::keyClick(home, Qt::Key_Return);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_EQ(sink.calls[0].operation, "open");
    QTest::keyClick(home, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(AboutBoxTest, HomePageLinkAsksTheShellToOpenTheMakersPage) {
    box.ShowAbout();
    QTest::mouseClick(Label("Label5"), Qt::LeftButton);
    QTest::mouseClick(Label("Label6"), Qt::RightButton);
    EXPECT_TRUE(sink.calls.empty());
    QTest::mouseClick(Label("Label6"), Qt::LeftButton);
    ASSERT_EQ(sink.calls.size(), 1u);
    const test::ShellCall& call = sink.calls[0];
    EXPECT_EQ(call.owner, static_cast<const void*>(&box));
    EXPECT_EQ(call.operation, "open");
    EXPECT_EQ(call.file, "http://www.velmora.net/index.htm");
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.showMode, SW_SHOWNORMAL);
}

}  // namespace
}  // namespace tess
