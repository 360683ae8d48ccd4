#include "platform/xkb/KeyPresses.h"

namespace tess::xkb {

void KeyPresses::Press(xkb_keycode_t keycode) {
    send_(keycode, true);
    down_[keycode] = true;
}

void KeyPresses::Release(xkb_keycode_t keycode) {
    send_(keycode, false);
    down_[keycode] = false;
}

void KeyPresses::ReleaseHeldModifiers() {
    pending_.reset();
    pendingOrder_.clear();
    for (size_t kc = 0; kc < down_.size(); ++kc) {
        if (down_[kc] && (ctrlHeld_[kc] || altHeld_[kc])) Release(static_cast<xkb_keycode_t>(kc));
    }
    modifiersSuspended_ = true;
}

void KeyPresses::RepressSuspendedModifiers() {
    pending_.reset();
    pendingOrder_.clear();
    for (size_t kc = 0; kc < down_.size(); ++kc) {
        if (!down_[kc] && (ctrlHeld_[kc] || altHeld_[kc])) Press(static_cast<xkb_keycode_t>(kc));
    }
    modifiersSuspended_ = false;
}

void KeyPresses::KeyEvent(uint8_t vk, bool up) {
    const xkb_keycode_t kc = keys_.KeycodeForVirtualKey(vk);
    if (!kc || kc >= down_.size()) return;
    const xkb_keycode_t level3 = keys_.Level3Keycode();
    const bool isCtrl = vk == 17 || vk == 162 || vk == 163;
    const bool isAlt = (vk == 18 || vk == 164 || vk == 165) && kc != level3;

    if (isCtrl || isAlt) {
        // Held for the caller; while AltGr stands in for Ctrl+Alt the keys
        // themselves stay released.
        (isCtrl ? ctrlHeld_ : altHeld_)[kc] = !up;
        if (up) {
            if (pending_[kc]) {
                pending_[kc] = false;
                std::erase(pendingOrder_, kc);
            }
            if (down_[kc]) Release(kc);
        } else if (!modifiersSuspended_ && !down_[kc] && !pending_[kc]) {
            // Sent with the next key that needs it, or at Commit().
            pending_[kc] = true;
            pendingOrder_.push_back(kc);
        }
        if (ctrlHeld_.none() && altHeld_.none()) modifiersSuspended_ = false;
        return;
    }
    if (up) {
        Release(kc);
        if (viaAltGr_[kc]) {
            viaAltGr_[kc] = false;
            if (viaAltGr_.none() && level3 && down_[level3]) Release(level3);
        }
        return;
    }
    // Ctrl+Alt on a key with an AltGr character types that character, as
    // on Windows; on other keys it stays a shortcut.
    if (ctrlHeld_.any() && altHeld_.any() && level3 && level3 < down_.size() &&
        keys_.HasLevel3Symbol(kc)) {
        if (!modifiersSuspended_) ReleaseHeldModifiers();
        if (!down_[level3]) Press(level3);
        viaAltGr_[kc] = true;
    } else if (modifiersSuspended_) {
        RepressSuspendedModifiers();
    } else {
        Commit();
    }
    Press(kc);
}

void KeyPresses::Commit() {
    for (xkb_keycode_t kc : pendingOrder_) {
        if (!down_[kc]) Press(kc);
    }
    pending_.reset();
    pendingOrder_.clear();
}

bool KeyPresses::Reachable(const KeyStroke& stroke) const {
    const xkb_keycode_t shift = keys_.ShiftKeycode();
    const xkb_keycode_t level3 = keys_.Level3Keycode();
    return stroke.keycode < down_.size() &&
           (!(stroke.mods & keys_.ShiftMods()) || (shift && shift < down_.size())) &&
           (!(stroke.mods & keys_.Level3Mods()) || (level3 && level3 < down_.size()));
}

std::optional<KeyStroke> KeyPresses::DirectStroke(char32_t ch) const {
    auto stroke = keys_.KeyForChar(ch);
    if (!stroke || !Reachable(*stroke)) return std::nullopt;
    return stroke;
}

bool KeyPresses::CanTypeChar(char32_t ch) const { return DirectStroke(ch).has_value(); }

void KeyPresses::Strike(const KeyStroke& stroke) {
    const xkb_keycode_t shift = keys_.ShiftKeycode();
    const xkb_keycode_t level3 = keys_.Level3Keycode();
    const bool pressShift = (stroke.mods & keys_.ShiftMods()) && !down_[shift];
    const bool pressLevel3 = (stroke.mods & keys_.Level3Mods()) && !down_[level3];
    if (pressShift) Press(shift);
    if (pressLevel3) Press(level3);
    Press(stroke.keycode);
    Release(stroke.keycode);
    if (pressLevel3) Release(level3);
    if (pressShift) Release(shift);
}

bool KeyPresses::TypeChar(char32_t ch) {
    const auto stroke = DirectStroke(ch);
    if (!stroke) return false;
    Strike(*stroke);
    return true;
}

bool KeyPresses::TypeWithDeadKey(char32_t ch) {
    auto strokes = keys_.DeadKeysForChar(ch);
    if (!strokes || !Reachable(strokes->dead) || !Reachable(strokes->then)) return false;
    Strike(strokes->dead);
    Strike(strokes->then);
    return true;
}

void KeyPresses::ReleaseAll() {
    for (size_t kc = 0; kc < down_.size(); ++kc) {
        if (down_[kc]) Release(static_cast<xkb_keycode_t>(kc));
    }
    ctrlHeld_.reset();
    altHeld_.reset();
    viaAltGr_.reset();
    pending_.reset();
    pendingOrder_.clear();
    modifiersSuspended_ = false;
}

}  // namespace tess::xkb
