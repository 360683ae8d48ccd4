#include "platform/x11/X11Sink.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <thread>

#include "platform/x11/ErrorTrap.h"
#include "platform/x11/ShellOpen.h"
#include "platform/x11/VirtualKeys.h"

namespace tess::x11 {

X11Sink::X11Sink(Display* display, std::chrono::milliseconds restoreDelay)
    : display_(display), root_(DefaultRootWindow(display)), restoreDelay_(restoreDelay) {
    HandleServerLoss();
    WatchForErrors(display_);
    int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    XkbQueryExtension(display_, &opcode, &xkbEventBase_, &error, &major, &minor);
    XkbSelectEvents(display_, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    XkbSelectEventDetails(display_, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask,
                          XkbGroupStateMask);
    int randrError = 0;
    if (XRRQueryExtension(display_, &randrEventBase_, &randrError)) {
        int rrMajor = 0, rrMinor = 0;
        XRRQueryVersion(display_, &rrMajor, &rrMinor);
        haveRandrPrimary_ = rrMajor > 1 || (rrMajor == 1 && rrMinor >= 3);
        XRRSelectInput(display_, root_,
                       RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    } else {
        randrEventBase_ = -1;
    }
    // Our own fake events must not be held up by another client's grab of
    // the server; XTest clients ask for that explicitly.
    XTestGrabControl(display_, True);
    PollEvents(false);
}

X11Sink::~X11Sink() {
    ReleaseAll();
    // Give clients the time they were promised to read the last borrowed
    // character before the mapping changes back.
    Clock::time_point latest{};
    for (const auto& key : borrowed_) {
        if (key.keysym != NoSymbol) latest = std::max(latest, key.lastUse);
    }
    if (latest != Clock::time_point{}) std::this_thread::sleep_until(latest + restoreDelay_);
    RestoreKeyboardMapping();
    XSync(display_, False);
    StopWatchingErrors(display_);
    XCloseDisplay(display_);
}

void X11Sink::HandleEvent(const XEvent& event) {
    if (event.type == MappingNotify) {
        keymapStale_ = true;
    } else if (event.type == xkbEventBase_) {
        const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
        if (xkb.any.xkb_type != XkbStateNotify || (xkb.state.changed & XkbGroupStateMask))
            keymapStale_ = true;
    } else if (randrEventBase_ >= 0 && (event.type == randrEventBase_ + RRScreenChangeNotify ||
                                        event.type == randrEventBase_ + RRNotify)) {
        XEvent copy = event;
        XRRUpdateConfiguration(&copy);
        originKnown_ = false;
    }
}

void X11Sink::PollEvents(bool readSocket) {
    HandleServerLoss();
    while (XEventsQueued(display_, readSocket ? QueuedAfterFlush : QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        HandleEvent(event);
    }
    if (keymapStale_) {
        std::vector<KeyCode> inUse;
        for (const auto& key : borrowed_) {
            if (key.keysym != NoSymbol) inUse.push_back(key.keycode);
        }
        keymap_.Load(display_, inUse);
        keymapStale_ = false;
    }
}

ScreenPoint X11Sink::PrimaryOrigin() {
    if (originKnown_) return origin_;
    origin_ = ScreenPoint{};
    if (haveRandrPrimary_) {
        if (RROutput primary = XRRGetOutputPrimary(display_, root_)) {
            XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
            XRROutputInfo* output = resources ? XRRGetOutputInfo(display_, resources, primary) : nullptr;
            if (output && output->crtc) {
                if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, resources, output->crtc)) {
                    origin_ = ScreenPoint{crtc->x, crtc->y};
                    XRRFreeCrtcInfo(crtc);
                }
            }
            if (output) XRRFreeOutputInfo(output);
            if (resources) XRRFreeScreenResources(resources);
        }
    }
    originKnown_ = true;
    return origin_;
}

void X11Sink::SetCursorPos(int32_t x, int32_t y) {
    PollEvents(false);
    const ScreenPoint origin = PrimaryOrigin();
    // The protocol carries 16-bit coordinates: a far-off point is brought
    // to the edge of that range rather than wrapped back onto the screen.
    auto onWire = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -32768, 32767)); };
    XTestFakeMotionEvent(display_, DefaultScreen(display_), onWire(int64_t{x} + origin.x),
                         onWire(int64_t{y} + origin.y), CurrentTime);
}

ScreenPoint X11Sink::GetCursorPos() {
    PollEvents(true);
    RestoreDueKeys(false);
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    const ScreenPoint origin = PrimaryOrigin();
    return ScreenPoint{rootX - origin.x, rootY - origin.y};
}

void X11Sink::mouse_event(uint32_t flags, int32_t, int32_t, uint32_t, uintptr_t) {
    static constexpr struct {
        uint32_t flag;
        unsigned button;
        bool press;
    } kButtons[] = {{MOUSEEVENTF_LEFTDOWN, 1, true},  {MOUSEEVENTF_LEFTUP, 1, false},
                    {MOUSEEVENTF_RIGHTDOWN, 3, true}, {MOUSEEVENTF_RIGHTUP, 3, false},
                    {0x0020, 2, true},                {0x0040, 2, false}};
    for (const auto& b : kButtons) {
        if (!(flags & b.flag)) continue;
        XTestFakeButtonEvent(display_, b.button, b.press, CurrentTime);
        buttonsDown_[b.button] = b.press;
    }
}

void X11Sink::PressKey(KeyCode keycode) {
    KeyPressGuard* guard = guard_ && guard_->Guards(keycode) ? guard_ : nullptr;
    if (guard) guard->BeforeOwnPress(keycode);
    XTestFakeKeyEvent(display_, keycode, True, CurrentTime);
    if (guard) {
        XSync(display_, False);
        guard->AfterOwnPress(keycode);
    }
    down_[keycode] = true;
}

void X11Sink::ReleaseKey(KeyCode keycode) {
    XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
    down_[keycode] = false;
}

void X11Sink::ReleaseHeldModifiers() {
    for (size_t kc = 0; kc < down_.size(); ++kc) {
        if (down_[kc] && (ctrlHeld_[kc] || altHeld_[kc])) ReleaseKey(static_cast<KeyCode>(kc));
    }
    modifiersSuspended_ = true;
}

void X11Sink::RepressSuspendedModifiers() {
    for (size_t kc = 0; kc < down_.size(); ++kc) {
        if (!down_[kc] && (ctrlHeld_[kc] || altHeld_[kc])) PressKey(static_cast<KeyCode>(kc));
    }
    modifiersSuspended_ = false;
}

void X11Sink::keybd_event(uint8_t vk, uint8_t, uint32_t flags, uintptr_t) {
    PollEvents(false);
    const KeyCode kc = keymap_.KeycodeForVirtualKey(vk);
    if (!kc) return;
    const bool up = flags & KEYEVENTF_KEYUP;
    const KeyCode level3 = keymap_.Level3Keycode();
    const bool isCtrl = vk == 17 || vk == 162 || vk == 163;
    const bool isAlt = (vk == 18 || vk == 164 || vk == 165) && kc != level3;

    if (isCtrl || isAlt) {
        // Held for the caller; while AltGr stands in for Ctrl+Alt the keys
        // themselves stay released.
        (isCtrl ? ctrlHeld_ : altHeld_)[kc] = !up;
        if (!modifiersSuspended_ || down_[kc]) up ? ReleaseKey(kc) : PressKey(kc);
        if (ctrlHeld_.none() && altHeld_.none()) modifiersSuspended_ = false;
        return;
    }
    if (up) {
        ReleaseKey(kc);
        if (viaAltGr_[kc]) {
            viaAltGr_[kc] = false;
            if (viaAltGr_.none() && level3 && down_[level3]) ReleaseKey(level3);
        }
        return;
    }
    // Ctrl+Alt on a key with an AltGr character types that character, as
    // on Windows; on other keys it stays a shortcut.
    if (ctrlHeld_.any() && altHeld_.any() && level3 && keymap_.HasLevel3Symbol(kc)) {
        if (!modifiersSuspended_) ReleaseHeldModifiers();
        if (!down_[level3]) PressKey(level3);
        viaAltGr_[kc] = true;
    } else if (modifiersSuspended_) {
        RepressSuspendedModifiers();
    }
    PressKey(kc);
}

int16_t X11Sink::VkKeyScanA(char32_t ch) {
    PollEvents(true);
    const auto stroke = keymap_.FindChar(ch);
    if (!stroke) return -1;
    return static_cast<int16_t>(stroke->vk | (stroke->shiftState << 8));
}

void X11Sink::SendUnicodeChar(char32_t ch) {
    PollEvents(true);
    const auto stroke = keymap_.FindChar(ch);
    const KeyCode shift = keymap_.KeycodeForVirtualKey(160);
    const KeyCode level3 = keymap_.Level3Keycode();
    const bool needShift = stroke && (stroke->shiftState & kShiftStateShift);
    const bool needLevel3 = stroke && (stroke->shiftState & kShiftStateAlt);
    if (!stroke || (needShift && !shift) || (needLevel3 && !level3)) {
        if (KeySym keysym = KeysymForChar(ch); keysym != NoSymbol) TypeOnBorrowedKey(keysym);
        return;
    }
    const bool pressShift = needShift && !down_[shift];
    const bool pressLevel3 = needLevel3 && !down_[level3];
    if (pressShift) PressKey(shift);
    if (pressLevel3) PressKey(level3);
    PressKey(stroke->keycode);
    ReleaseKey(stroke->keycode);
    if (pressLevel3) ReleaseKey(level3);
    if (pressShift) ReleaseKey(shift);
}

void X11Sink::TypeOnBorrowedKey(KeySym keysym) {
    RestoreDueKeys(false);
    if (borrowed_.empty()) {
        const auto& spare = keymap_.SpareKeycodes();
        for (size_t i = 0; i < spare.size() && i < 8; ++i)
            borrowed_.push_back(BorrowedKey{spare[i], NoSymbol, {}, {}});
    }
    if (borrowed_.empty()) return;  // every keycode is in use: nothing to type with
    auto slot = std::find_if(borrowed_.begin(), borrowed_.end(),
                             [&](const BorrowedKey& k) { return k.keysym == keysym; });
    if (slot == borrowed_.end()) {
        slot = std::min_element(borrowed_.begin(), borrowed_.end(),
                                [](const BorrowedKey& a, const BorrowedKey& b) {
                                    if ((a.keysym == NoSymbol) != (b.keysym == NoSymbol))
                                        return a.keysym == NoSymbol;
                                    return a.lastUse < b.lastUse;
                                });
        if (slot->keysym == NoSymbol) {
            int perKeycode = 0;
            KeySym* current = XGetKeyboardMapping(display_, slot->keycode, 1, &perKeycode);
            slot->saved.assign(current, current + (current ? perKeycode : 0));
            if (current) XFree(current);
            if (slot->saved.empty()) slot->saved.push_back(NoSymbol);
        }
        KeySym both[2] = {keysym, keysym};
        XChangeKeyboardMapping(display_, slot->keycode, 2, both, 1);
        slot->keysym = keysym;
    }
    PressKey(slot->keycode);
    ReleaseKey(slot->keycode);
    slot->lastUse = Clock::now();
}

void X11Sink::RestoreDueKeys(bool all) {
    const auto now = Clock::now();
    bool changed = false;
    for (auto& key : borrowed_) {
        if (key.keysym == NoSymbol || (!all && now - key.lastUse < restoreDelay_)) continue;
        XChangeKeyboardMapping(display_, key.keycode, static_cast<int>(key.saved.size()),
                               key.saved.data(), 1);
        key.keysym = NoSymbol;
        changed = true;
    }
    if (changed) XFlush(display_);
}

void X11Sink::RestoreKeyboardMapping() { RestoreDueKeys(true); }

void X11Sink::Flush() {
    XSync(display_, False);
    PollEvents(false);
    RestoreDueKeys(false);
}

void X11Sink::ReleaseAll() {
    for (size_t kc = 0; kc < down_.size(); ++kc) {
        if (down_[kc]) ReleaseKey(static_cast<KeyCode>(kc));
    }
    for (unsigned button = 1; button < buttonsDown_.size(); ++button) {
        if (buttonsDown_[button]) XTestFakeButtonEvent(display_, button, False, CurrentTime);
    }
    buttonsDown_.reset();
    ctrlHeld_.reset();
    altHeld_.reset();
    viaAltGr_.reset();
    modifiersSuspended_ = false;
    XSync(display_, False);
}

void X11Sink::ShellExecuteA(const void*, const std::string& operation, const std::string& file,
                            const std::string&, const std::string& directory, int) {
    if (operation.empty() || operation == "open") ShellOpen(file, directory);
}

}  // namespace tess::x11
