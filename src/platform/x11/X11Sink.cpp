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
      presses_(keyboard_.index(),
               [this](xkb_keycode_t keycode, bool press) {
                   press ? PressKey(static_cast<KeyCode>(keycode))
                         : ReleaseKey(static_cast<KeyCode>(keycode));
               }),
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

// The primary monitor, read again when the last reading is older than
// `maxAge`: monitors made or removed with `xrandr --setmonitor` send no event.
ScreenPoint X11Sink::PrimaryOrigin(Clock::duration maxAge) {
    const auto now = Clock::now();
    if (!originKnown_ || now - originReadAt_ > maxAge) ReadPrimaryOrigin(now);
    return origin_;
}

void X11Sink::ReadPrimaryOrigin(Clock::time_point now) {
    origin_ = PrimaryMonitorOrigin(display_, root_, randrVersion_);
    originKnown_ = true;
    originReadAt_ = now;
}

void X11Sink::SetCursorPos(int32_t x, int32_t y) {
    PollEvents(false);
    // Read at the end of the previous tick, when that was a moment ago.
    const ScreenPoint origin = PrimaryOrigin(kOriginFreshForMove);
    // The protocol carries 16-bit coordinates: a far-off point is brought
    // to the edge of that range rather than wrapped back onto the screen.
    auto onWire = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -32768, 32767)); };
    XTestFakeMotionEvent(display_, DefaultScreen(display_), onWire(int64_t{x} + origin.x),
                         onWire(int64_t{y} + origin.y), CurrentTime);
}

ScreenPoint X11Sink::GetCursorPos() {
    PollEvents(true);
    borrowed_.Restore(false);
    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    // Read as often as the pointer moves: the primary monitor is read
    // again only twice a second.
    const ScreenPoint origin = PrimaryOrigin(kOriginFreshForPosition);
    return ScreenPoint{rootX - origin.x, rootY - origin.y};
}

void X11Sink::mouse_event(uint32_t flags, int32_t, int32_t, uint32_t, uintptr_t) {
    presses_.Commit();  // a Ctrl or Alt held for the click is down before it
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
}

void X11Sink::ReleaseKey(KeyCode keycode) {
    XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
}

void X11Sink::keybd_event(uint8_t vk, uint8_t, uint32_t flags, uintptr_t) {
    PollEvents(false);
    presses_.KeyEvent(vk, flags & KEYEVENTF_KEYUP);
}

int16_t X11Sink::VkKeyScanA(char32_t ch) {
    PollEvents(true);
    return keys().VkKeyScan(ch);
}

void X11Sink::WillSendUnicodeChars(std::u32string_view chars) {
    PollEvents(true);
    std::u32string borrowed;
    for (char32_t ch : chars) {
        if (!presses_.CanTypeChar(ch)) borrowed += ch;
    }
    borrowed_.Expect(borrowed);
}

void X11Sink::SendUnicodeChar(char32_t ch) {
    PollEvents(true);
    if (!presses_.TypeChar(ch)) TypeOnBorrowedKey(ch);
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
                                      [this](KeyCode k) { return k && presses_.IsDown(k); });
        if (wanted && !down && modifiers.front()) {
            presses_.Press(modifiers.front());
            pressed.push_back(modifiers.front());
        }
        for (KeyCode k : modifiers) {
            if (!wanted && k && presses_.IsDown(k)) {
                presses_.Release(k);
                released.push_back(k);
            }
        }
    };
    want(shiftKeys, stroke.level & 1);
    want(std::span(&level3, 1), stroke.level & 2);
    presses_.Press(stroke.keycode);
    presses_.Release(stroke.keycode);
    for (auto k = pressed.rbegin(); k != pressed.rend(); ++k) presses_.Release(*k);
    for (KeyCode k : released) presses_.Press(k);
    borrowed_.Used(stroke.keycode);
}

void X11Sink::RestoreKeyboardMapping() {
    borrowed_.Restore(true);
    XSync(display_, False);
}

void X11Sink::Flush() {
    presses_.Commit();
    // The tick's closing round trip: a reply means the server has handled
    // every request sent before it, as XSync's does, so where one request
    // tells the primary monitor, that request is the sync and the next
    // tick's move needs no round trip of its own.
    if (randrVersion_ >= 105) {
        ReadPrimaryOrigin(Clock::now());
    } else {
        originKnown_ = false;
        XSync(display_, False);
    }
    borrowed_.Synced();
    PollEvents(false);
    borrowed_.Restore(false);
}

void X11Sink::ReleaseAll() {
    presses_.ReleaseAll();
    for (unsigned button = 1; button < buttonsDown_.size(); ++button) {
        if (buttonsDown_[button]) XTestFakeButtonEvent(display_, button, False, CurrentTime);
    }
    buttonsDown_.reset();
    XSync(display_, False);
    borrowed_.Synced();
    RestoreKeyboardMapping();
}

void X11Sink::ShellExecuteA(const void*, const std::string& operation, const std::string& file,
                            const std::string&, const std::string& directory, int) {
    if (operation.empty() || operation == "open") xdg::ShellOpen(file, directory);
}

}  // namespace tess::x11
