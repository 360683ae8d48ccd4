#include "app/play/StopSignals.h"

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tess {

namespace {

volatile std::sig_atomic_t g_received = 0;
int g_wakeRead = -1;
int g_wakeWrite = -1;

extern "C" void OnStopSignal(int signal) {
    g_received = signal;
    if (g_wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_wakeWrite, &byte, 1);
    }
}

}  // namespace

bool StopSignals::Install() {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    for (int fd : fds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    g_wakeRead = fds[0];
    g_wakeWrite = fds[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

int StopSignals::Received() { return g_received; }

void StopSignals::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    while (g_received == 0) {
        const auto now = steady_clock::now();
        if (now >= deadline) return;
        const auto left = duration_cast<nanoseconds>(deadline - now);
        // Waits of any length go in steps the timespec can always hold.
        const auto step = std::min<nanoseconds>(left, hours(1));
        timespec timeout{};
        timeout.tv_sec = static_cast<time_t>(step.count() / 1000000000);
        timeout.tv_nsec = static_cast<long>(step.count() % 1000000000);
        pollfd wake{g_wakeRead, POLLIN, 0};
        ::ppoll(g_wakeRead >= 0 ? &wake : nullptr, g_wakeRead >= 0 ? 1 : 0, &timeout, nullptr);
    }
}

}  // namespace tess
