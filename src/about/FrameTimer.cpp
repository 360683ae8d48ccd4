#include "about/FrameTimer.h"

#include <QTimer>

namespace tess {

QtFrameTimer::QtFrameTimer() : timer_(std::make_unique<QTimer>()) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        if (OnTimeout) OnTimeout();
    });
}

QtFrameTimer::~QtFrameTimer() = default;

void QtFrameTimer::Start(int milliseconds) { timer_->start(milliseconds); }

void QtFrameTimer::Stop() { timer_->stop(); }

bool QtFrameTimer::IsActive() const { return timer_->isActive(); }

}  // namespace tess
