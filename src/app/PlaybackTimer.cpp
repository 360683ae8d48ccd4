#include "app/PlaybackTimer.h"

#include <algorithm>
#include <chrono>

namespace tess {
namespace {

constexpr int64_t kMs = 1'000'000;

int64_t SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

PlaybackTimer::PlaybackTimer(std::function<void()> onTick, QObject* parent, Clock clock)
    : QObject(parent), onTick_(std::move(onTick)), clock_(clock ? std::move(clock) : SteadyNow) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PlaybackTimer::OnTimeout);
}

void PlaybackTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled_)
        Restart();
    else
        timer_.stop();
}

void PlaybackTimer::SetInterval(uint32_t ms) {
    if (ms == interval_) return;
    interval_ = ms;
    if (enabled_) Restart();
}

// An interval of 0 runs at the shortest pace: a timer that stayed enabled
// without ticking would leave playback looking busy with no way to resume.
int64_t PlaybackTimer::Step() const { return int64_t(std::max<uint32_t>(interval_, 1)) * kMs; }

void PlaybackTimer::Restart() {
    timer_.stop();
    deadline_ = clock_() + Step();
    Arm();
}

void PlaybackTimer::Arm() {
    int64_t wait = deadline_ - clock_();
    // Round up: firing early would only mean arming again.
    int64_t ms = wait <= 0 ? 0 : (wait + kMs - 1) / kMs;
    timer_.start(static_cast<int>(std::min<int64_t>(ms, INT32_MAX)));
}

void PlaybackTimer::OnTimeout() {
    if (!enabled_) return;
    int64_t now = clock_();
    if (now < deadline_) {
        Arm();
        return;
    }
    const int64_t interval = Step();
    deadline_ += interval;
    // After a long stall (a suspended machine, a blocked desktop) start
    // afresh rather than firing a burst of overdue ticks.
    const int64_t slack = std::max<int64_t>(2 * interval, 20 * kMs);
    if (now - deadline_ > slack) deadline_ = now + interval;
    // The tick may disable the timer, change its interval (which re-arms it)
    // or stop playback; only an untouched timer is armed here.
    const uint32_t before = interval_;
    const int64_t due = deadline_;
    onTick_();
    if (enabled_ && interval_ == before && deadline_ == due && !timer_.isActive())
        Arm();
}

}  // namespace tess
