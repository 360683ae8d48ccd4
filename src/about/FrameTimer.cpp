#include "about/FrameTimer.h"

#include <QTimer>

namespace tess {

QtFrameTimer::QtFrameTimer() : m_timer(std::make_unique<QTimer>()) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] {
        if (OnTimeout) OnTimeout();
    });
}

QtFrameTimer::~QtFrameTimer() = default;

void QtFrameTimer::Start(int milliseconds) { m_timer->start(milliseconds); }

void QtFrameTimer::Stop() { m_timer->stop(); }

bool QtFrameTimer::IsActive() const { return m_timer->isActive(); }

}  // namespace tess
