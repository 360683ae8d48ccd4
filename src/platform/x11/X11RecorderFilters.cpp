// What the recorder leaves out: the stop key, which it takes from the
// focused program with passive grabs, and the program's own windows.
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>

#include "platform/x11/ErrorTrap.h"
#include "platform/x11/X11Recorder.h"

namespace tess::x11 {

void X11Recorder::IgnoreWindows(const std::vector<uint64_t>& windows) {
    std::lock_guard lock(ignoredMutex_);
    ignored_.assign(windows.begin(), windows.end());
    areasStale_ = true;  // read their places at the next round trip
}

void X11Recorder::GrabStopKeys() {
    // The same keys as stop playback: every keycode that shows Pause, or q,
    // in the first two groups of the core mapping.
    pauseKeycodes_.clear();
    qKeycodes_.clear();
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(control_, &minKeycode, &maxKeycode);
    KeySym* syms = XGetKeyboardMapping(control_, static_cast<KeyCode>(minKeycode), maxKeycode - minKeycode + 1,
                                       &perKeycode);
    for (int kc = minKeycode; syms && kc <= maxKeycode; ++kc) {
        const KeySym* row = syms + (kc - minKeycode) * perKeycode;
        for (int i = 0; i < std::min(perKeycode, 4); ++i) {
            if (row[i] == XK_Pause) pauseKeycodes_.push_back(static_cast<uint8_t>(kc));
            if (row[i] == XK_q || row[i] == XK_Q) qKeycodes_.push_back(static_cast<uint8_t>(kc));
            if (row[i] == XK_Pause || row[i] == XK_q || row[i] == XK_Q) break;
        }
    }
    if (syms) XFree(syms);
    const unsigned num = XkbKeysymToModifiers(control_, XK_Num_Lock);
    const unsigned scroll = XkbKeysymToModifiers(control_, XK_Scroll_Lock);
    // Ctrl+Alt+Q with any lock state, and with Shift or the Windows key
    // held as well.
    qModifiers_.clear();
    for (unsigned caps : {0u, unsigned(LockMask)})
        for (unsigned n : {0u, num})
            for (unsigned sc : {0u, scroll})
                for (unsigned shift : {0u, unsigned(ShiftMask)})
                    for (unsigned super : {0u, unsigned(Mod4Mask)}) {
                        const unsigned combo = ControlMask | Mod1Mask | caps | n | sc | shift | super;
                        if (std::find(qModifiers_.begin(), qModifiers_.end(), combo) == qModifiers_.end())
                            qModifiers_.push_back(combo);
                    }
    WatchForErrors(control_);
    const unsigned long before = ErrorCount(control_);
    for (uint8_t kc : pauseKeycodes_) XGrabKey(control_, kc, AnyModifier, root_, False, GrabModeAsync, GrabModeAsync);
    for (uint8_t kc : qKeycodes_) {
        for (unsigned combo : qModifiers_) XGrabKey(control_, kc, combo, root_, False, GrabModeAsync, GrabModeAsync);
    }
    XSync(control_, False);
    stopKeyWarning_.clear();
    if (ErrorCount(control_) != before) {
        stopKeyWarning_ = "another program holds the stop key (Pause, Ctrl+Alt+Q): it still ends the recording, "
                          "but that program sees it too";
    }
}

void X11Recorder::UngrabStopKeys() {
    for (uint8_t kc : pauseKeycodes_) XUngrabKey(control_, kc, AnyModifier, root_);
    for (uint8_t kc : qKeycodes_) {
        for (unsigned combo : qModifiers_) XUngrabKey(control_, kc, combo, root_);
    }
    XSync(control_, False);
    StopWatchingErrors(control_);
}

bool X11Recorder::IsStopKey(uint8_t keycode, uint16_t state) const {
    auto among = [keycode](const std::vector<uint8_t>& keycodes) {
        return std::find(keycodes.begin(), keycodes.end(), keycode) != keycodes.end();
    };
    if (among(pauseKeycodes_)) return true;
    return among(qKeycodes_) && (state & (ControlMask | Mod1Mask)) == (ControlMask | Mod1Mask);
}

void X11Recorder::RefreshIgnoredAreas() {
    std::vector<Window> windows;
    {
        std::lock_guard lock(ignoredMutex_);
        windows = ignored_;
    }
    ignoredAreas_.clear();
    for (Window window : windows) {
        // The window manager's frame around the window counts too: the
        // ancestor that is a child of the root.
        Window frame = window, rootReturn = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        while (XQueryTree(control_, frame, &rootReturn, &parent, &children, &count)) {
            if (children) XFree(children);
            if (!parent || parent == rootReturn) break;
            frame = parent;
        }
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(control_, frame, &attributes) || attributes.map_state != IsViewable) continue;
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(control_, frame, root_, 0, 0, &x, &y, &child);
        const int border = attributes.border_width;
        ignoredAreas_.push_back({x - border, y - border, attributes.width + 2 * border, attributes.height + 2 * border});
    }
}

bool X11Recorder::InIgnoredWindow(int rootX, int rootY) const {
    for (const Area& a : ignoredAreas_) {
        if (rootX >= a.x && rootY >= a.y && rootX < a.x + a.width && rootY < a.y + a.height) return true;
    }
    return false;
}

bool X11Recorder::FocusInIgnoredWindow() {
    {
        std::lock_guard lock(ignoredMutex_);
        if (ignored_.empty()) return false;
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(control_, &focus, &revert);
    std::lock_guard lock(ignoredMutex_);
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    for (Window w = focus; w > PointerRoot;) {
        if (std::find(ignored_.begin(), ignored_.end(), w) != ignored_.end()) return true;
        if (!XQueryTree(control_, w, &rootReturn, &parent, &children, &count)) break;
        if (children) XFree(children);
        if (parent == rootReturn) break;
        w = parent;
    }
    return false;
}

}  // namespace tess::x11
