#pragma once
// The cursor tracking's tests: an editor and a tracker over a sink whose
// pointer the test moves, with the ticks driven by hand.
#include <QCheckBox>
#include <memory>

#include "EditorTestSupport.h"
#include "editor/CursorTracker.h"

namespace tess::test {

class CursorTrackerTest : public EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        tracker = std::make_unique<CursorTracker>(host, sink, *editor);
        // Ticks are driven by hand; the timer would only add unchanged ones.
        tracker->TimerForPosition().stop();
    }
    void TearDown() override {
        tracker.reset();
        EditorFixture::TearDown();
    }
    void PointAt(int x, int y) {
        sink.cursor = {x, y};
        tracker->TimerForPositionTimer();
        QCoreApplication::processEvents();
    }
    // Capture on: "CurPos " picked and "Auto" ticked by mouse.
    void StartCapture() {
        Open();
        Pick(editor->ComboBox1(), "CurPos ");
        QTest::mouseClick(editor->AutoParameterCheck1(), Qt::LeftButton);
        ASSERT_TRUE(editor->AutoParameterCheck1()->isChecked());
    }

    FakeSink sink;
    std::unique_ptr<CursorTracker> tracker;
};

}  // namespace tess::test
