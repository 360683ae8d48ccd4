#pragma once
// Keys and mouse buttons that playback pressed and has not released yet.
// Every key and button event of the actions passes through here, so that a
// stop, or the end of the program, can release what is still held.
#include <cstdint>
#include <vector>

#include "platform/InputSink.h"

namespace tess {

class HeldInput {
public:
    // Sends one key event and notes the key as held (down) or free (up).
    void Key(InputSink& sink, uint8_t vk, bool up);
    // Sends one of the four button events and notes the button's state.
    void Mouse(InputSink& sink, uint32_t flags);
    // Releases everything still held, most recently pressed first.
    void ReleaseAll(InputSink& sink);
    bool Empty() const { return held_.empty(); }
    // Whether the key is held down (pressed and not yet released).
    bool KeyHeld(uint8_t vk) const;

private:
    struct Held {
        bool mouse;
        uint32_t code;  // the key code, or the button's release flags
    };
    void Press(Held item);
    void Free(Held item);
    std::vector<Held> held_;
};

}  // namespace tess
