#include "platform/gnome/MonitorMap.h"

#include <algorithm>
#include <limits>

namespace tess::gnome {

void MonitorMap::SetMonitors(std::vector<Monitor> monitors, bool logical) {
    monitors.erase(std::remove_if(monitors.begin(), monitors.end(),
                                  [](const Monitor& m) { return m.width <= 0 || m.height <= 0; }),
                   monitors.end());
    monitors_ = std::move(monitors);
    logical_ = logical;
    originX_ = originY_ = 0;
    auto primary = std::find_if(monitors_.begin(), monitors_.end(), [](const Monitor& m) { return m.primary; });
    if (primary == monitors_.end() && !monitors_.empty()) primary = monitors_.begin();
    if (primary != monitors_.end()) {
        originX_ = primary->x;
        originY_ = primary->y;
    }
}

std::optional<MonitorPoint> MonitorMap::Place(int32_t x, int32_t y) const {
    const int64_t sx = int64_t{x} + originX_, sy = int64_t{y} + originY_;
    std::optional<MonitorPoint> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < monitors_.size(); ++i) {
        const Monitor& m = monitors_[i];
        const int64_t cx = std::clamp<int64_t>(sx, m.x, int64_t{m.x} + m.width - 1);
        const int64_t cy = std::clamp<int64_t>(sy, m.y, int64_t{m.y} + m.height - 1);
        const int64_t dx = sx - cx, dy = sy - cy;
        // In double: the squares of two distances near 2^32 overflow int64.
        const double distance = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
        if (distance >= bestDistance) continue;
        bestDistance = distance;
        const double factor = logical_ ? m.scale : 1.0;
        best = MonitorPoint{i, static_cast<double>(cx - m.x) * factor, static_cast<double>(cy - m.y) * factor};
    }
    return best;
}

}  // namespace tess::gnome
