#include "platform/x11/PrimaryMonitor.h"

#include <X11/extensions/Xrandr.h>

#include <optional>

namespace tess::x11 {
namespace {

std::optional<ScreenPoint> FromMonitors(Display* display, Window root) {
    int count = 0;
    // The monitors as the server knows them: asking for the active ones
    // would make a real server probe its outputs again on every call.
    XRRMonitorInfo* monitors = XRRGetMonitors(display, root, False, &count);
    if (!monitors) return std::nullopt;
    std::optional<ScreenPoint> origin;
    for (int i = 0; i < count && !origin; ++i) {
        if (monitors[i].primary) origin = ScreenPoint{monitors[i].x, monitors[i].y};
    }
    XRRFreeMonitors(monitors);
    return origin;
}

std::optional<ScreenPoint> FromPrimaryOutput(Display* display, Window root) {
    const RROutput primary = XRRGetOutputPrimary(display, root);
    if (!primary) return std::nullopt;
    std::optional<ScreenPoint> origin;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    XRROutputInfo* output = resources ? XRRGetOutputInfo(display, resources, primary) : nullptr;
    if (output && output->crtc) {
        if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc)) {
            origin = ScreenPoint{crtc->x, crtc->y};
            XRRFreeCrtcInfo(crtc);
        }
    }
    if (output) XRRFreeOutputInfo(output);
    if (resources) XRRFreeScreenResources(resources);
    return origin;
}

}  // namespace

ScreenPoint PrimaryMonitorOrigin(Display* display, Window root, int randrVersion) {
    std::optional<ScreenPoint> origin;
    // RandR 1.5 marks the monitor of the primary output as primary itself,
    // so one request answers; older servers are asked for the output.
    if (randrVersion >= 105) {
        origin = FromMonitors(display, root);
    } else if (randrVersion >= 103) {
        origin = FromPrimaryOutput(display, root);
    }
    return origin.value_or(ScreenPoint{});
}

}  // namespace tess::x11
