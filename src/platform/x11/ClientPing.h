#pragma once
// A round trip through the client that has the keyboard focus: the
// _NET_WM_PING message window managers send to tell a client is alive,
// sent to the focused top-level window when its WM_PROTOCOLS lists it.
// The client answers on the root window once it has handled every event
// before the message, key events included; so once the answer is in, the
// client has decoded the keys sent before the ping and a keycode they
// went out on may change.
#include <X11/Xlib.h>

#include <chrono>

namespace tess::x11 {

class ClientPing {
public:
    using Clock = std::chrono::steady_clock;
    // Selects the root window's substructure events on `display`, where
    // the answers come.
    explicit ClientPing(Display* display);

    // Sends a ping after everything sent so far; false when the focused
    // window does not answer pings (or gave no answer before), and
    // nothing was sent.
    bool Send();
    // Whether a sent ping is still unanswered.
    bool Outstanding() const { return outstanding_; }
    // Takes the answer if it is in, without waiting; other events stay
    // queued. True once the last ping was answered.
    bool Answered();
    // Takes the answer when `event` is it (for a caller that reads the
    // events itself).
    void Notice(const XEvent& event);
    // Waits for the answer until `deadline`; a window that lets the
    // deadline pass is not pinged again for kSilentFor (a hung client
    // would hold up every stroke).
    bool Wait(Clock::time_point deadline);
    // When the outstanding ping was sent.
    Clock::time_point SentAt() const { return sentAt_; }

private:
    bool IsAnswer(const XEvent& event) const;
    Window FocusedTopLevel() const;
    bool ListsPing(Window window) const;

    Display* display_;
    Window root_;
    Atom protocols_;
    Atom ping_;
    Window pinged_ = 0;
    static constexpr std::chrono::seconds kSilentFor{10};
    Window silent_ = 0;  // the last window that did not answer in time
    Clock::time_point silentAt_{};
    unsigned long token_ = 0x7e550000;
    bool outstanding_ = false;
    Clock::time_point sentAt_{};
};

}  // namespace tess::x11
