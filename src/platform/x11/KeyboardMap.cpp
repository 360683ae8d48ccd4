#include "platform/x11/KeyboardMap.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/x11/VirtualKeys.h"

namespace tess::x11 {
namespace {

constexpr unsigned kNoMods = ~0u;

int EffectiveGroup(int group, size_t groupCount) {
    return groupCount == 0 ? -1 : static_cast<int>(static_cast<size_t>(group) % groupCount);
}

}  // namespace

bool KeyboardMap::Load(Display* display, const std::vector<KeyCode>& ignore) {
    *this = KeyboardMap();
    XkbDescPtr xkb = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask,
                               XkbUseCoreKbd);
    if (!xkb) return false;
    XkbGetNames(display, XkbKeyNamesMask, xkb);
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) == Success) group_ = state.group;
    minKeycode_ = xkb->min_key_code;
    keys_.assign(static_cast<size_t>(xkb->max_key_code) + 1, Key{});

    // AltGr first: the modifier it sets tells which levels are reachable.
    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
        const int groups = XkbKeyNumGroups(xkb, kc);
        const int g = EffectiveGroup(group_, static_cast<size_t>(groups));
        if (g < 0 || XkbKeyGroupWidth(xkb, kc, g) < 1) continue;
        if (XkbKeySymEntry(xkb, kc, 0, g) == XK_ISO_Level3_Shift && xkb->map->modmap[kc] != 0 &&
            level3Keycode_ == 0) {
            level3Keycode_ = static_cast<KeyCode>(kc);
            level3Mask_ = xkb->map->modmap[kc];
        }
    }
    const unsigned usable = ShiftMask | level3Mask_;

    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
        Key& key = keys_[static_cast<size_t>(kc)];
        if (std::find(ignore.begin(), ignore.end(), kc) != ignore.end()) continue;
        if (xkb->names && xkb->names->keys) std::memcpy(key.name, xkb->names->keys[kc].name, 4);
        bool anySymbol = false;
        for (int g = 0; g < XkbKeyNumGroups(xkb, kc); ++g) {
            XkbKeyTypePtr type = XkbKeyKeyType(xkb, kc, g);
            std::vector<Level> levels;
            for (int l = 0; l < XkbKeyGroupWidth(xkb, kc, g); ++l) {
                Level level{XkbKeySymEntry(xkb, kc, l, g), l == 0 ? 0u : kNoMods};
                for (int e = 0; l > 0 && e < type->map_count; ++e) {
                    const XkbKTMapEntryRec& entry = type->map[e];
                    const unsigned mask = entry.mods.mask;
                    if (!entry.active || entry.level != l || (mask & ~usable) != 0) continue;
                    if (level.mods == kNoMods || std::popcount(mask) < std::popcount(level.mods))
                        level.mods = mask;
                }
                anySymbol = anySymbol || level.keysym != NoSymbol;
                levels.push_back(level);
            }
            key.groups.push_back(std::move(levels));
        }
        if (!anySymbol) spare_.insert(spare_.begin(), static_cast<KeyCode>(kc));
    }
    XkbFreeNames(xkb, XkbKeyNamesMask, True);
    XkbFreeKeyboard(xkb, 0, True);

    auto byName = [this](const char* name) -> KeyCode {
        for (size_t kc = 0; kc < keys_.size(); ++kc) {
            if (std::strncmp(keys_[kc].name, name, 4) == 0) return static_cast<KeyCode>(kc);
        }
        return 0;
    };
    for (int vk = 1; vk < 256; ++vk) {
        const VirtualKeyInfo info = DescribeVirtualKey(static_cast<uint8_t>(vk));
        KeyCode kc = 0;
        for (KeySym ks : info.keysyms) {
            if (!kc && ks != NoSymbol) kc = FindKeysym(ks, true);
        }
        if (!kc && info.position) {
            kc = byName(info.position);
            if (!kc && std::strcmp(info.position, "BKSL") == 0) kc = byName("AC12");
            if (!kc && std::strcmp(info.position, "COMP") == 0) kc = byName("MENU");
        }
        for (KeySym ks : info.keysyms) {
            if (!kc && ks != NoSymbol) kc = FindKeysym(ks, false);
        }
        vkToKeycode_[static_cast<size_t>(vk)] = kc;
        if (kc && !keycodeToVk_[kc]) keycodeToVk_[kc] = static_cast<uint8_t>(vk);
    }
    return true;
}

std::span<const KeyboardMap::Level> KeyboardMap::Levels(KeyCode keycode, int group) const {
    if (keycode >= keys_.size()) return {};
    const auto& groups = keys_[keycode].groups;
    const int g = EffectiveGroup(group, groups.size());
    if (g < 0) return {};
    return groups[static_cast<size_t>(g)];
}

KeyCode KeyboardMap::FindKeysym(KeySym keysym, bool currentGroup) const {
    KeyCode best = 0;
    size_t bestLevel = SIZE_MAX;
    for (size_t kc = static_cast<size_t>(minKeycode_); kc < keys_.size(); ++kc) {
        const auto& groups = keys_[kc].groups;
        const int current = EffectiveGroup(group_, groups.size());
        for (size_t g = 0; g < groups.size(); ++g) {
            if ((static_cast<int>(g) == current) != currentGroup) continue;
            for (size_t l = 0; l < groups[g].size() && l < bestLevel; ++l) {
                if (groups[g][l].keysym == keysym) {
                    best = static_cast<KeyCode>(kc);
                    bestLevel = l;
                }
            }
        }
    }
    return best;
}

std::optional<KeyStroke> KeyboardMap::FindChar(char32_t ch) const {
    const KeySym wanted = KeysymForChar(ch);
    if (wanted == NoSymbol) return std::nullopt;
    std::optional<KeyStroke> best;
    int bestCost = 99;
    for (size_t kc = static_cast<size_t>(minKeycode_); kc < keys_.size(); ++kc) {
        if (!keycodeToVk_[kc]) continue;
        for (const Level& level : Levels(static_cast<KeyCode>(kc), group_)) {
            if (level.mods == kNoMods) continue;
            if (level.keysym != wanted && CharForKeysym(level.keysym) != ch) continue;
            int shiftState = 0;
            if (level.mods & ShiftMask) shiftState |= 1;
            if (level.mods & level3Mask_) shiftState |= 2 | 4;
            const int cost = std::popcount(level.mods);
            if (cost < bestCost) {
                bestCost = cost;
                best = KeyStroke{static_cast<KeyCode>(kc), keycodeToVk_[kc], shiftState};
            }
        }
    }
    return best;
}

bool KeyboardMap::HasLevel3Symbol(KeyCode keycode) const {
    if (level3Mask_ == 0) return false;
    const auto levels = Levels(keycode, group_);
    for (const Level& level : levels) {
        if (level.mods != kNoMods && (level.mods & level3Mask_) && level.keysym != NoSymbol &&
            level.keysym != levels.front().keysym)
            return true;
    }
    return false;
}

}  // namespace tess::x11
