// Windows: the console's control events stand in for signals. Ctrl+C is
// SIGINT, Ctrl+Break SIGBREAK, and closing the console, logging off or
// shutting down SIGTERM. The handler runs on a thread of its own: it notes
// the request and wakes the loop. For the closing events the system ends
// the process as soon as the handler returns, so it waits instead; the
// main thread releases what playback holds and ends the process itself.
#include "app/play/StopSignals.h"
#include "app/play/StopSignalsWin.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace tess {

namespace {

std::atomic<int> g_received{0};
HANDLE g_wake = nullptr;

int SignalOf(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT: return SIGINT;
    case CTRL_BREAK_EVENT: return SIGBREAK;
    default: return SIGTERM;
    }
}

BOOL WINAPI OnControlEvent(DWORD event) {
    int expected = 0;
    g_received.compare_exchange_strong(expected, SignalOf(event));
    if (g_wake) ::SetEvent(g_wake);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}

}  // namespace

bool StopSignals::Install() {
    g_wake = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return g_wake != nullptr && ::SetConsoleCtrlHandler(OnControlEvent, TRUE) != 0;
}

int StopSignals::Received() { return g_received.load(); }

void* StopSignalWakeEvent() { return g_wake; }

void StopSignals::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    while (g_received.load() == 0) {
        const auto now = steady_clock::now();
        if (now >= deadline) return;
        // Rounded up, so the wait never ends before the deadline.
        const auto left = duration_cast<milliseconds>(deadline - now + microseconds(999));
        const auto step = std::min<milliseconds>(left, hours(1));
        if (g_wake) {
            ::WaitForSingleObject(g_wake, static_cast<DWORD>(step.count()));
        } else {
            ::Sleep(static_cast<DWORD>(step.count()));
        }
    }
}

bool StopSignals::WriteOutput(std::string_view data) {
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), stdout) != data.size()) return false;
    return std::fflush(stdout) == 0;
}

}  // namespace tess
