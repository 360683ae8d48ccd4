// x11_stop_key_latency: how soon the stop key ends playback. For each
// interval it starts tessaline-play on a scenario that holds the left
// button and then moves the pointer at that interval; once the button is
// down it presses Pause on a connection of its own (as the user's keyboard
// would) and waits for the button's release, which the player sends as it
// stops. Both moments are the X server's own timestamps, as an XInput2
// raw-event listener on the root window receives them.
//
//   x11_stop_key_latency PLAYER [ROUNDS] [INTERVAL...]   (display: $DISPLAY)
//
// PLAYER is tessaline-play, or x11_window_player for the main window.
// INTERVAL 0 stands for a 100,000-character Write after the button is down,
// typed into a window of this program: the key comes while the line is
// being typed.
//
// Prints one line per interval: "interval <ms> rounds <n> median <ms> max <ms>".
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

Display* gDisplay = nullptr;
int gOpcode = 0;

// Waits up to `seconds` for a raw event of `type`; its server time, or 0.
Time WaitFor(int type, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        while (XPending(gDisplay) > 0) {
            XEvent ev;
            XNextEvent(gDisplay, &ev);
            if (ev.xcookie.type != GenericEvent || ev.xcookie.extension != gOpcode ||
                !XGetEventData(gDisplay, &ev.xcookie))
                continue;
            const int evtype = ev.xcookie.evtype;
            const Time time = static_cast<XIRawEvent*>(ev.xcookie.data)->time;
            XFreeEventData(gDisplay, &ev.xcookie);
            if (evtype == type) return time;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return 0;
        pollfd p{ConnectionNumber(gDisplay), POLLIN, 0};
        poll(&p, 1, static_cast<int>(left.count()));
    }
}

pid_t Start(const std::string& player, const std::string& scenario) {
    const char* argv[] = {player.c_str(), scenario.c_str(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, player.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return -1;
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: x11_stop_key_latency PLAYER [ROUNDS] [INTERVAL...]\n");
        return 2;
    }
    const std::string player = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 10;
    std::vector<long> intervals;
    for (int i = 3; i < argc; ++i) intervals.push_back(std::atol(argv[i]));
    if (intervals.empty()) intervals = {1, 1000, 600000};

    gDisplay = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 2, minor = 0;
    if (!gDisplay || !XQueryExtension(gDisplay, "XInputExtension", &gOpcode, &event, &error) ||
        XIQueryVersion(gDisplay, &major, &minor) != Success) {
        std::fprintf(stderr, "x11_stop_key_latency: no display with XInput2\n");
        return 2;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(gDisplay, DefaultRootWindow(gDisplay), &mask, 1);
    XSync(gDisplay, False);
    const KeyCode pause = XKeysymToKeycode(gDisplay, XK_Pause);
    // The application the scenario types into: a window of this program
    // that takes the keyboard focus once playback holds the button (the
    // main window would otherwise type into its own list).
    const Window typedInto = XCreateSimpleWindow(gDisplay, DefaultRootWindow(gDisplay), 1000, 800, 20, 20,
                                                 0, 0, 0);
    XMapWindow(gDisplay, typedInto);
    XSync(gDisplay, False);

    const std::string scenario = "/tmp/tess-stop-key-latency-" + std::to_string(getpid()) + ".sf";
    int status = 0;
    for (long interval : intervals) {
        // Away from the top-left corner, where the main window opens: a
        // press on its menu bar would open a menu, which takes the keyboard.
        // The Write starts 200 ms after the button, once the focus has gone
        // to the window it types into; the key comes 100 ms into it.
        if (interval == 0)
            std::ofstream(scenario) << "Interval 1\nCurPos 600,400\nMouseLDown \nInterval 200\n"
                                    << "CurPos 600,401\nInterval 1\nWrite " << std::string(100000, 'x') << "\n";
        else
            std::ofstream(scenario) << "Interval 1\nCurPos 600,400\nMouseLDown \nInterval " << interval
                                    << "\nCycle \nCurPos 600,410\nCurPos 610,400\nCycleEnd \n";
        std::vector<long> spans;
        for (int round = 0; round < rounds; ++round) {
            const pid_t pid = Start(player, scenario);
            if (pid < 0 || !WaitFor(XI_RawButtonPress, 10)) {
                std::fprintf(stderr, "x11_stop_key_latency: the player held no button\n");
                if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
                status = 1;
                break;
            }
            XSetInputFocus(gDisplay, typedInto, RevertToPointerRoot, CurrentTime);
            XSync(gDisplay, False);
            // Let the player settle into its wait at this interval.
            usleep(interval == 0 ? 300000 : 50000);
            XTestFakeKeyEvent(gDisplay, pause, True, CurrentTime);
            XTestFakeKeyEvent(gDisplay, pause, False, CurrentTime);
            XFlush(gDisplay);
            const Time pressed = WaitFor(XI_RawKeyPress, 10);
            const Time released = pressed ? WaitFor(XI_RawButtonRelease, 10) : 0;
            int wstatus = 0;
            if (!released) kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            if (!released || !WIFEXITED(wstatus) || WEXITSTATUS(wstatus) != 0) {
                std::fprintf(stderr, "x11_stop_key_latency: %s\n",
                             released ? "the player did not end with status 0"
                                      : "the key did not stop the player");
                status = 1;
                break;
            }
            spans.push_back(static_cast<long>(released - pressed));
        }
        if (spans.empty()) {
            std::printf("interval %ld rounds 0\n", interval);
            continue;
        }
        std::sort(spans.begin(), spans.end());
        std::printf("interval %ld rounds %zu median %ld max %ld\n", interval, spans.size(),
                    spans[spans.size() / 2], spans.back());
        std::fflush(stdout);
    }
    std::remove(scenario.c_str());
    XCloseDisplay(gDisplay);
    return status;
}
