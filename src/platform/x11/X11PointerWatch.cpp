// The pointer's motion on X11: XInput2 raw motion events on a connection of
// its own, selected on the root window so that every pointer device's
// motion is seen wherever the pointer is, XTest's included.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include "platform/PointerWatch.h"
#include "platform/x11/ErrorTrap.h"
#include "platform/x11/X11Sink.h"

namespace tess::x11 {
namespace {

class X11PointerWatch final : public PointerWatch {
public:
    X11PointerWatch(Display* display, int opcode) : display_(display), opcode_(opcode) {}
    ~X11PointerWatch() override {
        StopWatchingErrors(display_);
        XCloseDisplay(display_);
    }

    int WaitHandle() const override { return ConnectionNumber(display_); }

    bool TakeMotion() override {
        bool moved = false;
        // Reads what the socket holds, then what is queued: never blocks.
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.xcookie.type == GenericEvent && event.xcookie.extension == opcode_ &&
                event.xcookie.evtype == XI_RawMotion)
                moved = true;
        }
        return moved;
    }

private:
    Display* display_;
    int opcode_;
};

}  // namespace

std::unique_ptr<PointerWatch> OpenX11PointerWatch(X11Sink& sink) {
    Display* display = XOpenDisplay(DisplayString(sink.display()));
    if (!display) return nullptr;
    HandleServerLoss();
    WatchForErrors(display);
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        StopWatchingErrors(display);
        XCloseDisplay(display);
        return nullptr;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False);
    return std::make_unique<X11PointerWatch>(display, opcode);
}

}  // namespace tess::x11

namespace tess {

std::unique_ptr<PointerWatch> CreatePointerWatch(InputSink& sink) {
    auto* x11Sink = dynamic_cast<x11::X11Sink*>(&sink);
    return x11Sink ? x11::OpenX11PointerWatch(*x11Sink) : nullptr;
}

}  // namespace tess
