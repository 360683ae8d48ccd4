#include <QTimer>
#include <algorithm>
#include <climits>

#include "app/DeadlineAlarm.h"

namespace tess {

struct DeadlineAlarm::Impl {
    QTimer timer;
};

DeadlineAlarm::DeadlineAlarm(std::function<void()> onFire, QObject* context)
    : impl_(std::make_unique<Impl>()) {
    impl_->timer.setSingleShot(true);
    impl_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&impl_->timer, &QTimer::timeout, context, std::move(onFire));
}

DeadlineAlarm::~DeadlineAlarm() = default;

void DeadlineAlarm::Start(int64_t waitNs) {
    // Rounded up: firing early would only mean waiting again.
    const int64_t ms = waitNs <= 0 ? 0 : (waitNs + 999'999) / 1'000'000;
    impl_->timer.start(static_cast<int>(std::min<int64_t>(ms, INT32_MAX)));
}

void DeadlineAlarm::Stop() { impl_->timer.stop(); }

bool DeadlineAlarm::Active() const { return impl_->timer.isActive(); }

}  // namespace tess
