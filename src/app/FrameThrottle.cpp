#include "app/FrameThrottle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace tess {

FrameThrottle::FrameThrottle(QWidget* window) : QObject(window), window_(window) {
    deferred_.setSingleShot(true);
    deferred_.setTimerType(Qt::PreciseTimer);
    connect(&deferred_, &QTimer::timeout, this, [this] {
        QCoreApplication::postEvent(window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    });
    window->installEventFilter(this);
}

// Qt paints a widget window when its UpdateRequest arrives; one held back
// is sent again when the frame is over (Qt sends no other meanwhile).
bool FrameThrottle::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::UpdateRequest) return false;
    if (lastPaint_.isValid() && lastPaint_.elapsed() < kFrameMs) {
        if (!deferred_.isActive()) deferred_.start(int(kFrameMs - lastPaint_.elapsed()));
        return true;
    }
    deferred_.stop();
    lastPaint_.start();
    return false;
}

}  // namespace tess
