#pragma once
// A private headless sway for the tests, with two outputs (800x600 at 0,0
// and 640x480 at 800,100), and the observing client wl_observer on it.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tess::wayland::testing {

class Sway {
public:
    // With `xwayland`, sway's own XWayland runs from the start and lets
    // this process's user in.
    explicit Sway(bool xwayland = false);
    ~Sway();
    Sway(const Sway&) = delete;
    Sway& operator=(const Sway&) = delete;
    // The compositor's socket as an absolute path (what WAYLAND_DISPLAY
    // may name), empty when it could not be started.
    const std::string& socket() const { return socket_; }
    // XWayland's DISPLAY, empty without it.
    const std::string& display() const { return display_; }
    // Ends the compositor now.
    void Stop();

private:
    pid_t pid_ = -1;
    std::string dir_;
    std::string display_;
    std::string socket_;
};

class Observer {
public:
    // Starts wl_observer on the compositor with the keyboard layout given;
    // waits until its surfaces are up.
    Observer(const std::string& socket, const std::string& layout);
    ~Observer();
    Observer(const Observer&) = delete;
    Observer& operator=(const Observer&) = delete;
    bool ready() const { return ready_; }

    // Reads lines until one satisfies `done` (true) or the deadline passes.
    bool WaitFor(const std::function<bool(const std::string&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Reads until the characters typed so far are `text`, or their count
    // reaches its count, or the deadline passes; returns what was typed.
    std::string WaitForText(const std::string& text,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Every line read so far.
    const std::vector<std::string>& lines() const { return lines_; }
    // The last line that begins with `prefix`, empty when none.
    std::string Last(const std::string& prefix) const;

private:
    bool ReadLine(std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::vector<std::string> lines_;
    std::string typed_;
    bool ready_ = false;
};

// Starts a program (no shell) with the environment plus `extraEnv`
// ("NAME=value"), its standard output and error going to `stdoutFd` (or
// nowhere); returns its pid.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
            int stdoutFd = -1);
int WaitForExit(pid_t pid);

}  // namespace tess::wayland::testing
