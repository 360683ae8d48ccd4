#include "platform/xkb/KeymapIndex.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "platform/xkb/VirtualKeyTable.h"

namespace tess::xkb {
namespace {

constexpr size_t kMaxMasks = 16;

bool IsKeypadKeysym(xkb_keysym_t keysym) {
    return keysym >= XKB_KEY_KP_Space && keysym <= XKB_KEY_KP_Equal;
}

// The modifiers a key sets while it is held alone.
xkb_mod_mask_t ModsOfKey(xkb_keymap* keymap, xkb_layout_index_t layout, xkb_keycode_t keycode) {
    xkb_state* state = xkb_state_new(keymap);
    if (!state) return 0;
    xkb_state_update_mask(state, 0, 0, 0, 0, 0, layout);
    xkb_state_update_key(state, keycode, XKB_KEY_DOWN);
    const xkb_mod_mask_t mods = xkb_state_serialize_mods(state, XKB_STATE_MODS_EFFECTIVE);
    xkb_state_unref(state);
    return mods;
}

}  // namespace

xkb_keysym_t KeysymForChar(char32_t ch) {
    switch (ch) {
        case 8: return XKB_KEY_BackSpace;
        case 9: return XKB_KEY_Tab;
        case 10:
        case 13: return XKB_KEY_Return;
        case 27: return XKB_KEY_Escape;
        default: break;
    }
    if (ch < 0x20 || (ch >= 0x7f && ch < 0xa0) || ch > 0x10ffff || (ch >= 0xd800 && ch <= 0xdfff))
        return XKB_KEY_NoSymbol;
    return xkb_utf32_to_keysym(static_cast<uint32_t>(ch));
}

char32_t CharForKeysym(xkb_keysym_t keysym) {
    const char32_t ch = xkb_keysym_to_utf32(keysym);
    switch (ch) {
        case 8:
        case 9:
        case 13:
        case 27: return ch;
        case 10: return 13;
        default: break;
    }
    return (ch < 0x20 || (ch >= 0x7f && ch < 0xa0)) ? 0 : ch;
}

KeymapIndex::KeymapIndex(xkb_keymap* keymap, xkb_layout_index_t layout,
                         const std::vector<xkb_keycode_t>& ignore)
    : keymap_(keymap ? xkb_keymap_ref(keymap) : nullptr), layout_(layout) {
    if (keymap_) Build(ignore);
}

KeymapIndex::~KeymapIndex() {
    if (keymap_) xkb_keymap_unref(keymap_);
}

KeymapIndex::KeymapIndex(const KeymapIndex& other) { *this = other; }

KeymapIndex& KeymapIndex::operator=(const KeymapIndex& other) {
    if (this == &other) return *this;
    KeymapIndex copy;
    copy.keymap_ = other.keymap_ ? xkb_keymap_ref(other.keymap_) : nullptr;
    copy.layout_ = other.layout_;
    copy.minKeycode_ = other.minKeycode_;
    copy.keys_ = other.keys_;
    copy.keycodeToVk_ = other.keycodeToVk_;
    copy.vkToKeycode_ = other.vkToKeycode_;
    copy.shiftKeycode_ = other.shiftKeycode_;
    copy.level3Keycode_ = other.level3Keycode_;
    copy.shiftMask_ = other.shiftMask_;
    copy.level3Mask_ = other.level3Mask_;
    copy.spare_ = other.spare_;
    copy.chars_ = other.chars_;
    copy.deadChars_ = other.deadChars_;
    return *this = std::move(copy);
}

KeymapIndex::KeymapIndex(KeymapIndex&& other) noexcept { *this = std::move(other); }

KeymapIndex& KeymapIndex::operator=(KeymapIndex&& other) noexcept {
    if (this == &other) return *this;
    if (keymap_) xkb_keymap_unref(keymap_);
    keymap_ = std::exchange(other.keymap_, nullptr);
    layout_ = other.layout_;
    minKeycode_ = other.minKeycode_;
    keys_ = std::move(other.keys_);
    keycodeToVk_ = std::move(other.keycodeToVk_);
    vkToKeycode_ = std::move(other.vkToKeycode_);
    other.vkToKeycode_.assign(256, 0);
    shiftKeycode_ = other.shiftKeycode_;
    level3Keycode_ = other.level3Keycode_;
    shiftMask_ = other.shiftMask_;
    level3Mask_ = other.level3Mask_;
    spare_ = std::move(other.spare_);
    chars_ = std::move(other.chars_);
    deadChars_ = std::move(other.deadChars_);
    return *this;
}

const KeymapIndex::Key* KeymapIndex::KeyAt(xkb_keycode_t keycode) const {
    if (keycode < minKeycode_ || keycode - minKeycode_ >= keys_.size()) return nullptr;
    const Key& key = keys_[keycode - minKeycode_];
    return key.levels.empty() ? nullptr : &key;
}

void KeymapIndex::Build(const std::vector<xkb_keycode_t>& ignore) {
    minKeycode_ = xkb_keymap_min_keycode(keymap_);
    const xkb_keycode_t maxKeycode = xkb_keymap_max_keycode(keymap_);
    if (maxKeycode < minKeycode_) return;
    keys_.assign(maxKeycode - minKeycode_ + 1, Key{});
    keycodeToVk_.assign(keys_.size(), 0);

    xkb_state* state = xkb_state_new(keymap_);
    if (!state) return;
    xkb_state_update_mask(state, 0, 0, 0, 0, 0, layout_);
    for (xkb_keycode_t kc = minKeycode_; kc <= maxKeycode; ++kc) {
        bool anySymbol = false;
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap_, kc);
        for (xkb_layout_index_t l = 0; l < layouts && !anySymbol; ++l) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, kc, l);
            for (xkb_level_index_t level = 0; level < levels && !anySymbol; ++level) {
                const xkb_keysym_t* syms = nullptr;
                anySymbol = xkb_keymap_key_get_syms_by_level(keymap_, kc, l, level, &syms) > 0;
            }
        }
        const bool ignored = std::find(ignore.begin(), ignore.end(), kc) != ignore.end();
        if (!anySymbol || ignored) {
            spare_.push_back(kc);
            continue;
        }
        const xkb_layout_index_t layout = xkb_state_key_get_layout(state, kc);
        if (layout == XKB_LAYOUT_INVALID) continue;
        Key& key = keys_[kc - minKeycode_];
        key.layout = layout;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, kc, layout);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            Level entry;
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, kc, layout, level, &syms) == 1)
                entry.keysym = syms[0];
            key.levels.push_back(entry);
        }
        if (key.levels.empty()) key.levels.push_back(Level{});
        key.keypad = IsKeypadKeysym(key.levels[0].keysym) ||
                     (key.levels.size() > 1 && IsKeypadKeysym(key.levels[1].keysym));
    }
    xkb_state_unref(state);

    // The typing modifiers, then which levels they reach.
    shiftKeycode_ = FindKeysym(XKB_KEY_Shift_L, false);
    if (!shiftKeycode_) shiftKeycode_ = FindKeysym(XKB_KEY_Shift_R, false);
    if (shiftKeycode_) shiftMask_ = ModsOfKey(keymap_, layout_, shiftKeycode_);
    level3Keycode_ = FindKeysym(XKB_KEY_ISO_Level3_Shift, false);
    if (level3Keycode_) level3Mask_ = ModsOfKey(keymap_, layout_, level3Keycode_) & ~shiftMask_;
    if (!level3Mask_) level3Keycode_ = 0;
    const xkb_mod_mask_t usable = shiftMask_ | level3Mask_;
    for (xkb_keycode_t kc = minKeycode_; kc <= maxKeycode; ++kc) {
        Key& key = keys_[kc - minKeycode_];
        for (size_t level = 0; level < key.levels.size(); ++level) {
            Level& entry = key.levels[level];
            xkb_mod_mask_t masks[kMaxMasks];
            const size_t count = xkb_keymap_key_get_mods_for_level(
                keymap_, kc, key.layout, static_cast<xkb_level_index_t>(level), masks, kMaxMasks);
            for (size_t i = 0; i < count; ++i) {
                if ((masks[i] & ~usable) != 0) continue;
                if (!entry.reachable || std::popcount(masks[i]) < std::popcount(entry.mods)) {
                    entry.mods = masks[i];
                    entry.reachable = true;
                }
            }
            if (level == 0 && count == 0) entry.reachable = true;
        }
    }
    AssignVirtualKeys();
    IndexCharacters();
    IndexDeadKeys();
}

xkb_keycode_t KeymapIndex::FindKeysym(xkb_keysym_t keysym, bool anyLayout) const {
    xkb_keycode_t best = 0;
    size_t bestLevel = SIZE_MAX;
    for (size_t i = 0; i < keys_.size(); ++i) {
        const xkb_keycode_t kc = static_cast<xkb_keycode_t>(minKeycode_ + i);
        if (!anyLayout) {
            const auto& levels = keys_[i].levels;
            for (size_t l = 0; l < levels.size() && l < bestLevel; ++l) {
                if (levels[l].keysym == keysym) {
                    best = kc;
                    bestLevel = l;
                }
            }
            continue;
        }
        if (keys_[i].levels.empty()) continue;
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap_, kc);
        for (xkb_layout_index_t l = 0; l < layouts; ++l) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, kc, l);
            for (xkb_level_index_t level = 0; level < levels && level < bestLevel; ++level) {
                const xkb_keysym_t* syms = nullptr;
                if (xkb_keymap_key_get_syms_by_level(keymap_, kc, l, level, &syms) == 1 &&
                    syms[0] == keysym) {
                    best = kc;
                    bestLevel = level;
                }
            }
        }
    }
    return best;
}

xkb_keycode_t KeymapIndex::ByName(const char* name) const {
    if (!name) return 0;
    const xkb_keycode_t kc = xkb_keymap_key_by_name(keymap_, name);
    return kc == XKB_KEYCODE_INVALID || !KeyAt(kc) ? 0 : kc;
}

void KeymapIndex::IndexCharacters() {
    for (size_t i = 0; i < keys_.size(); ++i) {
        const Key& key = keys_[i];
        const xkb_keycode_t kc = static_cast<xkb_keycode_t>(minKeycode_ + i);
        const bool hasVk = keycodeToVk_[i] != 0;
        for (size_t level = 0; level < key.levels.size(); ++level) {
            const Level& entry = key.levels[level];
            if (!entry.reachable) continue;
            const char32_t ch = CharForKeysym(entry.keysym);
            if (!ch) continue;
            // Fewest modifiers first, the main block before the keypad.
            const int cost = std::popcount(entry.mods) * 4 + (key.keypad ? 16 : 0) +
                             static_cast<int>(std::min<size_t>(level, 3));
            CharKeys& best = chars_[ch];
            if (!best.keycode || cost < best.cost) {
                best.keycode = kc;
                best.level = static_cast<xkb_level_index_t>(level);
                best.cost = cost;
            }
            if (hasVk && (!best.vkKeycode || cost < best.vkCost)) {
                best.vkKeycode = kc;
                best.vkLevel = static_cast<xkb_level_index_t>(level);
                best.vkCost = cost;
            }
        }
    }
}

std::optional<KeyStroke> KeymapIndex::StrokeAt(xkb_keycode_t keycode, size_t level) const {
    const Key* key = KeyAt(keycode);
    if (!key || level >= key->levels.size()) return std::nullopt;
    KeyStroke stroke;
    stroke.keycode = keycode;
    stroke.layout = key->layout;
    stroke.level = static_cast<xkb_level_index_t>(level);
    stroke.mods = key->levels[level].mods;
    stroke.vk = keycodeToVk_[keycode - minKeycode_];
    if (stroke.mods & shiftMask_) stroke.shiftState |= kShiftStateShift;
    if (stroke.mods & level3Mask_) stroke.shiftState |= kShiftStateCtrl | kShiftStateAlt;
    return stroke;
}

int16_t KeymapIndex::VkKeyScan(char32_t ch) const {
    if (ch == 10) ch = 13;
    const auto found = chars_.find(ch);
    if (found == chars_.end() || !found->second.vkKeycode) return -1;
    const auto stroke = StrokeAt(found->second.vkKeycode, found->second.vkLevel);
    if (!stroke) return -1;
    return static_cast<int16_t>(stroke->vk | (stroke->shiftState << 8));
}

std::optional<KeyStroke> KeymapIndex::KeyForChar(char32_t ch) const {
    if (ch == 10) ch = 13;
    const auto found = chars_.find(ch);
    if (found == chars_.end()) return std::nullopt;
    return StrokeAt(found->second.keycode, found->second.level);
}

std::optional<KeyStroke> KeymapIndex::KeyForVirtualKey(uint8_t vk) const {
    const xkb_keycode_t kc = vkToKeycode_[vk];
    if (!kc) return std::nullopt;
    auto stroke = StrokeAt(kc, 0);
    if (stroke) stroke->vk = vk;
    return stroke;
}

xkb_keycode_t KeymapIndex::KeycodeForVirtualKey(uint8_t vk) const { return vkToKeycode_[vk]; }

uint8_t KeymapIndex::VirtualKeyForKeycode(xkb_keycode_t keycode) const {
    return KeyAt(keycode) ? keycodeToVk_[keycode - minKeycode_] : 0;
}

bool KeymapIndex::HasLevel3Symbol(xkb_keycode_t keycode) const {
    const Key* key = KeyAt(keycode);
    if (!key || !level3Mask_) return false;
    for (const Level& level : key->levels) {
        if (level.reachable && (level.mods & level3Mask_) && level.keysym != XKB_KEY_NoSymbol &&
            level.keysym != key->levels.front().keysym)
            return true;
    }
    return false;
}

}  // namespace tess::xkb
