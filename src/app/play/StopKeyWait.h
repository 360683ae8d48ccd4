#pragma once
// The player's wait between ticks while a stop key is armed: it ends at the
// deadline, at a stop signal, or as soon as the stop key has news.
#include <chrono>

namespace tess {

// `handle` is the stop key's file descriptor (StopKey::WaitHandle); with
// -1 this is StopSignals::WaitUntil.
void WaitForStopKey(int handle, std::chrono::steady_clock::time_point deadline);

}  // namespace tess
