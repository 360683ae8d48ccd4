#include "app/play/Player.h"

#include <chrono>

#include "app/play/StopKeyWait.h"
#include "app/play/StopSignals.h"
#include "playback/TickSchedule.h"

namespace tess {

Player::Player(std::vector<std::string> lines, InputSink& sink, RangeGenerator& random)
    : host_(std::move(lines)), engine_(host_, sink, random) {
    host_.onClickStop = [this] { engine_.Stop1Click(); };
}

void Player::SetStopKey(StopKey* key, std::function<void(const std::string&)> notify) {
    stopKey_ = key;
    notify_ = std::move(notify);
}

PlayOutcome Player::Play(int32_t start, const PlaySettings& settings) {
    using Clock = std::chrono::steady_clock;
    if (host_.LineCount() > 0) host_.SetCaretLine(start - 1);
    engine_.Play1Click();
    // Checks the stop key; a press stops as the Stop command does.
    const auto stopKeyPressed = [this] {
        if (!stopKey_) return false;
        const bool pressed = stopKey_->TakePress();
        for (const std::string& line : stopKey_->TakeNotices()) {
            if (notify_) notify_(line);
        }
        if (pressed) host_.ClickStop();
        return pressed;
    };
    if (stopKey_) stopKey_->Arm();
    const int keyHandle = stopKey_ ? stopKey_->WaitHandle() : -1;

    const auto interval = [this] { return std::chrono::milliseconds(host_.TimerInterval()); };
    // Unpaced (a dry run), the engine's clock is the time a paced run would
    // have reached, one interval a tick: the listing shows the Load lines
    // that run would drop.
    int64_t virtualNs = 0;
    if (!settings.paced) engine_.SetClock([&virtualNs] { return virtualNs; });
    // The schedule is kept across late ticks, as the window's timer keeps it.
    const auto steadyNs = [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   Clock::now().time_since_epoch())
            .count();
    };
    uint64_t restarts = host_.CountdownRestarts();
    TickSchedule schedule;
    schedule.Start(steadyNs(), host_.TimerInterval());
    uint64_t ticks = 0;
    while (host_.TimerTicks() && StopSignals::Received() == 0) {
        if (settings.maxTicks && ticks >= *settings.maxTicks) break;
        if (stopKeyPressed()) break;
        if (settings.paced) {
            // Only the deadline brings the next tick; the key's other news
            // (a new layout) is handled while waiting.
            const Clock::time_point due{std::chrono::nanoseconds(schedule.Due())};
            if (WaitForStopKey(keyHandle, due, stopKeyPressed)) break;
            if (StopSignals::Received() != 0) break;
        }
        const int64_t started = steadyNs();
        engine_.Timer1Timer();
        ++ticks;
        virtualNs += int64_t(host_.TimerInterval()) * 1'000'000;
        // A long Write goes on a slice at a time; a stop between slices
        // ends it there.
        bool stopped = false;
        while (engine_.LineUnderWay() && !stopped) {
            stopped = StopSignals::Received() != 0 || stopKeyPressed();
            if (!stopped) engine_.ContinueLine();
        }
        if (notify_) {
            for (const std::string& line : host_.notices) notify_(line);
        }
        host_.notices.clear();
        if (stopped) break;
        if (!settings.paced) continue;
        if (host_.CountdownRestarts() != restarts) {
            // A new interval (or the timer enabled anew) restarts the countdown.
            restarts = host_.CountdownRestarts();
            schedule.Start(steadyNs(), host_.TimerInterval());
        } else {
            schedule.Ticked(started);
        }
    }
    if (!settings.paced) engine_.SetClock({});
    const bool halted = !host_.TimerEnabled() && host_.pauseShown;
    engine_.ReleaseHeld();
    if (stopKey_) stopKey_->Disarm();
    if (StopSignals::Received() != 0) return PlayOutcome::Interrupted;
    if (halted) return PlayOutcome::ErrorHalt;
    return host_.TimerEnabled() ? PlayOutcome::TickLimit : PlayOutcome::Stopped;
}

}  // namespace tess
