#pragma once
// The playback timer. Ticks are paced by deadlines (TickSchedule): each
// next tick is due one interval after the previous one was due, not after
// it fired, so the delay between firing and handling does not add up, and
// the wake-up comes with the clock's precision, not in whole milliseconds.
// Enabling the timer or giving it a new interval starts a fresh countdown;
// assigning an unchanged value does nothing. An interval of 0 ticks at the
// 1 ms pace.
#include <QObject>
#include <cstdint>
#include <functional>

#include "app/DeadlineAlarm.h"
#include "playback/TickSchedule.h"

namespace tess {

class PlaybackTimer : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<int64_t()>;  // nanoseconds, monotonic
    explicit PlaybackTimer(std::function<void()> onTick, QObject* parent = nullptr,
                           Clock clock = {});

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t ms);

    // When the next tick is due (clock time); meaningful while armed.
    int64_t NextDeadline() const { return schedule_.Due(); }
    bool Armed() const { return alarm_.Active(); }
    // The clock's present time, to compare with NextDeadline.
    int64_t Now() const { return clock_(); }

    // The timer's expiry; public so that tests can drive it with their clock.
    void OnTimeout();

private:
    void Restart();
    void Arm();

    std::function<void()> onTick_;
    Clock clock_;
    DeadlineAlarm alarm_;
    TickSchedule schedule_;
    bool enabled_ = false;
    uint32_t interval_ = 1000;
    uint64_t restarts_ = 0;
};

}  // namespace tess
