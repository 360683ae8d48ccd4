#pragma once
// When the next playback tick is due, for the window's timer and the
// command-line player alike. Each tick is due one interval after the
// previous one was due, not after it ran, so neither a late wake-up nor the
// time a tick takes adds up over a run. A tick that came late is followed
// by the overdue ones at no more than twice the pace, never in a burst,
// until playback is back on its schedule; only a stall of over a second (a
// suspended machine, a desktop that stopped answering) starts the schedule
// afresh. Times are nanoseconds of a monotonic clock.
#include <cstdint>

namespace tess {

class TickSchedule {
public:
    static constexpr int64_t kMs = 1'000'000;
    // Lateness beyond which the missed ticks are given up.
    static constexpr int64_t kGiveUpAfter = 1000 * kMs;

    // A fresh countdown: the first tick is due one full interval after `now`.
    // An interval of 0 runs at the shortest pace, 1 ms.
    void Start(int64_t now, uint32_t intervalMs);
    // The due tick was started at `now`: schedules the one after it.
    void Ticked(int64_t now);

    // When the next tick may run.
    int64_t Due() const { return due_; }
    // How far behind its schedule playback is at `now` (0 when on time).
    int64_t Behind(int64_t now) const { return now > slot_ ? now - slot_ : 0; }

private:
    int64_t step_ = kMs;
    int64_t slot_ = 0;  // when the next tick is due by the schedule
    int64_t due_ = 0;   // the slot, or later while catching up
};

}  // namespace tess
