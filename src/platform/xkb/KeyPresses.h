#pragma once
// Key events by Windows rules on an XKB keymap, for the desktop sinks that
// describe the keyboard with libxkbcommon (X11, Wayland): a virtual-key
// code presses its key; Ctrl+Alt on a key with an AltGr character types
// that character through AltGr, as on Windows; a character of the layout
// is typed with Shift and AltGr as it needs. Remembers what it holds down
// so that it can let go of everything.
//
// A Ctrl or Alt the caller presses goes out only when a key needs it or at
// Commit(): the Ctrl+Alt that stands for AltGr in a typed character never
// reaches the desktop, where a bare Ctrl+Alt may switch the layout
// (grp:ctrl_alt_toggle) or start a shortcut.
#include <xkbcommon/xkbcommon.h>

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/xkb/KeymapIndex.h"

namespace tess::xkb {

class KeyPresses {
public:
    // Sends one key event (an XKB keycode below 256) to the desktop.
    using SendKey = std::function<void(xkb_keycode_t keycode, bool press)>;
    // `keys` is kept by reference: the caller updates it in place when the
    // layout changes.
    KeyPresses(const KeymapIndex& keys, SendKey send) : keys_(keys), send_(std::move(send)) {}

    // keybd_event: down, or up when `up`.
    void KeyEvent(uint8_t vk, bool up);
    // Types ch with the layout's keys; false (nothing sent) when the
    // layout has no key for it.
    bool TypeChar(char32_t ch);
    // Types a character that no key types alone as the layout does: its
    // dead key, then the key that completes it (space for the accent
    // itself); the client's input method composes them. False (nothing
    // sent) when no dead key of the layout leads to it. For desktops that
    // offer no other way to type it: a client without an input method
    // sees the two keys.
    bool TypeWithDeadKey(char32_t ch);
    // Whether TypeChar can type ch with the layout's keys.
    bool CanTypeChar(char32_t ch) const;
    // Lets go of every key held down.
    void ReleaseAll();
    // Sends the Ctrl and Alt presses held back so far; the sinks call it
    // when they hand a tick's events to the desktop, so that a modifier
    // the scenario holds (KeyDown #17) is down for what follows.
    void Commit();

    // Single key events for a caller that types on keys of its own (a
    // keycode below 256); what is held is kept track of all the same.
    void Press(xkb_keycode_t keycode);
    void Release(xkb_keycode_t keycode);
    bool IsDown(xkb_keycode_t keycode) const { return keycode < down_.size() && down_[keycode]; }

private:
    bool Reachable(const KeyStroke& stroke) const;
    std::optional<KeyStroke> DirectStroke(char32_t ch) const;
    void Strike(const KeyStroke& stroke);
    void ReleaseHeldModifiers();
    void RepressSuspendedModifiers();

    const KeymapIndex& keys_;
    SendKey send_;
    std::bitset<256> down_;      // keys held down now
    std::bitset<256> ctrlHeld_;  // Ctrl keys held as far as the caller knows
    std::bitset<256> altHeld_;   // Alt keys held as far as the caller knows
    std::bitset<256> viaAltGr_;  // keys pressed as AltGr instead of Ctrl+Alt
    std::bitset<256> pending_;   // Ctrl and Alt keys held but not sent yet
    std::vector<xkb_keycode_t> pendingOrder_;  // in the order they were pressed
    bool modifiersSuspended_ = false;
};

}  // namespace tess::xkb
