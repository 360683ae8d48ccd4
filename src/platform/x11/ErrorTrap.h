#pragma once
// Protocol errors on the sink's own connection are ignored: an action the
// server refuses is lost, never fatal. Errors on other connections go to
// whichever handler was there before.
#include <X11/Xlib.h>

namespace tess::x11 {

void WatchForErrors(Display* display);
void StopWatchingErrors(Display* display);
// How many errors have arrived on the display so far.
unsigned long ErrorCount(Display* display);

}  // namespace tess::x11
