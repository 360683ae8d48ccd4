// kde_keys: presses keys through KWin's fake input as a second program
// would, the way a user's keyboard reaches KWin: "ctrl-alt-q" or "pause".
#include <cstring>

#include "platform/DesktopSink.h"

int main(int argc, char** argv) {
    using namespace tess;
    if (argc != 2) return 2;
    DesktopSink desktop = CreateDesktopSink(DesktopChoice::Wayland);
    if (!desktop.sink) return 1;
    InputSink& sink = *desktop.sink;
    const bool pause = std::strcmp(argv[1], "pause") == 0;
    const uint8_t keys[] = {17, 18, 'Q'};
    if (pause) {
        sink.keybd_event(19, 0, 0, 0);
        sink.keybd_event(19, 0, KEYEVENTF_KEYUP, 0);
    } else {
        for (uint8_t vk : keys) sink.keybd_event(vk, 0, 0, 0);
        for (int i = 2; i >= 0; --i) sink.keybd_event(keys[i], 0, KEYEVENTF_KEYUP, 0);
    }
    sink.Flush();
    return 0;
}
