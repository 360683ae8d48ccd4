#include "app/play/StopKeyWait.h"

#include <poll.h>

#include <algorithm>

#include "app/play/StopSignals.h"
#include "app/play/StopSignalsPosix.h"

namespace tess {

bool WaitForStopKey(int handle, std::chrono::steady_clock::time_point deadline,
                    const std::function<bool()>& pressed) {
    using namespace std::chrono;
    if (handle < 0) {
        StopSignals::WaitUntil(deadline);
        return false;
    }
    // The stop signals' handlers write to a pipe that is watched together
    // with the key: a request that arrives after the check below still cuts
    // the wait short, whichever signal it is and whichever thread runs the
    // handler, without blocking any signal here.
    const int wake = StopSignalWakeDescriptor();
    while (StopSignals::Received() == 0) {
        const auto now = steady_clock::now();
        if (now >= deadline) break;
        const auto step = std::min<nanoseconds>(duration_cast<nanoseconds>(deadline - now), hours(1));
        timespec timeout{};
        timeout.tv_sec = static_cast<time_t>(step.count() / 1000000000);
        timeout.tv_nsec = static_cast<long>(step.count() % 1000000000);
        pollfd fds[2] = {{handle, POLLIN, 0}, {wake, POLLIN, 0}};
        const int ready = ::ppoll(fds, wake >= 0 ? 2 : 1, &timeout, nullptr);
        if (ready <= 0 || fds[0].revents == 0) continue;
        if (pressed()) return true;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            // A key connection that is gone has no more news: the rest of
            // the wait is the signals' alone, instead of a busy loop.
            StopSignals::WaitUntil(deadline);
            break;
        }
    }
    return false;
}

}  // namespace tess
