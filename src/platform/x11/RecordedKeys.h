#pragma once
// What a recorded key event typed: the keyboard layout read with
// libxkbcommon (virtual-key numbers from the shared keymap index), plus the
// core keymap changes seen in the recorded stream, applied in the order
// they happened (a program that borrows a keycode for one character maps
// it, presses it and maps it back within milliseconds; reading the
// server's keymap afterwards would lose it).
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/xkb/KeymapIndex.h"

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
    TranslatedKey Translate(uint8_t keycode, uint16_t state);

private:
    uint8_t VirtualKey(uint8_t keycode, xkb_layout_index_t group);

    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    // The keymap indexed for each group, made when first needed.
    std::array<std::unique_ptr<xkb::KeymapIndex>, 4> indexes_;
    // Keycodes remapped through the core protocol, with their keysyms.
    std::map<uint8_t, std::vector<uint32_t>> changed_;
};

}  // namespace tess::x11
