#pragma once
// A private X server for the tests, and an ordinary X client on it that
// watches what the server delivers: a focused window over the whole screen
// that records its key and button events.
#include <X11/Xlib.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace tess::x11::testing {

// Xvfb on a display number it picks itself (-displayfd); killed when this
// goes out of scope.
class Xvfb {
public:
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    // ":N", or empty when the server could not be started.
    const std::string& name() const { return name_; }
    // Runs a program (no shell) against this display and waits for it.
    int Run(const std::vector<std::string>& argv) const;

private:
    pid_t pid_ = -1;
    std::string name_;
};

// Starts a program (no shell) with the test's environment, its standard
// output and error going to `outputPath` (or nowhere); returns its pid.
pid_t StartProgram(const std::vector<std::string>& argv, const std::string& outputPath = "");
// Waits for it: its exit status, or 128 + the signal that ended it.
int WaitForProgram(pid_t pid);

struct SeenEvent {
    int type;           // KeyPress, KeyRelease, ButtonPress, ButtonRelease
    unsigned detail;    // keycode or button
    unsigned state;     // modifier and button mask at the event
    KeySym keysym;      // what the key typed, as the client decodes it
    std::string text;   // the characters it typed (UTF-8), empty for none
    int x, y;           // root coordinates
};

class WatchingClient {
public:
    explicit WatchingClient(const std::string& display);
    ~WatchingClient();
    WatchingClient(const WatchingClient&) = delete;
    WatchingClient& operator=(const WatchingClient&) = delete;

    Display* display() const { return display_; }
    Window window() const { return window_; }
    // Everything the window received up to now (a round trip to the server
    // first, so events from another client's finished requests are in).
    std::vector<SeenEvent> Collect();
    // Characters typed by the key presses among the events.
    static std::string Typed(const std::vector<SeenEvent>& events);
    // Reads events as they come (decoding keys at once, against the mapping
    // of the moment) until the window receives a button press.
    void WaitForButtonPress();
    // Whether any key or pointer button is down on the server.
    bool AnythingHeld();
    // The pointer, as the server reports it.
    void Pointer(int& x, int& y);
    // The whole core keyboard mapping, to compare before and after.
    std::vector<KeySym> KeyboardMapping();

private:
    bool Decode(XEvent& event, SeenEvent& seen);

    Display* display_ = nullptr;
    std::vector<SeenEvent> seen_;  // read but not yet collected
    Window window_ = 0;
};

}  // namespace tess::x11::testing
