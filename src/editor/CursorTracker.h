#pragma once
// Live cursor tracking: the pointer's screen position goes into the main
// window's first status panel, and, while the editor's "Auto" box is
// checked and "CurPos " is the chosen basic command, into the editor's
// parameter field, so the user can point at a target and press Enter to
// freeze its coordinates. Where the desktop reports pointer motion (a
// PointerWatch), both follow each motion at once and a slow poll catches
// the warps it does not report; elsewhere the position is read every 10 ms.
#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "editor/EditorHost.h"
#include "platform/InputSink.h"
#include "platform/PointerWatch.h"

namespace tess {

class ActionEditor;

class CursorTracker : public QObject {
public:
    // Motion closer together than this is read once, at the end of it:
    // a pointer moved by playback at 'Interval 1' would otherwise cost a
    // position read and a panel text at every tick.
    static constexpr int kMotionReadMs = 4;

    // Starts TimerForPosition at once; it runs until the tracker is destroyed,
    // every 10 ms, or every PointerWatch::kWarpPollMs beside a `watch`.
    CursorTracker(EditorHost& host, InputSink& sink, ActionEditor& editor,
                  QObject* parent = nullptr, std::unique_ptr<PointerWatch> watch = nullptr);
    ~CursorTracker() override;

    // One tick: read the position, update the panel when it moved, capture.
    void TimerForPositionTimer();

    QTimer& TimerForPosition() { return timer_; }

    static const QString kStatusPrefix;  // " Cursor position: "

private:
    void OnPointerNews();
    void Capture();
    // Moves the keyboard focus into the parameter field, but only within
    // this program: never while another application, a modal box or a
    // pop-up of ours has the keyboard.
    void FocusParameterField();

    EditorHost& host_;
    InputSink& sink_;
    ActionEditor& editor_;
    QTimer timer_;
    std::unique_ptr<PointerWatch> watch_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QElapsedTimer lastRead_;
    QTimer coalesce_;  // a read held back while motion comes in fast
    std::optional<ScreenPoint> last_;
    bool unknownShown_ = false;
    QString positionText_;
};

// "x,y" in decimal, without blanks; negative values keep their minus sign.
QString PositionText(ScreenPoint point);

}  // namespace tess
