// What the X11 sink learns from the server's events: keymap and group
// changes (its own mapping changes told apart from other clients') and
// monitor changes.
#include <X11/XKBlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

#include "platform/x11/X11Sink.h"

namespace tess::x11 {

bool X11Sink::OwnMappingChange(const XEvent& event) {
    if (event.type == MappingNotify) {
        return event.xmapping.request == MappingKeyboard &&
               borrowed_.OwnChange(event.xmapping.first_keycode, event.xmapping.count, true);
    }
    const auto& map = reinterpret_cast<const XkbMapNotifyEvent&>(event);
    constexpr unsigned kPerKey = XkbKeySymsMask | XkbKeyActionsMask | XkbKeyBehaviorsMask |
                                 XkbExplicitComponentsMask | XkbModifierMapMask |
                                 XkbVirtualModMapMask;
    if (map.changed & ~kPerKey) return false;
    int first = 256, last = -1;
    auto span = [&](unsigned mask, int from, int count) {
        if (!(map.changed & mask) || count <= 0) return;
        first = std::min(first, from);
        last = std::max(last, from + count - 1);
    };
    span(XkbKeySymsMask, map.first_key_sym, map.num_key_syms);
    span(XkbKeyActionsMask, map.first_key_act, map.num_key_acts);
    span(XkbKeyBehaviorsMask, map.first_key_behavior, map.num_key_behaviors);
    span(XkbExplicitComponentsMask, map.first_key_explicit, map.num_key_explicit);
    span(XkbModifierMapMask, map.first_modmap_key, map.num_modmap_keys);
    span(XkbVirtualModMapMask, map.first_vmodmap_key, map.num_vmodmap_keys);
    return last >= first && borrowed_.OwnChange(first, last - first + 1, false);
}

void X11Sink::HandleEvent(const XEvent& event) {
    if (event.type == ClientMessage) {
        borrowed_.Notice(event);
    } else if (event.type == MappingNotify) {
        if (event.xmapping.request != MappingPointer && !OwnMappingChange(event)) keymapStale_ = true;
    } else if (event.type == xkbEventBase_) {
        const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
        if (xkb.any.xkb_type == XkbStateNotify) {
            if ((xkb.state.changed & XkbGroupStateMask) && xkb.state.group != group_) {
                group_ = xkb.state.group;
                if (!keymapStale_) keyboard_.SetGroup(group_, borrowed_.InUse());
            }
        } else if (xkb.any.xkb_type != XkbMapNotify || !OwnMappingChange(event)) {
            keymapStale_ = true;
        }
    } else if (randrEventBase_ >= 0 && (event.type == randrEventBase_ + RRScreenChangeNotify ||
                                        event.type == randrEventBase_ + RRNotify)) {
        XEvent copy = event;
        XRRUpdateConfiguration(&copy);
        originKnown_ = false;
    }
}

void X11Sink::ReloadKeyboard() {
    const auto inUse = borrowed_.InUse();
    keyboard_.Load(display_, inUse);
    if (!inUse.empty()) {
        // A new keymap may have dropped what we had put on spare keycodes.
        borrowed_.Verify([this](KeyCode kc, int level) { return keyboard_.KeysymAt(kc, level); });
        if (borrowed_.InUse() != inUse) keyboard_.SetGroup(keyboard_.group(), borrowed_.InUse());
    }
    group_ = keyboard_.group();
    std::vector<KeyCode> spare;
    for (xkb_keycode_t kc : keys().SpareKeycodes()) {
        if (kc >= 8 && kc <= 255) spare.push_back(static_cast<KeyCode>(kc));
    }
    borrowed_.SetPool(spare, keys().Level3Keycode() ? keys().Level3Mods() & 0xff : 0);
    keymapStale_ = false;
}

}  // namespace tess::x11
