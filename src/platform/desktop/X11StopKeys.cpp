// The X11 grabs for the stop-key choice.
#include <cstdlib>

#include "platform/desktop/Backends.h"
#include "platform/desktop/LastSetCursor.h"
#include "platform/x11/X11Sink.h"
#include "platform/x11/X11StopKey.h"

namespace tess::desktop {

StopKeyOpening OpenX11StopKey(InputSink& sink, std::string& error) {
    StopKeyOpening opening;
    auto* x11Sink = dynamic_cast<x11::X11Sink*>(&sink);
    if (auto* wrapped = dynamic_cast<LastSetCursor*>(&sink))
        x11Sink = dynamic_cast<x11::X11Sink*>(&wrapped->inner());
    if (x11Sink) {
        // The sink's own presses step aside through its key-press guard.
        opening.key = x11::OpenX11StopKey(*x11Sink, error);
        return opening;
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        error = "no X server for the stop keys";
        return opening;
    }
    std::unique_ptr<x11::X11StopKey> key = x11::OpenXWaylandStopKey(error);
    opening.guard = key.get();
    opening.key = std::move(key);
    return opening;
}

}  // namespace tess::desktop
