// KDE's global shortcuts for the stop-key choice.
#include "platform/desktop/Backends.h"
#include "platform/kde/KdeStopKey.h"

namespace tess::desktop {

StopKeyOpening OpenKdeStopKey(std::string& error) {
    StopKeyOpening opening;
    std::unique_ptr<kde::KdeStopKey> key = kde::KdeStopKey::Open(error);
    opening.guard = key.get();
    opening.key = std::move(key);
    return opening;
}

}  // namespace tess::desktop
