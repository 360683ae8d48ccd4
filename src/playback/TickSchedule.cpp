#include "playback/TickSchedule.h"

#include <algorithm>

namespace tess {

void TickSchedule::Start(int64_t now, uint32_t intervalMs) {
    step_ = int64_t(std::max<uint32_t>(intervalMs, 1)) * kMs;
    slot_ = due_ = now + step_;
}

void TickSchedule::Ticked(int64_t now) {
    slot_ += step_;
    if (now - slot_ > kGiveUpAfter) slot_ = now + step_;
    // Catching up: at least half an interval between two ticks.
    due_ = std::max(slot_, now + step_ / 2);
}

}  // namespace tess
