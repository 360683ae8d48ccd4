#pragma once
// What a recorded key event typed: the keyboard layout read with
// libxkbcommon, plus the core keymap changes seen in the recorded stream,
// applied in the order they happened (a program that borrows a keycode
// for one character maps it, presses it and maps it back within
// milliseconds; reading the server's keymap afterwards would lose it).
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tess::x11 {

struct TranslatedKey {
    uint8_t vk = 0;    // virtual-key number, 0 when the key has none
    char32_t ch = 0;   // character typed in the event's state, 0 for none
};

class RecordedKeys {
public:
    RecordedKeys();
    ~RecordedKeys();
    RecordedKeys(const RecordedKeys&) = delete;
    RecordedKeys& operator=(const RecordedKeys&) = delete;

    // Reads the keyboard's layout from the server. False with a reason
    // when XKB is missing or the keymap cannot be read.
    bool Load(xcb_connection_t* connection, std::string& error);
    // A core ChangeKeyboardMapping seen in the stream: keysyms for `count`
    // keycodes from `first`, `perKeycode` each.
    void ChangeMapping(uint8_t first, int perKeycode, int count, const uint32_t* keysyms);
    // A key event's keycode and core state (modifiers, and the group in
    // bits 13 and 14).
    TranslatedKey Translate(uint8_t keycode, uint16_t state) const;
    // The keycode that types `keysym` with no modifier, 0 for none.
    uint8_t KeycodeFor(xkb_keysym_t keysym) const;

private:
    uint8_t VirtualKey(uint8_t keycode, xkb_keysym_t levelOne) const;

    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    xkb_keymap* usKeymap_ = nullptr;  // for keys at their US position
    // Keycodes remapped through the core protocol, with their keysyms.
    std::map<uint8_t, std::vector<uint32_t>> changed_;
};

}  // namespace tess::x11
