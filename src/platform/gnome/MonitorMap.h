#pragma once
// Screen points on GNOME: mutter's logical monitors (DisplayConfig), the
// point (0,0) at the top-left of the primary monitor, and the monitor and
// monitor-local point an absolute motion is sent to. Standard library only.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tess::gnome {

struct Monitor {
    std::string connector;  // "Meta-0", "DP-1"
    int32_t x = 0, y = 0;   // position in mutter's stage
    int32_t width = 0, height = 0;  // in stage units
    double scale = 1.0;
    bool primary = false;
};

struct MonitorPoint {
    size_t monitor = 0;  // index into the monitors given
    double x = 0, y = 0;  // in the monitor's stream pixels
    bool operator==(const MonitorPoint&) const = default;
};

class MonitorMap {
public:
    // `logical`: mutter's layout mode is logical (sizes are divided by the
    // scale, stream pixels are stage units times the scale). Empty
    // monitors are left out.
    void SetMonitors(std::vector<Monitor> monitors, bool logical);
    const std::vector<Monitor>& monitors() const { return monitors_; }
    // The monitor holding the screen point, or the nearest point of the
    // nearest monitor when it lies off every monitor; nothing without
    // monitors. (mutter alone would keep such a point on the monitor the
    // pointer happens to be on.)
    std::optional<MonitorPoint> Place(int32_t x, int32_t y) const;

private:
    std::vector<Monitor> monitors_;
    bool logical_ = false;
    int32_t originX_ = 0, originY_ = 0;  // stage position of screen point (0,0)
};

}  // namespace tess::gnome
