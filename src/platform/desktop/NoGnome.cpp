#include "platform/desktop/Backends.h"

namespace tess::desktop {

bool GnomeOnSessionBus() { return false; }

WaylandOpening OpenGnome() {
    WaylandOpening opening;
    opening.error = "this build has no GNOME support";
    return opening;
}

}  // namespace tess::desktop
