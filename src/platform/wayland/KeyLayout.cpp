#include "platform/wayland/KeyLayout.h"

#include <array>
#include <cstring>
#include <utility>

namespace tess::wayland {
namespace {

// Named keys by keysym.
constexpr std::pair<xkb_keysym_t, uint8_t> kNamed[] = {
    {XKB_KEY_BackSpace, 8}, {XKB_KEY_Tab, 9},       {XKB_KEY_Return, 13},     {XKB_KEY_Pause, 19},
    {XKB_KEY_Caps_Lock, 20}, {XKB_KEY_Escape, 27},  {XKB_KEY_space, 32},      {XKB_KEY_Prior, 33},
    {XKB_KEY_Next, 34},     {XKB_KEY_End, 35},      {XKB_KEY_Home, 36},       {XKB_KEY_Left, 37},
    {XKB_KEY_Up, 38},       {XKB_KEY_Right, 39},    {XKB_KEY_Down, 40},       {XKB_KEY_Print, 44},
    {XKB_KEY_Insert, 45},   {XKB_KEY_Delete, 46},   {XKB_KEY_Super_L, 91},    {XKB_KEY_Super_R, 92},
    {XKB_KEY_Menu, 93},     {XKB_KEY_Num_Lock, 144}, {XKB_KEY_Scroll_Lock, 145},
    {XKB_KEY_Shift_L, 160}, {XKB_KEY_Shift_R, 161}, {XKB_KEY_Control_L, 162}, {XKB_KEY_Control_R, 163},
    {XKB_KEY_Alt_L, 164},   {XKB_KEY_Alt_R, 165},
};
// Keys identified by their position on a US keyboard.
constexpr std::pair<const char*, uint8_t> kPositions[] = {
    {"AC10", 186}, {"AE12", 187}, {"AB08", 188}, {"AE11", 189}, {"AB09", 190}, {"AB10", 191},
    {"TLDE", 192}, {"AD11", 219}, {"BKSL", 220}, {"AD12", 221}, {"AC11", 222}, {"LSGT", 226},
    {"AD01", 'Q'}, {"AD02", 'W'}, {"AD03", 'E'}, {"AD04", 'R'}, {"AD05", 'T'}, {"AD06", 'Y'},
    {"AD07", 'U'}, {"AD08", 'I'}, {"AD09", 'O'}, {"AD10", 'P'}, {"AC01", 'A'}, {"AC02", 'S'},
    {"AC03", 'D'}, {"AC04", 'F'}, {"AC05", 'G'}, {"AC06", 'H'}, {"AC07", 'J'}, {"AC08", 'K'},
    {"AC09", 'L'}, {"AB01", 'Z'}, {"AB02", 'X'}, {"AB03", 'C'}, {"AB04", 'V'}, {"AB05", 'B'},
    {"AB06", 'N'}, {"AB07", 'M'}, {"AE01", '1'}, {"AE02", '2'}, {"AE03", '3'}, {"AE04", '4'},
    {"AE05", '5'}, {"AE06", '6'}, {"AE07", '7'}, {"AE08", '8'}, {"AE09", '9'}, {"AE10", '0'},
};

xkb_keysym_t Level0(xkb_keymap* keymap, xkb_keycode_t kc) {
    const xkb_keysym_t* syms = nullptr;
    return xkb_keymap_key_get_syms_by_level(keymap, kc, 0, 0, &syms) > 0 ? syms[0] : XKB_KEY_NoSymbol;
}

uint8_t VirtualKeyForKeysym(xkb_keysym_t sym) {
    if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) return static_cast<uint8_t>('A' + (sym - XKB_KEY_a));
    if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) return static_cast<uint8_t>(sym);
    if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) return static_cast<uint8_t>(sym);
    if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F24) return static_cast<uint8_t>(112 + (sym - XKB_KEY_F1));
    if (sym >= XKB_KEY_KP_0 && sym <= XKB_KEY_KP_9) return static_cast<uint8_t>(96 + (sym - XKB_KEY_KP_0));
    for (const auto& [named, vk] : kNamed) {
        if (named == sym) return vk;
    }
    return 0;
}

}  // namespace

void KeyLayout::Load(xkb_keymap* keymap) {
    keymap_ = keymap;
    vkToKeycode_ = {};
    keycodeToVk_ = {};
    auto assign = [&](xkb_keycode_t kc, uint8_t vk) {
        if (!vk || kc > 255 || vkToKeycode_[vk] || keycodeToVk_[kc]) return;
        vkToKeycode_[vk] = kc;
        keycodeToVk_[kc] = vk;
    };
    const xkb_keycode_t lo = xkb_keymap_min_keycode(keymap), hi = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t kc = lo; kc <= hi && kc <= 255; ++kc) assign(kc, VirtualKeyForKeysym(Level0(keymap, kc)));
    for (const auto& [name, vk] : kPositions) {
        const xkb_keycode_t kc = xkb_keymap_key_by_name(keymap, name);
        if (kc != XKB_KEYCODE_INVALID) assign(kc, vk);
    }
    // The generic codes of the sided modifiers.
    for (auto [generic, sided] : {std::pair<uint8_t, uint8_t>{16, 160}, {17, 162}, {18, 164}})
        vkToKeycode_[generic] = vkToKeycode_[sided];
}

xkb_keycode_t KeyLayout::KeycodeForVirtualKey(uint8_t vk) const { return vkToKeycode_[vk]; }

xkb_keycode_t KeyLayout::Level3Keycode() const {
    const xkb_keycode_t lo = xkb_keymap_min_keycode(keymap_), hi = xkb_keymap_max_keycode(keymap_);
    for (xkb_keycode_t kc = lo; kc <= hi && kc <= 255; ++kc) {
        if (Level0(keymap_, kc) == XKB_KEY_ISO_Level3_Shift) return kc;
    }
    return 0;
}

std::optional<KeyStroke> KeyLayout::FindChar(char32_t ch) const {
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT);
    const xkb_mod_index_t mod5 = xkb_keymap_mod_get_index(keymap_, "Mod5");
    const xkb_mod_mask_t level3 = mod5 == XKB_MOD_INVALID ? 0 : 1u << mod5;
    std::optional<KeyStroke> best;
    const xkb_keycode_t lo = xkb_keymap_min_keycode(keymap_), hi = xkb_keymap_max_keycode(keymap_);
    for (xkb_keycode_t kc = lo; kc <= hi && kc <= 255; ++kc) {
        const uint8_t vk = keycodeToVk_[kc];
        if (!vk) continue;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, kc, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, kc, 0, level, &syms) != 1) continue;
            if (xkb_keysym_to_utf32(syms[0]) != ch) continue;
            xkb_mod_mask_t masks[8];
            const size_t n = xkb_keymap_key_get_mods_for_level(keymap_, kc, 0, level, masks, 8);
            for (size_t i = 0; i < n; ++i) {
                if (masks[i] & ~(shift | level3)) continue;
                const int state = ((masks[i] & shift) ? 1 : 0) | ((masks[i] & level3) ? 6 : 0);
                if (!best || state < best->shiftState) best = KeyStroke{kc, vk, state};
            }
        }
    }
    return best;
}

bool KeyLayout::HasLevel3Symbol(xkb_keycode_t keycode) const {
    return xkb_keymap_num_levels_for_key(keymap_, keycode, 0) > 2;
}

}  // namespace tess::wayland
