#pragma once
// A one-shot wake-up of the event loop with the precision of the system's
// clock rather than the whole milliseconds of a QTimer: the playback timer
// keeps its 1 ms pace with it. On Linux a timerfd watched by the event
// loop; elsewhere a precise QTimer, rounded up to the next millisecond.
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

namespace tess {

class DeadlineAlarm {
public:
    explicit DeadlineAlarm(std::function<void()> onFire, QObject* context);
    ~DeadlineAlarm();
    DeadlineAlarm(const DeadlineAlarm&) = delete;
    DeadlineAlarm& operator=(const DeadlineAlarm&) = delete;

    // Fires once, `waitNs` nanoseconds from now (at once when 0 or less),
    // replacing any wake-up set before.
    void Start(int64_t waitNs);
    void Stop();
    bool Active() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tess
