#include "platform/x11/RecordedKeys.h"

#include <X11/keysym.h>
#include <xkbcommon/xkbcommon-x11.h>

#include "platform/x11/VirtualKeys.h"

namespace tess::x11 {
namespace {

constexpr uint16_t kShiftMask = 1;
constexpr uint16_t kLockMask = 2;

// The virtual key a keysym names by itself: a letter, a digit or a named key.
// The left Shift, Ctrl and Alt keys get the generic numbers scenarios use.
uint8_t KeyOfKeysym(xkb_keysym_t keysym) {
    const xkb_keysym_t lower = xkb_keysym_to_lower(keysym);
    if (lower >= XKB_KEY_a && lower <= XKB_KEY_z) return static_cast<uint8_t>('A' + (lower - XKB_KEY_a));
    const uint8_t vk = VirtualKeyForKeysym(keysym);
    switch (vk) {
    case 160: return 16;
    case 162: return 17;
    case 164: return 18;
    default: return vk;
    }
}

// The punctuation keys, known by their position on a US keyboard.
uint8_t KeyAtPosition(const char* name) {
    if (!name) return 0;
    for (int vk = 1; vk < 256; ++vk) {
        const VirtualKeyInfo info = DescribeVirtualKey(static_cast<uint8_t>(vk));
        if (info.position && std::string_view(info.position) == name) return static_cast<uint8_t>(vk);
    }
    return 0;
}

xkb_keysym_t FirstLevel(xkb_keymap* keymap, xkb_keycode_t keycode, xkb_layout_index_t group) {
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, keycode, group, 0, &syms) > 0) return syms[0];
    if (group != 0 && xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms) > 0) return syms[0];
    return XKB_KEY_NoSymbol;
}

char32_t CharOf(xkb_keysym_t keysym) {
    const uint32_t ch = xkb_keysym_to_utf32(keysym);
    return ch < 0x20 && ch != '\b' && ch != '\t' && ch != '\r' && ch != 0x1B ? 0 : ch;
}

}  // namespace

RecordedKeys::RecordedKeys() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
    if (!context_) return;
    const xkb_rule_names us{"evdev", "pc105", "us", "", ""};
    usKeymap_ = xkb_keymap_new_from_names(context_, &us, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

RecordedKeys::~RecordedKeys() {
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_keymap_unref(usKeymap_);
    xkb_context_unref(context_);
}

bool RecordedKeys::Load(xcb_connection_t* connection, std::string& error) {
    if (!context_) {
        error = "the keyboard library could not start";
        return false;
    }
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        error = "the X server lacks the XKEYBOARD extension";
        return false;
    }
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    xkb_keymap* keymap =
        device < 0 ? nullptr : xkb_x11_keymap_new_from_device(context_, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        error = "the X server would not give its keyboard layout";
        return false;
    }
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    state_ = xkb_state_new(keymap_);
    // The layout read now already holds every earlier change.
    changed_.clear();
    return true;
}

void RecordedKeys::ChangeMapping(uint8_t first, int perKeycode, int count, const uint32_t* keysyms) {
    for (int i = 0; i < count && first + i < 256; ++i) {
        changed_[static_cast<uint8_t>(first + i)].assign(keysyms + i * perKeycode, keysyms + (i + 1) * perKeycode);
    }
}

uint8_t RecordedKeys::VirtualKey(uint8_t keycode, xkb_keysym_t levelOne) const {
    // The layout's letter or named key, else the key at the same place on
    // a US keyboard.
    if (const uint8_t vk = KeyOfKeysym(levelOne)) return vk;
    if (!usKeymap_ || !keymap_) return 0;
    const char* name = xkb_keymap_key_get_name(keymap_, keycode);
    if (!name) return 0;
    const xkb_keycode_t us = xkb_keymap_key_by_name(usKeymap_, name);
    if (us == XKB_KEYCODE_INVALID) return 0;
    if (const uint8_t vk = KeyOfKeysym(FirstLevel(usKeymap_, us, 0))) return vk;
    return KeyAtPosition(name);
}

TranslatedKey RecordedKeys::Translate(uint8_t keycode, uint16_t state) const {
    TranslatedKey key;
    const xkb_layout_index_t group = (state >> 13) & 3;
    if (auto changed = changed_.find(keycode); changed != changed_.end()) {
        // A core mapping: two keysyms per group, unshifted and shifted.
        const auto& syms = changed->second;
        auto at = [&](size_t i) -> xkb_keysym_t { return i < syms.size() ? syms[i] : XKB_KEY_NoSymbol; };
        const xkb_keysym_t base = at(2 * group) != XKB_KEY_NoSymbol ? at(2 * group) : at(0);
        xkb_keysym_t sym = (state & kShiftMask) ? at(2 * group + 1) : base;
        if (sym == XKB_KEY_NoSymbol) sym = (state & kShiftMask) ? xkb_keysym_to_upper(base) : base;
        if ((state & kLockMask) && !(state & kShiftMask)) sym = xkb_keysym_to_upper(sym);
        key.vk = KeyOfKeysym(base);
        if (!key.vk) key.vk = VirtualKey(keycode, XKB_KEY_NoSymbol);
        key.ch = CharOf(sym);
        return key;
    }
    if (!state_) return key;
    // The first eight modifiers of an X server's keymap are the core ones.
    xkb_state_update_mask(state_, state & 0xFF, 0, 0, 0, 0, group);
    key.ch = CharOf(xkb_state_key_get_one_sym(state_, keycode));
    key.vk = VirtualKey(keycode, FirstLevel(keymap_, keycode, xkb_state_key_get_layout(state_, keycode)));
    return key;
}

uint8_t RecordedKeys::KeycodeFor(xkb_keysym_t keysym) const {
    if (!keymap_) return 0;
    for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap_); k <= xkb_keymap_max_keycode(keymap_) && k < 256; ++k) {
        if (FirstLevel(keymap_, k, 0) == keysym) return static_cast<uint8_t>(k);
    }
    return 0;
}

}  // namespace tess::x11
