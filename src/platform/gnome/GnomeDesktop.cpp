// GNOME's compositor as a desktop for playback.
#include "platform/desktop/Backends.h"
#include "platform/gnome/GnomeSink.h"

namespace tess::desktop {

bool GnomeOnSessionBus() { return gnome::RemoteDesktop::Available(); }

WaylandOpening OpenGnome() {
    WaylandOpening opening;
    opening.reachedCompositor = true;
    opening.sink = gnome::GnomeSink::Open(opening.error);
    return opening;
}

}  // namespace tess::desktop
