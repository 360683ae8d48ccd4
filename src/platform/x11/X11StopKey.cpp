#include "platform/x11/X11StopKey.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <X11/keysym.h>

#include <algorithm>
#include <utility>

#include "platform/x11/ErrorTrap.h"
#include "platform/x11/X11Sink.h"

namespace tess::x11 {
namespace {

// The modifier bits on which any of the keycodes producing `keysym` sit.
unsigned ModifierOf(Display* display, const XModifierKeymap* map, KeySym keysym) {
    unsigned mask = 0;
    for (int mod = 0; mod < 8; ++mod) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode kc = map->modifiermap[mod * map->max_keypermod + i];
            if (kc && XkbKeycodeToKeysym(display, kc, 0, 0) == keysym) mask |= 1u << mod;
        }
    }
    return mask;
}

}  // namespace

X11StopKey::X11StopKey(Display* display, X11Sink* sink)
    : display_(display), root_(DefaultRootWindow(display)), sink_(sink) {
    WatchForErrors(display_);
    keys_.push_back(Key{"Pause", {XK_Pause}, false, {}});
    keys_.push_back(Key{"Ctrl+Alt+Q", {XK_q, XK_Q}, true, {}});
    ReadLayout();
    if (sink_) sink_->SetKeyPressGuard(this);
}

X11StopKey::~X11StopKey() {
    if (sink_) sink_->SetKeyPressGuard(nullptr);
    Disarm();
    XSync(display_, False);
    StopWatchingErrors(display_);
    XCloseDisplay(display_);
}

void X11StopKey::ReadLayout() {
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(minKeycode),
                                       maxKeycode - minKeycode + 1, &perKeycode);
    for (Key& key : keys_) {
        key.keycodes.clear();
        for (int kc = minKeycode; syms && kc <= maxKeycode; ++kc) {
            const KeySym* row = syms + (kc - minKeycode) * perKeycode;
            // The first two groups, as the core mapping shows them.
            for (int i = 0; i < std::min(perKeycode, 4); ++i) {
                if (std::find(key.keysyms.begin(), key.keysyms.end(), row[i]) != key.keysyms.end()) {
                    key.keycodes.push_back(static_cast<KeyCode>(kc));
                    break;
                }
            }
        }
    }
    if (syms) XFree(syms);

    unsigned numLock = 0, scrollLock = 0;
    altMask_ = Mod1Mask;
    superMask_ = Mod4Mask;
    if (XModifierKeymap* map = XGetModifierMapping(display_)) {
        numLock = ModifierOf(display_, map, XK_Num_Lock);
        scrollLock = ModifierOf(display_, map, XK_Scroll_Lock);
        if (unsigned alt = ModifierOf(display_, map, XK_Alt_L) | ModifierOf(display_, map, XK_Alt_R))
            altMask_ = alt & -alt;  // the lowest, where Alt usually sits alone
        if (unsigned super = ModifierOf(display_, map, XK_Super_L) | ModifierOf(display_, map, XK_Super_R))
            superMask_ = super & -super;
        XFreeModifiermap(map);
    }
    lockMasks_.clear();
    const unsigned locks[] = {LockMask, numLock, scrollLock};
    for (unsigned pick = 0; pick < 8; ++pick) {
        unsigned mask = 0;
        for (unsigned i = 0; i < 3; ++i) {
            if (pick & (1u << i)) mask |= locks[i];
        }
        if (std::find(lockMasks_.begin(), lockMasks_.end(), mask) == lockMasks_.end())
            lockMasks_.push_back(mask);
    }
}

std::vector<X11StopKey::Grabbed> X11StopKey::Wanted(const Key& key, bool held) const {
    std::vector<Grabbed> all;
    const unsigned base = key.withCtrlAlt ? (ControlMask | altMask_) : 0;
    const unsigned extras[] = {ShiftMask, ControlMask, altMask_, superMask_};
    for (unsigned pick = held ? 1 : 0; pick < (held ? 16u : 1u); ++pick) {
        unsigned extra = 0;
        for (unsigned i = 0; i < 4; ++i) {
            if (pick & (1u << i)) extra |= extras[i];
        }
        if (held && (extra & ~base) == 0) continue;  // nothing beyond the key's own
        for (KeyCode kc : key.keycodes) {
            for (unsigned locks : lockMasks_) {
                const Grabbed g{kc, base | extra | locks};
                if (std::find(all.begin(), all.end(), g) == all.end()) all.push_back(g);
            }
        }
    }
    return all;
}

void X11StopKey::Grab(Key& key, const std::vector<Grabbed>& grabs, bool report) {
    const unsigned long errorsBefore = ErrorCount(display_);
    for (const Grabbed& g : grabs)
        XGrabKey(display_, g.keycode, g.modifiers, root_, False, GrabModeAsync, GrabModeAsync);
    // Another client's grab of the same key and modifiers is refused with
    // BadAccess; the round trip brings the answer in.
    XSync(display_, False);
    if (report && ErrorCount(display_) != errorsBefore && !key.reported) {
        key.reported = true;
        notices_.push_back(key.name +
                           " does not stop playback here: another program holds that key");
    }
}

void X11StopKey::Arm() {
    if (armed_) return;
    if (layoutStale_) {
        ReadLayout();
        layoutStale_ = false;
    }
    for (Key& key : keys_) {
        if (key.keycodes.empty() && !key.reported) {
            key.reported = true;
            notices_.push_back(key.name + " does not stop playback here: no key of the layout types it");
        }
        for (bool held : {false, true}) {
            const auto grabs = Wanted(key, held);
            // The key as the user presses it must be ours; under modifiers
            // a scenario holds it is a courtesy, and desktops often bind
            // some of those combinations.
            Grab(key, grabs, !held);
            for (const Grabbed& g : grabs) {
                if (std::find(grabbed_.begin(), grabbed_.end(), g) == grabbed_.end())
                    grabbed_.push_back(g);
            }
        }
    }
    armed_ = true;
}

void X11StopKey::Disarm() {
    if (!armed_) return;
    for (const Grabbed& g : grabbed_) XUngrabKey(display_, g.keycode, g.modifiers, root_);
    grabbed_.clear();
    XFlush(display_);
    armed_ = false;
}

bool X11StopKey::TakePress() {
    bool pressed = std::exchange(pendingPress_, false) && armed_;
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            layoutStale_ = true;
        } else if (event.type == KeyPress && armed_) {
            pressed = pressed || Guards(static_cast<KeyCode>(event.xkey.keycode));
        }
    }
    if (layoutStale_ && armed_ && !pressed) {
        // A new layout may put the keys elsewhere: take them anew where so.
        ReadLayout();
        layoutStale_ = false;
        std::vector<Grabbed> wanted;
        for (const Key& key : keys_) {
            for (bool held : {false, true}) {
                for (const Grabbed& g : Wanted(key, held)) {
                    if (std::find(wanted.begin(), wanted.end(), g) == wanted.end()) wanted.push_back(g);
                }
            }
        }
        if (wanted != grabbed_) {
            Disarm();
            Arm();
        }
    }
    return pressed;
}

std::vector<std::string> X11StopKey::TakeNotices() { return std::exchange(notices_, {}); }

int X11StopKey::WaitHandle() const { return ConnectionNumber(display_); }

bool X11StopKey::Guards(KeyCode keycode) const {
    return std::any_of(grabbed_.begin(), grabbed_.end(),
                       [keycode](const Grabbed& g) { return g.keycode == keycode; });
}

void X11StopKey::BeforeOwnPress(KeyCode keycode) {
    if (!armed_) return;
    for (const Grabbed& g : grabbed_) {
        if (g.keycode == keycode) XUngrabKey(display_, g.keycode, g.modifiers, root_);
    }
    // The server must have let go before the sink's press arrives.
    XSync(display_, False);
}

void X11StopKey::AfterOwnPress(KeyCode keycode) {
    if (!armed_) return;
    for (Key& key : keys_) {
        for (bool held : {false, true}) {
            std::vector<Grabbed> again;
            for (const Grabbed& g : Wanted(key, held)) {
                if (g.keycode == keycode &&
                    std::find(grabbed_.begin(), grabbed_.end(), g) != grabbed_.end())
                    again.push_back(g);
            }
            if (!again.empty()) Grab(key, again, !held);
        }
    }
}

std::unique_ptr<X11StopKey> OpenX11StopKey(X11Sink& sink, std::string& error) {
    const char* name = DisplayString(sink.display());
    Display* display = XOpenDisplay(name);
    if (!display) {
        error = std::string("the stop keys cannot be taken: no second connection to display \"") +
                (name ? name : "") + "\"";
        return nullptr;
    }
    return std::make_unique<X11StopKey>(display, &sink);
}

std::unique_ptr<X11StopKey> OpenXWaylandStopKey(std::string& error) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = "no X server for the stop keys";
        return nullptr;
    }
    auto key = std::make_unique<X11StopKey>(display, nullptr);
    key->WatchRawKeys();
    return key;
}

void X11StopKey::WatchRawKeys() {
    int event = 0, error = 0, major = 2, minor = 0;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error) ||
        XIQueryVersion(display_, &major, &minor) != Success) {
        xiOpcode_ = -1;
        return;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display_, root_, &mask, 1);
    XSync(display_, False);
}

void X11StopKey::WaitForRawPress(KeyCode keycode) {
    // The compositor has passed the press to XWayland, which may not have
    // read it yet: the grabs come back once its raw event is here (or
    // after a quarter of a second, should it never come).
    const int limitMs = 250;
    int waited = 0;
    for (;;) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_ &&
                XGetEventData(display_, &event.xcookie)) {
                const auto* raw = static_cast<const XIRawEvent*>(event.xcookie.data);
                const bool ours = event.xcookie.evtype == XI_RawKeyPress && raw->detail == keycode;
                XFreeEventData(display_, &event.xcookie);
                if (ours) return;
            } else if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
                layoutStale_ = true;
            } else if (event.type == KeyPress && armed_) {
                pendingPress_ = pendingPress_ || Guards(static_cast<KeyCode>(event.xkey.keycode));
            }
        }
        if (waited >= limitMs) return;
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        const int step = 10;
        ::poll(&fd, 1, step);
        waited += step;
    }
}

bool X11StopKey::Guards(uint32_t keycode, uint32_t) const {
    return keycode < 256 && Guards(static_cast<KeyCode>(keycode));
}

void X11StopKey::BeforeOwnPress(uint32_t keycode, uint32_t) { BeforeOwnPress(static_cast<KeyCode>(keycode)); }

void X11StopKey::AfterOwnPress(uint32_t keycode, uint32_t) {
    if (keycode >= 256) return;
    if (armed_ && xiOpcode_ >= 0) WaitForRawPress(static_cast<KeyCode>(keycode));
    AfterOwnPress(static_cast<KeyCode>(keycode));
}

}  // namespace tess::x11
