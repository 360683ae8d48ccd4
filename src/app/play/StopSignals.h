#pragma once
// Ctrl+C and SIGTERM end playback cleanly: the handlers only note the
// signal and wake a waiting loop, which then releases what playback holds.
#include <chrono>

namespace tess {

class StopSignals {
public:
    // Installs the handlers for SIGINT and SIGTERM.
    static bool Install();
    // The signal received, or 0.
    static int Received();
    // Waits until `deadline` or until a signal arrives, whichever is first.
    static void WaitUntil(std::chrono::steady_clock::time_point deadline);
};

}  // namespace tess
