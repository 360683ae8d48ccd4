#include "app/play/ReleaseAll.h"

#include <cstdint>

#include "platform/InputSink.h"

namespace tess {

void ReleaseEverything(InputSink& sink) {
    // Shift, Ctrl and Alt (and each one's left and right key), the Windows
    // keys, and the Alt key right of the space bar, which is AltGr where
    // the layout has one.
    static constexpr uint8_t kModifiers[] = {16, 17, 18, 160, 161, 162, 163, 164, 165, 91, 92};
    for (uint8_t vk : kModifiers) sink.keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
    sink.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    sink.mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
    sink.mouse_event(0x0040 /* the middle button up */, 0, 0, 0, 0);
    sink.Flush();
}

}  // namespace tess
