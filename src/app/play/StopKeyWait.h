#pragma once
// The player's wait between ticks while a stop key is armed: it ends at the
// deadline, at a stop request (StopSignals), or as soon as the stop key has
// news. One implementation per system, chosen by the build.
#include <chrono>
#include <functional>

namespace tess {

// POSIX: `handle` is the stop key's file descriptor (StopKey::WaitHandle);
// each time it turns readable, `pressed` reads the news and tells whether
// the key was pressed, which ends the wait (true); other news (a new
// layout, say) does not. With -1 this is StopSignals::WaitUntil.
// Windows: the keys arrive as hot-key messages of the calling thread's
// queue, so `handle` is not used; `pressed` is asked after each one.
bool WaitForStopKey(int handle, std::chrono::steady_clock::time_point deadline,
                    const std::function<bool()>& pressed);

}  // namespace tess
