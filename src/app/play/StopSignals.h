#pragma once
// How the player learns that it should end: a signal on POSIX systems,
// Ctrl+C, Ctrl+Break or closing the console on Windows. The handlers only
// note the request and wake a waiting loop, which then releases what
// playback holds before the program ends with 128 + the signal number.
// One implementation per system, chosen by the build.
#include <chrono>
#include <string_view>

namespace tess {

class StopSignals {
public:
    // Installs the handlers for every request that would otherwise end the
    // program at once (on POSIX: HUP, INT, QUIT, TERM, USR1, USR2, ALRM,
    // PIPE; a signal ignored when the program started stays ignored).
    static bool Install();
    // The signal number of the first request, or 0.
    static int Received();
    // Waits until `deadline` or until a request arrives, whichever is first.
    static void WaitUntil(std::chrono::steady_clock::time_point deadline);
    // Writes to standard output. False when a write fails, and also when a
    // stop request has arrived and the output cannot take more at once: a
    // reader that has stopped reading never holds the program.
    static bool WriteOutput(std::string_view data);
};

}  // namespace tess
