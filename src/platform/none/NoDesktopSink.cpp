// Builds without a desktop input implementation: the player and the window
// report that input cannot reach the desktop.
#include "platform/DesktopSink.h"

namespace tess {

std::unique_ptr<InputSink> CreateDesktopSink(std::string& error) {
    error = "this build has no desktop input support";
    return nullptr;
}

}  // namespace tess
