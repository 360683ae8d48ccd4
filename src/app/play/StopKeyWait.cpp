#include "app/play/StopKeyWait.h"

#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <csignal>

#include "app/play/StopSignals.h"

namespace tess {

bool WaitForStopKey(int handle, std::chrono::steady_clock::time_point deadline,
                    const std::function<bool()>& pressed) {
    using namespace std::chrono;
    if (handle < 0) {
        StopSignals::WaitUntil(deadline);
        return false;
    }
    // The stop signals stay blocked except inside ppoll, which lets them in
    // atomically: one that arrives after the check below still cuts the
    // wait short (EINTR) instead of waiting for the deadline.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    bool stop = false;
    while (!stop && StopSignals::Received() == 0) {
        const auto now = steady_clock::now();
        if (now >= deadline) break;
        const auto step = std::min<nanoseconds>(duration_cast<nanoseconds>(deadline - now), hours(1));
        timespec timeout{};
        timeout.tv_sec = static_cast<time_t>(step.count() / 1000000000);
        timeout.tv_nsec = static_cast<long>(step.count() % 1000000000);
        pollfd key{handle, POLLIN, 0};
        if (::ppoll(&key, 1, &timeout, &previous) > 0) stop = pressed();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return stop;
}

}  // namespace tess
