#pragma once
// What the program does when its desktop goes away for good (the X server
// ends, say) and it has to end at once: the hook keeps what would otherwise
// be lost, without the desktop, and returns text for the one line the
// program ends with. Set by the program, run by the desktop sink.
#include <string>

namespace tess {

using DesktopLostHook = std::string (*)();

inline DesktopLostHook& DesktopLostHookSlot() {
    static DesktopLostHook hook = nullptr;
    return hook;
}

}  // namespace tess
