#pragma once
// Keymaps handed to the compositor: the layout's own, and a small one
// whose keys carry characters the layout lacks.
#include <xkbcommon/xkbcommon.h>

#include <string>
#include <vector>

namespace tess::wayland {

// A sealed-size memory file holding the text and its terminating NUL, as
// the keymap requests take it; -1 on failure.
int KeymapFile(const std::string& text);

// The first keycode of the extra keymap; keysyms[i] sits on keycode
// kFirstExtraKeycode + i, one level, no modifiers.
inline constexpr xkb_keycode_t kFirstExtraKeycode = 9;
// Keycodes above 255 do not reach X clients (XWayland): stay below.
inline constexpr size_t kMaxExtraKeys = 255 - kFirstExtraKeycode + 1;
std::string ExtraKeymap(const std::vector<xkb_keysym_t>& keysyms);

// Keys of the layout below 256 that carry no symbol, where characters the
// layout lacks can be put without changing any key it has.
std::vector<xkb_keycode_t> SpareKeycodes(xkb_keymap* keymap);
// The layout's keymap text with keysyms[i] on spare[i], one level each.
std::string ExtendedKeymap(const std::string& layout, xkb_keymap* keymap,
                           const std::vector<xkb_keycode_t>& spare, const std::vector<xkb_keysym_t>& keysyms);

// The keysym on the key's first level in the first layout (NoSymbol when none).
inline xkb_keysym_t FirstKeysym(xkb_keymap* keymap, xkb_keycode_t keycode) {
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms);
    return count > 0 ? syms[0] : XKB_KEY_NoSymbol;
}

}  // namespace tess::wayland
