#include "platform/wayland/OutputLayout.h"

#include <algorithm>

namespace tess::wayland {

void OutputLayout::SetOutputs(const std::vector<OutputRect>& outputs) {
    outputs_.clear();
    for (const auto& o : outputs) {
        if (o.width > 0 && o.height > 0) outputs_.push_back(o);
    }
    originX_ = originY_ = 0;
    box_ = OutputRect{};
    if (outputs_.empty()) return;
    auto atZero = std::find_if(outputs_.begin(), outputs_.end(),
                               [](const OutputRect& o) { return o.x == 0 && o.y == 0; });
    const OutputRect& primary = atZero != outputs_.end() ? *atZero : outputs_.front();
    originX_ = primary.x;
    originY_ = primary.y;
    int64_t left = primary.x, top = primary.y;
    int64_t right = int64_t{primary.x} + primary.width, bottom = int64_t{primary.y} + primary.height;
    for (const auto& o : outputs_) {
        left = std::min<int64_t>(left, o.x);
        top = std::min<int64_t>(top, o.y);
        right = std::max(right, int64_t{o.x} + o.width);
        bottom = std::max(bottom, int64_t{o.y} + o.height);
    }
    box_ = OutputRect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                      static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}

std::optional<AbsoluteMotion> OutputLayout::Place(int32_t x, int32_t y) const {
    if (outputs_.empty()) return std::nullopt;
    const int64_t gx = int64_t{x} + originX_, gy = int64_t{y} + originY_;
    // The nearest point of each output; the closest of them wins (the
    // first listed on a tie).
    int64_t bestX = 0, bestY = 0;
    double bestDistance = -1;
    for (const auto& o : outputs_) {
        const int64_t px = std::clamp<int64_t>(gx, o.x, int64_t{o.x} + o.width - 1);
        const int64_t py = std::clamp<int64_t>(gy, o.y, int64_t{o.y} + o.height - 1);
        const double dx = static_cast<double>(px - gx), dy = static_cast<double>(py - gy);
        const double distance = dx * dx + dy * dy;
        if (bestDistance < 0 || distance < bestDistance) {
            bestX = px;
            bestY = py;
            bestDistance = distance;
        }
    }
    return AbsoluteMotion{static_cast<uint32_t>(bestX - box_.x), static_cast<uint32_t>(bestY - box_.y),
                          static_cast<uint32_t>(box_.width), static_cast<uint32_t>(box_.height)};
}

std::optional<OutputLayout::LayoutPoint> OutputLayout::PlaceInLayout(int32_t x, int32_t y) const {
    const auto motion = Place(x, y);
    if (!motion) return std::nullopt;
    return LayoutPoint{static_cast<int32_t>(int64_t{box_.x} + motion->x),
                       static_cast<int32_t>(int64_t{box_.y} + motion->y)};
}

}  // namespace tess::wayland
