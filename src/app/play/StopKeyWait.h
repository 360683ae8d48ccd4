#pragma once
// The player's wait between ticks while a stop key is armed: it ends at the
// deadline, at a stop signal, or as soon as the stop key has news.
#include <chrono>
#include <functional>

namespace tess {

// `handle` is the stop key's file descriptor (StopKey::WaitHandle); each
// time it turns readable, `pressed` reads the news and tells whether the
// key was pressed, which ends the wait (true); other news (a new layout,
// say) does not. With -1 this is StopSignals::WaitUntil.
bool WaitForStopKey(int handle, std::chrono::steady_clock::time_point deadline,
                    const std::function<bool()>& pressed);

}  // namespace tess
