#pragma once
// Windows virtual-key codes and characters on an XKB keymap.
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdint>
#include <optional>

namespace tess::wayland {

struct KeyStroke {
    xkb_keycode_t keycode = 0;
    uint8_t vk = 0;
    int shiftState = 0;  // Windows form: 1 Shift, 2 Ctrl, 4 Alt (AltGr: Ctrl+Alt)
};

class KeyLayout {
public:
    void Load(xkb_keymap* keymap);
    // 0 when the code has no key.
    xkb_keycode_t KeycodeForVirtualKey(uint8_t vk) const;
    // The key and shift state that type ch on the first layout.
    std::optional<KeyStroke> FindChar(char32_t ch) const;
    // The key that selects the third level (AltGr), 0 when there is none.
    xkb_keycode_t Level3Keycode() const;
    // Whether the key types something of its own with AltGr held.
    bool HasLevel3Symbol(xkb_keycode_t keycode) const;

private:
    xkb_keymap* keymap_ = nullptr;
    std::array<xkb_keycode_t, 256> vkToKeycode_{};
    std::array<uint8_t, 256> keycodeToVk_{};
};

}  // namespace tess::wayland
