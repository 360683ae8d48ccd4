#pragma once
// The signals that end the window program, the player and the recorder
// through their own path (release what playback holds, keep what would be
// lost) instead of at once: every signal whose default action ends the
// program without a core dump worth keeping. QUIT is among them, since a
// terminal sends it by a key. A signal ignored when the program started
// (nohup, say) stays ignored.
#include <csignal>

namespace tess {

inline constexpr int kEndSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE};

// Whether `signal` was ignored when the program started, so that it is left so.
inline bool SignalIgnoredAtStart(int signal) {
    struct sigaction old {};
    return ::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
}

}  // namespace tess
