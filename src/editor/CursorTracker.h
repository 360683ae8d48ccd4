#pragma once
// Live cursor tracking: every 10 ms the pointer's screen position goes into
// the main window's first status panel, and, while the editor's "Auto" box
// is checked and "CurPos " is the chosen basic command, into the editor's
// parameter field, so the user can point at a target and press Enter to
// freeze its coordinates.
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

#include "editor/EditorHost.h"
#include "platform/InputSink.h"

namespace tess {

class ActionEditor;

class CursorTracker : public QObject {
public:
    // Starts TimerForPosition at once; it runs until the tracker is destroyed.
    CursorTracker(EditorHost& host, InputSink& sink, ActionEditor& editor,
                  QObject* parent = nullptr);

    // One tick: read the position, update the panel when it moved, capture.
    void TimerForPositionTimer();

    QTimer& TimerForPosition() { return timer_; }

    static const QString kStatusPrefix;  // " Cursor position: "

private:
    void Capture();
    // Moves the keyboard focus into the parameter field, but only within
    // this program: never while another application, a modal box or a
    // pop-up of ours has the keyboard.
    void FocusParameterField();

    EditorHost& host_;
    InputSink& sink_;
    ActionEditor& editor_;
    QTimer timer_;
    std::optional<ScreenPoint> last_;
    bool unknownShown_ = false;
    QString positionText_;
};

// "x,y" in decimal, without blanks; negative values keep their minus sign.
QString PositionText(ScreenPoint point);

}  // namespace tess
