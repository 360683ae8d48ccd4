#pragma once
// Something that must step aside while the sink presses certain keys
// itself: the stop keys' hot keys, which would otherwise take the sink's
// own press of Pause or Ctrl+Alt+Q for the user's.
#include <cstdint>

namespace tess::win {

class KeyPressGuard {
public:
    virtual ~KeyPressGuard() = default;
    // Whether a key event of the virtual key `vk` could set off a hot key.
    virtual bool Guards(uint8_t vk) const = 0;
    // Called before the sink sends its event (the hot keys are given up
    // once this returns), and after it was sent (they are taken again once
    // the system has handled the event).
    virtual void BeforeOwnPress(uint8_t vk) = 0;
    virtual void AfterOwnPress(uint8_t vk, bool release) = 0;
};

}  // namespace tess::win
