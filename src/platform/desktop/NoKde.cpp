#include "platform/desktop/Backends.h"

namespace tess::desktop {

StopKeyOpening OpenKdeStopKey(std::string& error) {
    error = "this build has no KDE global shortcuts";
    return {};
}

}  // namespace tess::desktop
