#pragma once
// The current keyboard layout as read through XKB: which keycode a Windows
// virtual-key code presses, which key and shift state type a character,
// where AltGr is, and which keycodes are free to borrow.
#include <X11/Xlib.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tess::x11 {

struct KeyStroke {
    KeyCode keycode = 0;
    uint8_t vk = 0;
    // Shift state in the Windows form: 1 Shift, 2 Ctrl, 4 Alt (AltGr is
    // reported as Ctrl+Alt).
    int shiftState = 0;
};

class KeyboardMap {
public:
    // Reads the layout of the keyboard's current group. Returns false when
    // the server would not give it (the map is then empty).
    // Keys listed in `ignore` (borrowed ones) are taken as absent.
    bool Load(Display* display, const std::vector<KeyCode>& ignore = {});

    // 0 when the code has no key on this keyboard.
    KeyCode KeycodeForVirtualKey(uint8_t vk) const { return vkToKeycode_[vk]; }
    // The key and shift state that type ch in the current group, using only
    // keys reachable through a virtual-key code.
    std::optional<KeyStroke> FindChar(char32_t ch) const;

    // The key that selects the third level (AltGr), 0 when there is none.
    KeyCode Level3Keycode() const { return level3Keycode_; }
    // Whether the key types something of its own with AltGr held, so that
    // Ctrl+Alt on it means AltGr rather than a shortcut.
    bool HasLevel3Symbol(KeyCode keycode) const;
    // Keycodes with no symbol in any group: free to borrow for one stroke.
    const std::vector<KeyCode>& SpareKeycodes() const { return spare_; }
    int Group() const { return group_; }

private:
    struct Level {
        KeySym keysym;
        unsigned mods;  // real modifiers that select this level, ~0u if none
    };
    std::span<const Level> Levels(KeyCode keycode, int group) const;
    KeyCode FindKeysym(KeySym keysym, bool currentGroup) const;

    struct Key {
        std::vector<std::vector<Level>> groups;
        char name[5] = {};
    };
    std::vector<Key> keys_;  // indexed by keycode
    int minKeycode_ = 8;
    int group_ = 0;
    unsigned level3Mask_ = 0;
    KeyCode level3Keycode_ = 0;
    std::array<KeyCode, 256> vkToKeycode_{};
    std::array<uint8_t, 256> keycodeToVk_{};
    std::vector<KeyCode> spare_;
};

}  // namespace tess::x11
