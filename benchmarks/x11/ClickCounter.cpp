// x11_click_counter: counts the button presses the X server delivers, as
// an XInput2 raw-event listener on the root window sees them. Prints
// "ready" once listening; each "report" line on standard input answers
// with "<presses> <first server ms> <last server ms>" and starts afresh.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11_click_counter: cannot open the display\n");
        return 2;
    }
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        std::fprintf(stderr, "x11_click_counter: no XInput2\n");
        return 2;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawButtonPress);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);

    unsigned long presses = 0;
    Time first = 0, last = 0;
    auto drain = [&] {
        while (XPending(display) > 0) {
            XEvent ev;
            XNextEvent(display, &ev);
            if (ev.xcookie.type != GenericEvent || ev.xcookie.extension != opcode ||
                !XGetEventData(display, &ev.xcookie))
                continue;
            if (ev.xcookie.evtype == XI_RawButtonPress) {
                const auto* raw = static_cast<XIRawEvent*>(ev.xcookie.data);
                if (presses++ == 0) first = raw->time;
                last = raw->time;
            }
            XFreeEventData(display, &ev.xcookie);
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
        if (line == "report") {
            // A round trip: every press the server made before now is in.
            XSync(display, False);
            drain();
            std::printf("%lu %lu %lu\n", presses, first, last);
            std::fflush(stdout);
            presses = 0;
            first = last = 0;
        }
        line.clear();
    }
    XCloseDisplay(display);
    return 0;
}
