#include "platform/desktop/Backends.h"

namespace tess::desktop {

WaylandOpening OpenWayland() {
    WaylandOpening opening;
    opening.error = "this build has no Wayland support";
    return opening;
}

}  // namespace tess::desktop
