// x11_tick_listener: the pace of the clicks the X server delivers, as an
// XInput2 raw-event listener on the root window sees them. Prints "ready"
// once listening; each "report INTERVAL_MS" line on standard input answers
//   <presses> <median error ms> <p99 error ms> <max error ms> <longest stall ms> <drift ms>
// over the presses since the previous report, and starts afresh. Each
// press is timed on arrival (a monotonic clock, microseconds; the server's
// own timestamps are whole milliseconds) and compared with a schedule of one
// press per interval from the earliest-starting one: the error is how late
// a press came, a stall how much longer than the interval a gap between two
// presses was, the drift how much longer than its ticks the whole run took.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Ms(int64_t ns) { return double(ns) / 1e6; }

void Report(std::vector<int64_t>& at, double intervalMs) {
    const int64_t step = int64_t(intervalMs * 1e6);
    const size_t n = at.size();
    if (n < 2) {
        std::printf("%zu n/a n/a n/a n/a n/a\n", n);
        return;
    }
    int64_t anchor = at[0];
    for (size_t i = 0; i < n; ++i) anchor = std::min<int64_t>(anchor, at[i] - int64_t(i) * step);
    std::vector<int64_t> errors;
    int64_t stall = 0;
    for (size_t i = 0; i < n; ++i) {
        errors.push_back(at[i] - anchor - int64_t(i) * step);
        if (i > 0) stall = std::max<int64_t>(stall, at[i] - at[i - 1] - step);
    }
    std::sort(errors.begin(), errors.end());
    const int64_t drift = at[n - 1] - at[0] - int64_t(n - 1) * step;
    std::printf("%zu %.3f %.3f %.3f %.3f %.3f\n", n, Ms(errors[n / 2]),
                Ms(errors[std::min(n - 1, n * 99 / 100)]), Ms(errors[n - 1]), Ms(stall), Ms(drift));
}

}  // namespace

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11_tick_listener: cannot open the display\n");
        return 2;
    }
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        std::fprintf(stderr, "x11_tick_listener: no XInput2\n");
        return 2;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);

    std::vector<int64_t> at;
    at.reserve(100000);
    auto drain = [&] {
        while (XPending(display) > 0) {
            XEvent ev;
            XNextEvent(display, &ev);
            if (ev.xcookie.type == GenericEvent && ev.xcookie.extension == opcode &&
                ev.xcookie.evtype == XI_RawButtonPress)
                at.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
        }
    };
    std::string line;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        drain();
        if (poll(fds, 2, -1) < 0) continue;
        if (!(fds[1].revents & (POLLIN | POLLHUP))) continue;
        char c = 0;
        if (read(STDIN_FILENO, &c, 1) <= 0) break;
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line.rfind("report ", 0) == 0) {
            XSync(display, False);  // every press made before now is in
            drain();
            Report(at, std::stod(line.substr(7)));
            std::fflush(stdout);
            at.clear();
        }
        line.clear();
    }
    XCloseDisplay(display);
    return 0;
}
