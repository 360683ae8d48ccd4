// Counts the keyboard mapping changes the X server announces (XKB map
// notifications, as every keymap change sends one) until its input closes;
// prints "ready" once listening and the count at the end.
#include <X11/XKBlib.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>

int main() {
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    Display* display = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &opcode);
    if (!display) {
        std::fprintf(stderr, "mapping_counter: no X display with XKB\n");
        return 2;
    }
    XkbSelectEvents(display, XkbUseCoreKbd, XkbMapNotifyMask, XkbMapNotifyMask);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    unsigned long changes = 0;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        while (XPending(display) > 0) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == event && reinterpret_cast<XkbEvent&>(e).any.xkb_type == XkbMapNotify) ++changes;
        }
        if (poll(fds, 2, -1) < 0) break;
        if (fds[1].revents) break;  // input closed (or written): report
    }
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent e;
        XNextEvent(display, &e);
        if (e.type == event && reinterpret_cast<XkbEvent&>(e).any.xkb_type == XkbMapNotify) ++changes;
    }
    std::printf("%lu\n", changes);
    XCloseDisplay(display);
    return 0;
}
