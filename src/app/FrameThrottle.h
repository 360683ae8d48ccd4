#pragma once
// Paints a window at most once a frame. Playback at 'Interval 1' moves the
// highlight and the cursor position a thousand times a second; painting the
// list and the status bar after each of those cost more than the tick
// itself and held the next ticks up. The first change after a quiet frame
// is painted at once; changes coming faster are gathered into one painting
// at the end of the frame, so nothing shown is ever more than a frame old.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace tess {

class FrameThrottle : public QObject {
public:
    static constexpr int kFrameMs = 16;

    // Throttles `window` (a top-level widget); owned by it.
    explicit FrameThrottle(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QElapsedTimer lastPaint_;
    QTimer deferred_;
};

}  // namespace tess
