#pragma once
// Something that must step aside while a desktop sink presses certain keys
// itself: a stop key that would otherwise take the scenario's own press of
// Pause or Ctrl+Alt+Q for the user's. For the sinks that type by XKB
// keycode (the Wayland ones); the X11 sink has its own guard on X keycodes.
#include <cstdint>

namespace tess {

class OwnKeyGuard {
public:
    virtual ~OwnKeyGuard() = default;
    // Whether the sink's press of this key (its XKB keycode, and the keysym
    // it has on the first level of the layout) could set off the stop key.
    virtual bool Guards(uint32_t keycode, uint32_t keysym) const = 0;
    // Called before the sink sends its press of a guarded key, and after
    // the desktop has handled the press.
    virtual void BeforeOwnPress(uint32_t keycode, uint32_t keysym) = 0;
    virtual void AfterOwnPress(uint32_t keycode, uint32_t keysym) = 0;
};

// A sink that tells a guard about its own presses.
class GuardedSink {
public:
    virtual ~GuardedSink() = default;
    // `guard` (nullptr for none) must outlive the sink or be taken back.
    virtual void SetOwnKeyGuard(OwnKeyGuard* guard) = 0;
};

}  // namespace tess
