#include "platform/desktop/Backends.h"

namespace tess::desktop {

std::unique_ptr<InputSink> OpenX11(std::string& error) {
    error = "this build has no X11 support";
    return nullptr;
}

}  // namespace tess::desktop

namespace tess::desktop {

StopKeyOpening OpenX11StopKey(InputSink&, std::string& error) {
    error = "this build has no X11 support";
    return {};
}

}  // namespace tess::desktop
