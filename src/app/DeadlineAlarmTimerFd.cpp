#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

#include "app/DeadlineAlarm.h"

namespace tess {

struct DeadlineAlarm::Impl {
    std::function<void()> onFire;
    int fd = -1;
    bool active = false;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer fallback;  // only when the system refused a timerfd

    // Takes what the timer counted; true when it had expired.
    bool Drain() const {
        uint64_t expirations = 0;
        return ::read(fd, &expirations, sizeof expirations) == sizeof expirations;
    }
};

DeadlineAlarm::DeadlineAlarm(std::function<void()> onFire, QObject* context)
    : impl_(std::make_unique<Impl>()) {
    impl_->onFire = std::move(onFire);
    impl_->fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (impl_->fd < 0) {
        impl_->fallback.setSingleShot(true);
        impl_->fallback.setTimerType(Qt::PreciseTimer);
        QObject::connect(&impl_->fallback, &QTimer::timeout, context, [impl = impl_.get()] {
            impl->active = false;
            impl->onFire();
        });
        return;
    }
    impl_->notifier = std::make_unique<QSocketNotifier>(impl_->fd, QSocketNotifier::Read);
    QObject::connect(impl_->notifier.get(), &QSocketNotifier::activated, context, [impl = impl_.get()] {
        // A wake-up that was replaced or stopped has left nothing to read.
        if (!impl->Drain() || !impl->active) return;
        impl->active = false;
        impl->onFire();
    });
}

DeadlineAlarm::~DeadlineAlarm() {
    impl_->notifier.reset();
    if (impl_->fd >= 0) ::close(impl_->fd);
}

void DeadlineAlarm::Start(int64_t waitNs) {
    impl_->active = true;
    if (impl_->fd < 0) {
        const int64_t ms = waitNs <= 0 ? 0 : (waitNs + 999'999) / 1'000'000;
        impl_->fallback.start(static_cast<int>(std::min<int64_t>(ms, INT32_MAX)));
        return;
    }
    impl_->Drain();
    // A zero value would disarm the timer: at once means one nanosecond.
    if (waitNs < 1) waitNs = 1;
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(waitNs / 1'000'000'000);
    when.it_value.tv_nsec = static_cast<long>(waitNs % 1'000'000'000);
    ::timerfd_settime(impl_->fd, 0, &when, nullptr);
}

void DeadlineAlarm::Stop() {
    impl_->active = false;
    if (impl_->fd < 0) {
        impl_->fallback.stop();
        return;
    }
    itimerspec off{};
    ::timerfd_settime(impl_->fd, 0, &off, nullptr);
    impl_->Drain();
}

bool DeadlineAlarm::Active() const { return impl_->active; }

}  // namespace tess
