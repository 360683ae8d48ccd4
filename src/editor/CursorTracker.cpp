#include "editor/CursorTracker.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "editor/ActionEditor.h"
#include "editor/EditorWords.h"

namespace tess {

const QString CursorTracker::kStatusPrefix = QStringLiteral(" Cursor position: ");

QString PositionText(ScreenPoint point) {
    return QString::number(point.x) + QLatin1Char(',') + QString::number(point.y);
}

CursorTracker::CursorTracker(EditorHost& host, InputSink& sink, ActionEditor& editor,
                             QObject* parent, std::unique_ptr<PointerWatch> watch)
    : QObject(parent), host_(host), sink_(sink), editor_(editor), watch_(std::move(watch)) {
    timer_.setObjectName(QStringLiteral("TimerForPosition"));
    timer_.setInterval(watch_ ? PointerWatch::kWarpPollMs : 10);
    connect(&timer_, &QTimer::timeout, this, [this] { TimerForPositionTimer(); });
    timer_.start();
    if (watch_ && watch_->WaitHandle() >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(watch_->WaitHandle(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnPointerNews(); });
        coalesce_.setSingleShot(true);
        connect(&coalesce_, &QTimer::timeout, this, [this] { TimerForPositionTimer(); });
        // What arrived before the notifier existed.
        OnPointerNews();
    }
}

CursorTracker::~CursorTracker() = default;

// A motion is read at once, in a tick of its own, unless the last read was
// a moment ago; the slow poll keeps its own pace.
void CursorTracker::OnPointerNews() {
    if (!watch_->TakeMotion() || coalesce_.isActive()) return;
    const qint64 since = lastRead_.isValid() ? lastRead_.elapsed() : kMotionReadMs;
    if (since >= kMotionReadMs)
        TimerForPositionTimer();
    else
        coalesce_.start(int(kMotionReadMs - since));
}

void CursorTracker::TimerForPositionTimer() {
    lastRead_.start();
    coalesce_.stop();
    if (!sink_.CursorPosKnown()) {
        // The desktop does not say where the pointer is and playback has
        // not put it anywhere yet: no number rather than a made-up one,
        // and nothing to capture.
        if (last_ || !unknownShown_) host_.SetCursorPanelText(kStatusPrefix);
        last_.reset();
        unknownShown_ = true;
        return;
    }
    const ScreenPoint point = sink_.GetCursorPos();
    // An unchanged position costs one comparison: no formatting, no repaint.
    if (!last_ || *last_ != point) {
        last_ = point;
        positionText_ = PositionText(point);
        host_.SetCursorPanelText(kStatusPrefix + positionText_);
    }
    Capture();
}

void CursorTracker::Capture() {
    if (!editor_.AutoParameterCheck1()->isChecked())
        return;
    if (editor_.ComboBox1()->currentText() != kCaptureWord)
        return;
    // A hidden editor captures nothing; the capture resumes when it is shown.
    if (!editor_.isVisible())
        return;
    QLineEdit* field = editor_.Edit1();
    if (field->text() != positionText_)
        field->setText(positionText_);
    FocusParameterField();
}

void CursorTracker::FocusParameterField() {
    QLineEdit* field = editor_.Edit1();
    if (!field->isEnabled())
        return;
    // The user is pointing at another program's window: its keyboard focus
    // stays where it is. Our own modal boxes and open pop-ups keep it too.
    QWidget* active = QApplication::activeWindow();
    if (!active || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    if (active != editor_.window())
        editor_.activateWindow();
    if (QApplication::focusWidget() != field)
        field->setFocus(Qt::OtherFocusReason);
}

}  // namespace tess
