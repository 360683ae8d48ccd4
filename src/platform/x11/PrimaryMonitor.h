#pragma once
// Where the primary monitor starts on the X screen, as RandR reports it.
#include <X11/Xlib.h>

#include "platform/InputSink.h"

namespace tess::x11 {

// The top-left corner of the primary monitor: RandR 1.5 monitors (which
// include those made with `xrandr --setmonitor`), else the primary
// output's CRTC (RandR 1.3), else (0,0). `randrVersion` is major * 100 +
// minor, 0 when the server has no RandR.
ScreenPoint PrimaryMonitorOrigin(Display* display, Window root, int randrVersion);

}  // namespace tess::x11
