#include "platform/x11/RecordedKeys.h"

#include <xkbcommon/xkbcommon-x11.h>

namespace tess::x11 {
namespace {

constexpr uint16_t kShiftMask = 1;
constexpr uint16_t kLockMask = 2;

// The left Shift, Ctrl and Alt keys get the generic numbers scenarios use.
uint8_t Generic(uint8_t vk) {
    switch (vk) {
    case 160: return 16;
    case 162: return 17;
    case 164: return 18;
    default: return vk;
    }
}

}  // namespace

RecordedKeys::RecordedKeys() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

RecordedKeys::~RecordedKeys() {
    for (auto& index : indexes_) index.reset();
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
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
    for (auto& index : indexes_) index.reset();
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

uint8_t RecordedKeys::VirtualKey(uint8_t keycode, xkb_layout_index_t group) {
    if (!keymap_) return 0;
    if (group >= xkb_keymap_num_layouts(keymap_)) group = 0;
    auto& index = indexes_[group & 3];
    if (!index) index = std::make_unique<xkb::KeymapIndex>(keymap_, group);
    return Generic(index->VirtualKeyForKeycode(keycode));
}

TranslatedKey RecordedKeys::Translate(uint8_t keycode, uint16_t state) {
    TranslatedKey key;
    const xkb_layout_index_t group = (state >> 13) & 3;
    key.vk = VirtualKey(keycode, group);
    if (auto changed = changed_.find(keycode); changed != changed_.end()) {
        // A core mapping: two keysyms per group, unshifted and shifted.
        const auto& syms = changed->second;
        auto at = [&](size_t i) -> xkb_keysym_t { return i < syms.size() ? syms[i] : XKB_KEY_NoSymbol; };
        const xkb_keysym_t base = at(2 * group) != XKB_KEY_NoSymbol ? at(2 * group) : at(0);
        xkb_keysym_t sym = (state & kShiftMask) ? at(2 * group + 1) : base;
        if (sym == XKB_KEY_NoSymbol) sym = (state & kShiftMask) ? xkb_keysym_to_upper(base) : base;
        if ((state & kLockMask) && !(state & kShiftMask)) sym = xkb_keysym_to_upper(sym);
        key.ch = xkb::CharForKeysym(sym);
        return key;
    }
    if (!state_) return key;
    // The first eight modifiers of an X server's keymap are the core ones.
    xkb_state_update_mask(state_, state & 0xFF, 0, 0, 0, 0, group);
    key.ch = xkb::CharForKeysym(xkb_state_key_get_one_sym(state_, keycode));
    return key;
}

}  // namespace tess::x11
