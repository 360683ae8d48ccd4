#include "platform/x11/ClientPing.h"

#include <poll.h>

#include <algorithm>

namespace tess::x11 {

ClientPing::ClientPing(Display* display)
    : display_(display), root_(DefaultRootWindow(display)),
      protocols_(XInternAtom(display, "WM_PROTOCOLS", False)),
      ping_(XInternAtom(display, "_NET_WM_PING", False)) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, root_, &attributes);
    XSelectInput(display_, root_, attributes.your_event_mask | SubstructureNotifyMask);
}

bool ClientPing::ListsPing(Window window) const {
    Atom* atoms = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display_, window, &atoms, &count)) return false;
    const bool found = std::find(atoms, atoms + count, ping_) != atoms + count;
    XFree(atoms);
    return found;
}

Window ClientPing::FocusedTopLevel() const {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    // The focus may sit on a window inside the client's top-level window:
    // the top-level is the one that carries WM_PROTOCOLS.
    for (int depth = 0; focus > PointerRoot && focus != root_ && depth < 16; ++depth) {
        Atom* atoms = nullptr;
        int count = 0;
        if (XGetWMProtocols(display_, focus, &atoms, &count)) {
            XFree(atoms);
            return focus;
        }
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(display_, focus, &rootReturn, &parent, &children, &n)) break;
        if (children) XFree(children);
        focus = parent;
    }
    return 0;
}

bool ClientPing::Send() {
    const Window window = FocusedTopLevel();
    if (!window || (window == silent_ && Clock::now() - silentAt_ < kSilentFor) || !ListsPing(window))
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping_);
    event.xclient.data.l[1] = static_cast<long>(++token_ & 0xffffffff);
    event.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
    pinged_ = window;
    outstanding_ = true;
    sentAt_ = Clock::now();
    return true;
}

bool ClientPing::IsAnswer(const XEvent& e) const {
    return outstanding_ && e.type == ClientMessage && e.xclient.window == root_ &&
           e.xclient.message_type == protocols_ && e.xclient.format == 32 &&
           static_cast<Atom>(e.xclient.data.l[0]) == ping_ &&
           (static_cast<unsigned long>(e.xclient.data.l[1]) & 0xffffffff) == (token_ & 0xffffffff);
}

void ClientPing::Notice(const XEvent& event) {
    if (IsAnswer(event)) outstanding_ = false;
}

bool ClientPing::Answered() {
    if (!outstanding_) return true;
    auto isAnswer = [](Display*, XEvent* e, XPointer self) -> Bool {
        return reinterpret_cast<const ClientPing*>(self)->IsAnswer(*e);
    };
    XEvent answer;
    if (XCheckIfEvent(display_, &answer, isAnswer, reinterpret_cast<XPointer>(this))) outstanding_ = false;
    return !outstanding_;
}

bool ClientPing::Wait(Clock::time_point deadline) {
    while (!Answered()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            silent_ = pinged_;
            silentAt_ = Clock::now();
            outstanding_ = false;
            return false;
        }
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 50)));
    }
    return true;
}

}  // namespace tess::x11
