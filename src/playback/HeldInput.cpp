#include "playback/HeldInput.h"

#include <algorithm>

namespace tess {

namespace {

constexpr int32_t kButtonOffset = 10;  // dx and dy of every button event

}  // namespace

void HeldInput::Press(Held item) {
    // A key pressed again while held (as auto-repeat does) is still one
    // held key: a single release frees it.
    for (const Held& h : held_) {
        if (h.mouse == item.mouse && h.code == item.code) return;
    }
    held_.push_back(item);
}

void HeldInput::Free(Held item) {
    std::erase_if(held_, [&](const Held& h) { return h.mouse == item.mouse && h.code == item.code; });
}

bool HeldInput::KeyHeld(uint8_t vk) const {
    return std::any_of(held_.begin(), held_.end(), [vk](const Held& h) { return !h.mouse && h.code == vk; });
}

void HeldInput::Key(InputSink& sink, uint8_t vk, bool up) {
    sink.keybd_event(vk, 0, up ? KEYEVENTF_KEYUP : 0, 0);
    if (up) {
        Free({false, vk});
    } else {
        Press({false, vk});
    }
}

void HeldInput::Mouse(InputSink& sink, uint32_t flags) {
    sink.mouse_event(flags, kButtonOffset, kButtonOffset, 0, 0);
    const uint32_t button = flags & ~MOUSEEVENTF_ABSOLUTE;
    if (button == MOUSEEVENTF_LEFTDOWN) {
        Press({true, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP});
    } else if (button == MOUSEEVENTF_RIGHTDOWN) {
        Press({true, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP});
    } else {
        Free({true, flags});
    }
}

void HeldInput::ReleaseAll(InputSink& sink) {
    std::vector<Held> held;
    held.swap(held_);
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        if (it->mouse) {
            sink.mouse_event(it->code, kButtonOffset, kButtonOffset, 0, 0);
        } else {
            sink.keybd_event(static_cast<uint8_t>(it->code), 0, KEYEVENTF_KEYUP, 0);
        }
    }
}

}  // namespace tess
