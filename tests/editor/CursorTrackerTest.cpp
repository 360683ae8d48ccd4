// The 10 ms position tick: the status panel and the capture into the
// editor's parameter field, driven by a sink whose pointer the test moves.
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>

#include "CursorTrackerFixture.h"

namespace tess::test {
namespace {

TEST_F(CursorTrackerTest, TimerRunsEveryTenMillisecondsFromTheStart) {
    CursorTracker fresh(host, sink, *editor);
    EXPECT_TRUE(fresh.TimerForPosition().isActive());
    EXPECT_EQ(fresh.TimerForPosition().interval(), 10);
    EXPECT_EQ(fresh.TimerForPosition().objectName(), "TimerForPosition");
}

TEST_F(CursorTrackerTest, PanelShowsThePositionAndIsRewrittenOnlyWhenItMoves) {
    PointAt(118, 141);
    EXPECT_EQ(host.panel, " Cursor position: 118,141");
    PointAt(118, 141);
    PointAt(118, 141);
    EXPECT_EQ(host.panelWrites, 1);
    EXPECT_EQ(sink.queries, 3);
    PointAt(-1280, 7);  // a display left of the primary one
    EXPECT_EQ(host.panel, " Cursor position: -1280,7");
    PointAt(0, -3);
    EXPECT_EQ(host.panel, " Cursor position: 0,-3");
    EXPECT_EQ(host.panelWrites, 3);
    EXPECT_TRUE(editor->Edit1()->text().isEmpty());  // no capture without "Auto"
}

TEST_F(CursorTrackerTest, APositionTheDesktopDoesNotTellIsLeftOutNotShownStale) {
    PointAt(118, 141);
    StartCapture();
    PointAt(118, 141);
    ASSERT_EQ(editor->Edit1()->text(), "118,141");
    sink.known = false;
    PointAt(300, 400);
    PointAt(300, 400);
    EXPECT_EQ(host.panel, " Cursor position: ");
    EXPECT_EQ(host.panelWrites, 2);
    EXPECT_EQ(editor->Edit1()->text(), "118,141");  // nothing captured meanwhile
    sink.known = true;  // playback has put the pointer somewhere
    PointAt(300, 400);
    EXPECT_EQ(host.panel, " Cursor position: 300,400");
    EXPECT_EQ(editor->Edit1()->text(), "300,400");
}

TEST_F(CursorTrackerTest, CaptureFollowsThePointerUntilEnterFreezesIt) {
    StartCapture();
    PointAt(10, 20);
    EXPECT_EQ(editor->Edit1()->text(), "10,20");
    EXPECT_EQ(Focus(), editor->Edit1());
    PointAt(-11, 21);
    EXPECT_EQ(editor->Edit1()->text(), "-11,21");

    Enter(editor->Edit1());
    EXPECT_FALSE(editor->AutoParameterCheck1()->isChecked());
    EXPECT_EQ(Focus(), editor->Button1());
    PointAt(500, 600);
    EXPECT_EQ(editor->Edit1()->text(), "-11,21");
    EXPECT_EQ(Focus(), editor->Button1());
    ClickAdd();
    EXPECT_EQ(host.lines, QStringList({"CurPos -11,21"}));
}

TEST_F(CursorTrackerTest, CaptureNeedsCurPosChosenNotAnEnabledBox) {
    StartCapture();
    Pick(editor->ComboBox1(), "Interval ");
    ASSERT_FALSE(editor->AutoParameterCheck1()->isEnabled());
    ASSERT_TRUE(editor->AutoParameterCheck1()->isChecked());
    Type(editor->Edit1(), "100");
    PointAt(3, 4);
    EXPECT_EQ(editor->Edit1()->text(), "100");
    Pick(editor->ComboBox1(), "CurPos ");
    PointAt(3, 4);
    EXPECT_EQ(editor->Edit1()->text(), "3,4");

    // Unticking the box by mouse stops the capture as well.
    QTest::mouseClick(editor->AutoParameterCheck1(), Qt::LeftButton);
    EXPECT_TRUE(editor->Edit1()->toolTip().isEmpty());
    PointAt(5, 6);
    EXPECT_EQ(editor->Edit1()->text(), "3,4");
}

TEST_F(CursorTrackerTest, FocusComesBackFromTheMainWindow) {
    StartCapture();
    PointAt(1, 1);
    Activate(MainWindow());
    PointAt(2, 2);
    EXPECT_EQ(QApplication::activeWindow(), editor.get());
    EXPECT_EQ(Focus(), editor->Edit1());
}

TEST_F(CursorTrackerTest, KeyboardFocusOfOtherApplicationsAndModalBoxesIsLeftAlone) {
    StartCapture();
    // Another application has the keyboard: none of our windows is active.
    QCoreApplication::processEvents();
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(nullptr);
    QT_WARNING_POP
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    PointAt(7, 8);
    EXPECT_EQ(editor->Edit1()->text(), "7,8");  // the field still follows
    EXPECT_EQ(QApplication::activeWindow(), nullptr);
    EXPECT_EQ(editor->focusWidget(), editor->AutoParameterCheck1());  // focus not moved

    QDialog box(MainWindow());
    box.setModal(true);
    Activate(&box);
    PointAt(9, 10);
    EXPECT_EQ(editor->Edit1()->text(), "9,10");
    EXPECT_EQ(QApplication::activeWindow(), &box);
}

TEST_F(CursorTrackerTest, HiddenEditorPausesTheCaptureUntilShownAgain) {
    StartCapture();
    editor->Stayontop1()->setChecked(true);
    PointAt(1, 2);
    editor->close();  // close box: hides without resetting
    ASSERT_FALSE(editor->isVisible());
    PointAt(3, 4);
    EXPECT_EQ(host.panel, " Cursor position: 3,4");
    EXPECT_EQ(editor->Edit1()->text(), "1,2");
    EXPECT_FALSE(editor->isVisible());

    Open();
    PointAt(3, 4);
    EXPECT_EQ(editor->Edit1()->text(), "3,4");
    EXPECT_EQ(Focus(), editor->Edit1());
}

}  // namespace
}  // namespace tess::test
