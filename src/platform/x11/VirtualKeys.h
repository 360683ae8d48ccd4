#pragma once
// Windows virtual-key codes as X11 sees them: which keysyms a code stands
// for, or at which physical position its key sits on a US keyboard.
#include <X11/X.h>

#include <array>
#include <cstdint>

namespace tess::x11 {

struct VirtualKeyInfo {
    // Keysyms that identify the key, best first; NoSymbol ends the list.
    std::array<KeySym, 2> keysyms{NoSymbol, NoSymbol};
    // XKB key name of the key's position ("AC10"), or nullptr. Used for
    // the punctuation keys, and for the named keys when no keysym of the
    // layout matches (Alt_R replaced by AltGr, for instance).
    const char* position = nullptr;
};

// What the virtual-key code vk stands for; both fields empty when the code
// has no key.
VirtualKeyInfo DescribeVirtualKey(uint8_t vk);

// The virtual-key code a keysym stands for by itself: letters, digits and
// the named keys (Return, F5, KP_3, Shift_L...); 0 when it names none.
// Punctuation keysyms give 0: those keys are identified by position.
uint8_t VirtualKeyForKeysym(KeySym keysym);

// The keysym that types a character, or NoSymbol for characters that no
// key types (control characters other than Backspace, Tab, Return, Escape).
KeySym KeysymForChar(char32_t ch);

// The character a keysym types, or 0 for keysyms that type none (or whose
// character this program does not know: the layout's key is then left
// aside and the character typed through a spare keycode instead).
char32_t CharForKeysym(KeySym keysym);

}  // namespace tess::x11
