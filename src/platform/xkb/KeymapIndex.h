#pragma once
// Windows virtual-key semantics over an XKB keymap, for every desktop that
// describes its keyboard with libxkbcommon (X11, Wayland). Depends on
// libxkbcommon only.
//
// For the keymap's active layout (group) the index answers:
// - which key and modifiers type a character (keysym <-> Unicode through
//   libxkbcommon, never a table of our own);
// - VkKeyScanA: the key's virtual-key code in the low byte and the shift
//   state in the high byte (Shift 1, Ctrl 2, Alt 4; AltGr is Ctrl+Alt), -1
//   when no key of the layout with a virtual-key code types the character;
// - which key a virtual-key code presses:
//   * letters 65-90: the key that types that Latin letter on the layout;
//     on a layout without it (ru, gr) the key at the letter's US position;
//   * digits 48-57: the digit-row keys, by position;
//   * OEM keys 186-192, 219-223, 226: the key that produces the code's
//     character (187 '+' or '=', 188 ',', 189 '-', 190 '.', 186 ';',
//     191 '/', 192 '`', 219 '[', 220 '\', 221 ']', 222 '\'') unshifted, then
//     shifted; else the key at the US position; a punctuation key left
//     without a code takes one of the codes still free (223 first);
//   * the fixed keys (Enter, Tab, arrows, F1-F24, keypad, Shift, Ctrl,
//     Alt...) by keysym, else by position.
// - which dead key and following key type a character the layout has no
//   key of its own for ('^' as dead circumflex then space on de, 'â' as
//   dead circumflex then a), by the compose sequences of the user's
//   locale, which the clients' input methods follow;
// Only Shift and AltGr (ISO_Level3_Shift) count as reachable modifiers for
// typing; a level that needs anything else (Lock, NumLock, Level5) is
// left aside.
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tess::xkb {

// Bits of the high byte of a VkKeyScanA result.
inline constexpr int kShiftStateShift = 1;
inline constexpr int kShiftStateCtrl = 2;
inline constexpr int kShiftStateAlt = 4;

struct KeyStroke {
    xkb_keycode_t keycode = 0;       // XKB keycode (on X11 the core keycode)
    xkb_layout_index_t layout = 0;   // the key's effective layout
    xkb_level_index_t level = 0;
    xkb_mod_mask_t mods = 0;         // modifiers that select the level, 0 for level 0
    uint8_t vk = 0;                  // the key's virtual-key code, 0 when it has none
    int shiftState = 0;              // `mods` in the Windows form (AltGr = Ctrl+Alt)
};

// A character typed as two strokes: a dead key, then the key it combines with.
struct DeadKeyStrokes {
    KeyStroke dead;
    KeyStroke then;
};

class KeymapIndex {
public:
    // An empty index: every question answers "absent".
    KeymapIndex() = default;
    // Indexes `keymap` (a reference is kept) for the active layout `layout`.
    // Keycodes in `ignore` are taken as absent: keys the caller has
    // remapped for a moment, say.
    KeymapIndex(xkb_keymap* keymap, xkb_layout_index_t layout,
                const std::vector<xkb_keycode_t>& ignore = {});
    ~KeymapIndex();
    KeymapIndex(const KeymapIndex& other);
    KeymapIndex& operator=(const KeymapIndex& other);
    KeymapIndex(KeymapIndex&& other) noexcept;
    KeymapIndex& operator=(KeymapIndex&& other) noexcept;

    xkb_keymap* keymap() const { return keymap_; }
    xkb_layout_index_t layout() const { return layout_; }

    // Windows' VkKeyScanA for a Unicode character on the active layout.
    int16_t VkKeyScan(char32_t ch) const;
    // The key (at level 0, no modifiers) a virtual-key code presses.
    std::optional<KeyStroke> KeyForVirtualKey(uint8_t vk) const;
    // 0 when the code has no key.
    xkb_keycode_t KeycodeForVirtualKey(uint8_t vk) const;
    // The virtual-key code of a key, 0 when it has none.
    uint8_t VirtualKeyForKeycode(xkb_keycode_t keycode) const;
    // The key and modifiers that type ch on the active layout, also on keys
    // without a virtual-key code; the fewest modifiers win.
    std::optional<KeyStroke> KeyForChar(char32_t ch) const;
    // The dead key and the key after it that type ch, for a character
    // KeyForChar has no key for.
    std::optional<DeadKeyStrokes> DeadKeysForChar(char32_t ch) const;

    // The modifier keys used for typing and the modifiers they set
    // (keycode 0 and mask 0 when the layout has no such key).
    xkb_keycode_t ShiftKeycode() const { return shiftKeycode_; }
    xkb_mod_mask_t ShiftMods() const { return shiftMask_; }
    xkb_keycode_t Level3Keycode() const { return level3Keycode_; }
    xkb_mod_mask_t Level3Mods() const { return level3Mask_; }
    // Whether the key types a character of its own with AltGr held, so
    // that Ctrl+Alt on it means AltGr rather than a shortcut.
    bool HasLevel3Symbol(xkb_keycode_t keycode) const;

    // Keycodes with no symbol in any layout, ascending: free to borrow.
    const std::vector<xkb_keycode_t>& SpareKeycodes() const { return spare_; }

private:
    struct Level {
        xkb_keysym_t keysym = XKB_KEY_NoSymbol;
        xkb_mod_mask_t mods = 0;
        bool reachable = false;
    };
    struct Key {
        xkb_layout_index_t layout = 0;
        std::vector<Level> levels;
        bool keypad = false;
    };
    void Build(const std::vector<xkb_keycode_t>& ignore);
    void AssignVirtualKeys();
    void IndexCharacters();
    void IndexDeadKeys();
    const Key* KeyAt(xkb_keycode_t keycode) const;
    std::optional<KeyStroke> StrokeAt(xkb_keycode_t keycode, size_t level) const;
    xkb_keycode_t FindKeysym(xkb_keysym_t keysym, bool anyLayout) const;
    xkb_keycode_t ByName(const char* name) const;

    xkb_keymap* keymap_ = nullptr;
    xkb_layout_index_t layout_ = 0;
    xkb_keycode_t minKeycode_ = 0;
    std::vector<Key> keys_;  // indexed by keycode - minKeycode_
    std::vector<uint8_t> keycodeToVk_;
    std::vector<xkb_keycode_t> vkToKeycode_ = std::vector<xkb_keycode_t>(256, 0);
    xkb_keycode_t shiftKeycode_ = 0, level3Keycode_ = 0;
    xkb_mod_mask_t shiftMask_ = 0, level3Mask_ = 0;
    std::vector<xkb_keycode_t> spare_;
    struct CharKeys {
        // The best key for the character, and the best among the keys with
        // a virtual-key code (keycode 0: none).
        xkb_keycode_t keycode = 0, vkKeycode = 0;
        xkb_level_index_t level = 0, vkLevel = 0;
        int cost = 0, vkCost = 0;
    };
    std::unordered_map<char32_t, CharKeys> chars_;
    struct DeadKeys {
        xkb_keycode_t dead = 0, then = 0;
        xkb_level_index_t deadLevel = 0, thenLevel = 0;
        int cost = 0;
    };
    std::unordered_map<char32_t, DeadKeys> deadChars_;
};

// A character to the keysym that types it, through libxkbcommon; the
// control characters Backspace (8), Tab (9), line feed and carriage return
// (10, 13: Return) and Escape (27) included, the other control characters
// give XKB_KEY_NoSymbol.
xkb_keysym_t KeysymForChar(char32_t ch);
// The character a keysym types, 0 for none (the control characters above
// included; line feed is given as 13).
char32_t CharForKeysym(xkb_keysym_t keysym);

}  // namespace tess::xkb
