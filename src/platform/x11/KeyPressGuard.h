#pragma once
// Something that must step aside while the sink presses certain keys
// itself: the stop keys' grabs, which would otherwise take the sink's own
// press of Pause or Ctrl+Alt+Q for the user's.
#include <X11/Xlib.h>

namespace tess::x11 {

class KeyPressGuard {
public:
    virtual ~KeyPressGuard() = default;
    // Whether a press of `keycode` could set off one of the guard's grabs.
    virtual bool Guards(KeyCode keycode) const = 0;
    // Called before the sink sends its press of a guarded key (the grabs
    // are given up once this returns), and after the server has handled
    // the press (the grabs are taken again).
    virtual void BeforeOwnPress(KeyCode keycode) = 0;
    virtual void AfterOwnPress(KeyCode keycode) = 0;
};

}  // namespace tess::x11
