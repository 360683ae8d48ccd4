#pragma once
// Screen points on a Wayland desktop: the outputs' logical rectangles, the
// point (0,0) at the top-left of the output at logical (0,0), and the
// absolute motion that puts the pointer on a point.
#include <cstdint>
#include <optional>
#include <vector>

namespace tess::wayland {

struct OutputRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// The arguments of an absolute motion over the union of the outputs.
struct AbsoluteMotion {
    uint32_t x = 0, y = 0, xExtent = 0, yExtent = 0;
    bool operator==(const AbsoluteMotion&) const = default;
};

class OutputLayout {
public:
    // Empty rectangles are left out.
    void SetOutputs(const std::vector<OutputRect>& outputs);
    bool Empty() const { return outputs_.empty(); }
    // The screen point (x, y), or the nearest point of an output when it
    // lies in a gap or off every output; nothing without outputs.
    std::optional<AbsoluteMotion> Place(int32_t x, int32_t y) const;
    // The same point in the compositor's logical coordinates.
    struct LayoutPoint {
        int32_t x = 0, y = 0;
        bool operator==(const LayoutPoint&) const = default;
    };
    std::optional<LayoutPoint> PlaceInLayout(int32_t x, int32_t y) const;

private:
    std::vector<OutputRect> outputs_;
    int32_t originX_ = 0, originY_ = 0;  // logical position of screen point (0,0)
    OutputRect box_;                     // the union of the outputs
};

}  // namespace tess::wayland
