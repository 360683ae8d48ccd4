#include "app/PlaybackTimer.h"

#include <chrono>

namespace tess {
namespace {

int64_t SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

PlaybackTimer::PlaybackTimer(std::function<void()> onTick, QObject* parent, Clock clock)
    : QObject(parent), onTick_(std::move(onTick)), clock_(clock ? std::move(clock) : SteadyNow),
      alarm_([this] { OnTimeout(); }, this) {}

void PlaybackTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled_)
        Restart();
    else
        alarm_.Stop();
}

void PlaybackTimer::SetInterval(uint32_t ms) {
    if (ms == interval_) return;
    interval_ = ms;
    if (enabled_) Restart();
}

void PlaybackTimer::Restart() {
    ++restarts_;
    schedule_.Start(clock_(), interval_);
    Arm();
}

void PlaybackTimer::Arm() { alarm_.Start(schedule_.Due() - clock_()); }

void PlaybackTimer::OnTimeout() {
    if (!enabled_) return;
    const int64_t now = clock_();
    if (now < schedule_.Due()) {
        Arm();
        return;
    }
    schedule_.Ticked(now);
    // The tick may disable the timer, change its interval (which restarts
    // the countdown) or stop playback; only an untouched timer is armed here.
    const uint64_t restarts = restarts_;
    onTick_();
    if (enabled_ && restarts_ == restarts && !alarm_.Active()) Arm();
}

}  // namespace tess
