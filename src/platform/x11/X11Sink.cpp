#include "platform/x11/X11Sink.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <span>

#include "platform/x11/ErrorTrap.h"
#include "platform/x11/PrimaryMonitor.h"
#include "platform/xdg/ShellOpen.h"

namespace tess::x11 {

X11Sink::X11Sink(Display* display, std::chrono::milliseconds restoreDelay,
                 std::chrono::milliseconds settleDelay)
    : display_(display), root_(DefaultRootWindow(display)),
      borrowed_(display, settleDelay, restoreDelay) {
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
        randrVersion_ = rrMajor * 100 + rrMinor;
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
    StopWatchingErrors(display_);
    XCloseDisplay(display_);
}

void X11Sink::PollEvents(bool readSocket) {
    HandleServerLoss();
    while (XEventsQueued(display_, readSocket ? QueuedAfterFlush : QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        HandleEvent(event);
    }
    if (keymapStale_) ReloadKeyboard();
}

ScreenPoint X11Sink::PrimaryOrigin() {
    if (!originKnown_) origin_ = PrimaryMonitorOrigin(display_, root_, randrVersion_);
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
    borrowed_.Restore(false);
    originKnown_ = false;
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
    const KeyCode kc = static_cast<KeyCode>(keys().KeycodeForVirtualKey(vk));
    if (!kc) return;
    const bool up = flags & KEYEVENTF_KEYUP;
    const KeyCode level3 = static_cast<KeyCode>(keys().Level3Keycode());
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
    if (ctrlHeld_.any() && altHeld_.any() && level3 && keys().HasLevel3Symbol(kc)) {
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
    return keys().VkKeyScan(ch);
}

namespace {

// The key that types ch on the layout with the modifiers it has keys for.
std::optional<xkb::KeyStroke> DirectStroke(const xkb::KeymapIndex& keys, char32_t ch) {
    auto stroke = keys.KeyForChar(ch);
    if (!stroke) return std::nullopt;
    if ((stroke->shiftState & kShiftStateShift) && !keys.ShiftKeycode()) return std::nullopt;
    if ((stroke->shiftState & kShiftStateAlt) && !keys.Level3Keycode()) return std::nullopt;
    return stroke;
}

}  // namespace

void X11Sink::WillSendUnicodeChars(std::u32string_view chars) {
    PollEvents(true);
    std::u32string borrowed;
    for (char32_t ch : chars) {
        if (!DirectStroke(keys(), ch)) borrowed += ch;
    }
    borrowed_.Expect(borrowed);
}

void X11Sink::SendUnicodeChar(char32_t ch) {
    PollEvents(true);
    const auto stroke = DirectStroke(keys(), ch);
    if (!stroke) {
        TypeOnBorrowedKey(ch);
        return;
    }
    const KeyCode shift = static_cast<KeyCode>(keys().ShiftKeycode());
    const KeyCode level3 = static_cast<KeyCode>(keys().Level3Keycode());
    const KeyCode key = static_cast<KeyCode>(stroke->keycode);
    const bool pressShift = (stroke->shiftState & kShiftStateShift) && !down_[shift];
    const bool pressLevel3 = (stroke->shiftState & kShiftStateAlt) && !down_[level3];
    if (pressShift) PressKey(shift);
    if (pressLevel3) PressKey(level3);
    PressKey(key);
    ReleaseKey(key);
    if (pressLevel3) ReleaseKey(level3);
    if (pressShift) ReleaseKey(shift);
}

void X11Sink::TypeOnBorrowedKey(char32_t ch) {
    const KeySym keysym = xkb::KeysymForChar(ch);
    if (keysym == NoSymbol) return;
    const auto stroke = borrowed_.Prepare(ch, keysym);
    if (!stroke.keycode) return;  // every keycode is in use: nothing to type with
    // The level's modifiers exactly: Shift and AltGr pressed for it, or let
    // go of for the stroke when the scenario holds them.
    const KeyCode shiftKeys[] = {static_cast<KeyCode>(keys().ShiftKeycode()),
                                 static_cast<KeyCode>(keys().KeycodeForVirtualKey(161))};
    const KeyCode level3 = static_cast<KeyCode>(keys().Level3Keycode());
    std::vector<KeyCode> pressed, released;
    auto want = [&](std::span<const KeyCode> modifiers, bool wanted) {
        const bool down = std::any_of(modifiers.begin(), modifiers.end(),
                                      [this](KeyCode k) { return k && down_[k]; });
        if (wanted && !down && modifiers.front()) {
            PressKey(modifiers.front());
            pressed.push_back(modifiers.front());
        }
        for (KeyCode k : modifiers) {
            if (!wanted && k && down_[k]) {
                ReleaseKey(k);
                released.push_back(k);
            }
        }
    };
    want(shiftKeys, stroke.level & 1);
    want(std::span(&level3, 1), stroke.level & 2);
    PressKey(stroke.keycode);
    ReleaseKey(stroke.keycode);
    for (auto k = pressed.rbegin(); k != pressed.rend(); ++k) ReleaseKey(*k);
    for (KeyCode k : released) PressKey(k);
    borrowed_.Used(stroke.keycode);
}

void X11Sink::RestoreKeyboardMapping() {
    borrowed_.Restore(true);
    XSync(display_, False);
}

void X11Sink::Flush() {
    // Monitors made or removed with `xrandr --setmonitor` send no event:
    // the primary monitor is read again in the next tick.
    originKnown_ = false;
    XSync(display_, False);
    borrowed_.Synced();
    PollEvents(false);
    borrowed_.Restore(false);
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
    borrowed_.Synced();
    RestoreKeyboardMapping();
}

void X11Sink::ShellExecuteA(const void*, const std::string& operation, const std::string& file,
                            const std::string&, const std::string& directory, int) {
    if (operation.empty() || operation == "open") xdg::ShellOpen(file, directory);
}

}  // namespace tess::x11
