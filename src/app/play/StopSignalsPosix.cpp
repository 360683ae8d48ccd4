#include "app/play/StopSignals.h"
#include "app/play/StopSignalsPosix.h"
#include "app/EndSignalsPosix.h"

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {

namespace {

volatile std::sig_atomic_t g_received = 0;
int g_wakeRead = -1;
int g_wakeWrite = -1;

extern "C" void OnStopSignal(int signal) {
    const int savedErrno = errno;
    if (g_received == 0) g_received = signal;
    if (g_wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_wakeWrite, &byte, 1);
    }
    errno = savedErrno;
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
    for (int signal : kEndSignals) sigaddset(&action.sa_mask, signal);
    // No SA_RESTART: a write blocked on a full pipe returns, so the loop
    // sees the request.
    action.sa_flags = 0;
    bool ok = true;
    for (int signal : kEndSignals) {
        if (SignalIgnoredAtStart(signal)) continue;
        ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
    }
    return ok;
}

int StopSignals::Received() { return g_received; }

int StopSignalWakeDescriptor() { return g_wakeRead; }

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

bool StopSignals::WriteOutput(std::string_view data) {
    // A pipe or socket takes at most PIPE_BUF bytes without blocking once
    // poll calls it writable; anything else takes the whole block.
    static const std::size_t chunk = [] {
        struct stat st {};
        if (::fstat(STDOUT_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)))
            return static_cast<std::size_t>(PIPE_BUF);
        return std::size_t{1} << 20;
    }();
    while (!data.empty()) {
        // Wait for room, or for a stop request; after one, write only what
        // fits at once.
        pollfd fds[2] = {{STDOUT_FILENO, POLLOUT, 0}, {g_wakeRead, POLLIN, 0}};
        const int ready = ::poll(fds, g_wakeRead >= 0 ? 2 : 1, g_received != 0 ? 0 : -1);
        if (ready < 0 && errno != EINTR) return false;
        if (fds[0].revents & POLLNVAL) return false;
        // A reader that has gone (POLLERR) is left to the write to report,
        // as SIGPIPE or EPIPE.
        if (!(fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
            if (g_received != 0) return false;
            continue;
        }
        const ssize_t n = ::write(STDOUT_FILENO, data.data(), std::min(chunk, data.size()));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace tess
