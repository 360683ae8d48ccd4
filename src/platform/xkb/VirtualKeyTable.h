#pragma once
// What the Windows virtual-key codes stand for on a keyboard: the keysyms
// of the fixed keys, the US positions (XKB key names) of the letters,
// digits and punctuation keys, and the characters that name the
// punctuation keys.
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <span>

namespace tess::xkb {

struct FixedKey {
    uint8_t vk;
    xkb_keysym_t first, second;  // best first; XKB_KEY_NoSymbol when unused
    const char* position;        // the key's name on a US keyboard, or nullptr
};
// Control, editing, function, keypad and modifier keys. The generic Shift,
// Control and Alt codes (16-18) stand for the left-hand keys.
std::span<const FixedKey> FixedKeys();

// XKB key name of the US position of a letter (vk 65-90) or a digit (48-57).
const char* LetterPosition(uint8_t vk);
const char* DigitPosition(uint8_t vk);

struct PunctuationKey {
    uint8_t vk;
    char32_t chars[2];     // characters that name the key, best first; 0 ends
    const char* position;  // US position, nullptr for none
};
// In the order the codes are given out: the codes named after their
// character (187-190) first.
std::span<const PunctuationKey> PunctuationKeys();

}  // namespace tess::xkb
