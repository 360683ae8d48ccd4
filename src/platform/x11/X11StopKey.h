#pragma once
// The stop keys on X11: passive grabs on the root window for Pause and for
// Ctrl+Alt+Q, each with every combination of the lock modifiers (Caps Lock,
// Num Lock, Scroll Lock), on a connection of their own. The keycodes follow
// the layout: Q is whichever key types q.
//
// The sink's own presses of those keys reach the focused window rather than
// the grab: around each one the grab is given up and taken back, and as the
// server handles the requests in order (the release, the fake press, the
// new grab), no other program's key can slip in as the sink's.
#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/OwnKeyGuard.h"
#include "platform/StopKey.h"
#include "platform/x11/KeyPressGuard.h"

namespace tess::x11 {

class X11Sink;

// On XWayland the same grabs serve a Wayland sink, whose keycodes are the
// X server's (XWayland types with the compositor's keymap): the sink tells
// its presses as an OwnKeyGuard.
class X11StopKey final : public StopKey, public KeyPressGuard, public OwnKeyGuard {
public:
    // Takes ownership of `display`, a connection of its own. `sink` (may be
    // nullptr) gets this object as its key-press guard until it is destroyed.
    X11StopKey(Display* display, X11Sink* sink);
    ~X11StopKey() override;
    X11StopKey(const X11StopKey&) = delete;
    X11StopKey& operator=(const X11StopKey&) = delete;

    void Arm() override;
    void Disarm() override;
    bool Armed() const override { return armed_; }
    bool TakePress() override;
    std::vector<std::string> TakeNotices() override;
    int WaitHandle() const override;

    bool Guards(KeyCode keycode) const override;
    void BeforeOwnPress(KeyCode keycode) override;
    void AfterOwnPress(KeyCode keycode) override;

    bool Guards(uint32_t keycode, uint32_t keysym) const override;
    void BeforeOwnPress(uint32_t keycode, uint32_t keysym) override;
    void AfterOwnPress(uint32_t keycode, uint32_t keysym) override;

private:
    struct Key {
        std::string name;            // as the user reads it: "Pause", "Ctrl+Alt+Q"
        std::vector<KeySym> keysyms;  // any of these on a keycode makes it this key
        bool withCtrlAlt;
        std::vector<KeyCode> keycodes;
        bool reported = false;        // a conflict was named already
    };
    struct Grabbed {
        KeyCode keycode;
        unsigned modifiers;
        bool operator==(const Grabbed&) const = default;
    };
    void ReadLayout();
    // The key on each of its keycodes with every combination of the lock
    // modifiers; with `held`, the same again under each combination of the
    // modifiers a scenario may hold down (Shift, Ctrl, Alt, Super), so that
    // the key stops playback whatever the scenario holds.
    std::vector<Grabbed> Wanted(const Key& key, bool held) const;
    // Grabs them; with `report`, a key that another program holds is noted.
    void Grab(Key& key, const std::vector<Grabbed>& grabs, bool report);

    Display* display_;
    Window root_;
    X11Sink* sink_;
    std::vector<Key> keys_;
    unsigned altMask_ = Mod1Mask;
    unsigned superMask_ = Mod4Mask;
    std::vector<unsigned> lockMasks_;  // every combination of the lock modifiers
    std::vector<Grabbed> grabbed_;  // what Arm took
    bool armed_ = false;
    bool layoutStale_ = false;
    std::vector<std::string> notices_;
    // XWayland: the raw key events of the server, which tell when it has
    // handled a Wayland sink's own press (XInput 2 opcode, -1 without).
    int xiOpcode_ = -1;
    bool pendingPress_ = false;  // a grab's press read while waiting for one
    void WaitForRawPress(KeyCode keycode);

public:
    // Watches the raw key events, for the Wayland sink's presses.
    void WatchRawKeys();
};

// Opens a second connection to the sink's display for the stop keys. On
// failure returns nullptr with a one-line reason.
std::unique_ptr<X11StopKey> OpenX11StopKey(X11Sink& sink, std::string& error);
// The same on the X server DISPLAY names (XWayland beside a Wayland sink).
std::unique_ptr<X11StopKey> OpenXWaylandStopKey(std::string& error);

}  // namespace tess::x11
