#pragma once
// Protocol errors on the sink's own connection are ignored: an action the
// server refuses is lost, never fatal. Errors on other connections go to
// whichever handler was there before.
//
// Losing the server itself (killed, crashed, the connection cut) cannot be
// recovered from: the program ends with one line naming the display and
// status kServerLostStatus, the status X clients conventionally give. Nothing
// is released on the way out; the server that held it is gone.
#include <X11/Xlib.h>

namespace tess::x11 {

void WatchForErrors(Display* display);
void StopWatchingErrors(Display* display);
// How many errors have arrived on the display so far.
unsigned long ErrorCount(Display* display);

inline constexpr int kServerLostStatus = 1;
// Puts the server-loss handler in force for every Xlib connection of the
// process. A toolkit that opens its own connection later installs its own
// handler; the sink calls this again before its operations, so that a lost
// server ends the program the same way whichever connection notices first.
void HandleServerLoss();

}  // namespace tess::x11
