#include "offline/Zoom.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

PointTw clampToArea(double x, double y, const DiagramGeometry& geometry) {
    // Right/bottom first, then left/top: a box narrower than its margins ends on the left edge.
    x = std::min(x, geometry.right());
    x = std::max(x, geometry.left());
    y = std::min(y, geometry.bottom());
    y = std::max(y, geometry.top());
    return {x, y};
}

std::int32_t toWhole(double v) {
    return static_cast<std::int32_t>(std::nearbyint(v));
}

} // namespace

void ZoomDrag::begin(double x, double y, const DiagramGeometry& geometry) {
    const PointTw p = clampToArea(x, y, geometry);
    x1_ = toWhole(p.x - DiagramGeometry::kLeft);
    y1_ = toWhole(p.y - DiagramGeometry::kTop);
    dragging_ = true;
}

RectTw ZoomDrag::rubberBand(double x, double y, const DiagramGeometry& geometry) const {
    const PointTw p = clampToArea(x, y, geometry);
    return {{x1_ + DiagramGeometry::kLeft, y1_ + DiagramGeometry::kTop}, p};
}

ZoomRect ZoomDrag::finish(double x, double y, const DiagramGeometry& geometry) {
    const PointTw p = clampToArea(x, y, geometry);
    const std::int32_t x2 = toWhole(p.x - DiagramGeometry::kLeft);
    const std::int32_t y2 = toWhole(p.y - DiagramGeometry::kTop);
    dragging_ = false;
    return {std::min(x1_, x2), std::min(y1_, y2), std::max(x1_, x2), std::max(y1_, y2)};
}

ZoomedView zoomInto(const ZoomRect& rect, const ViewRange& view, const ValueScale& scale,
                    std::int32_t plotWidth, std::int32_t plotHeight) {
    const double twipsPerRecord =
        static_cast<double>(plotWidth) / static_cast<double>(view.count - 1);
    auto recordAt = [&](std::int32_t x) {
        const auto idx = static_cast<std::int64_t>(std::nearbyint(x / twipsPerRecord)) + view.start;
        return std::clamp(idx, view.start, view.last());
    };
    const std::int64_t first = recordAt(rect.x1);
    const std::int64_t last = recordAt(rect.x2);

    const double twipsPerUnit = static_cast<double>(plotHeight) / scale.ySpan();
    ValueScale zoomed;
    zoomed.yTop = static_cast<float>(scale.yTop - rect.y1 / twipsPerUnit);
    zoomed.yBottom = static_cast<float>(zoomed.yTop - (rect.y2 - rect.y1) / twipsPerUnit);
    return {{first, last - first + 1}, zoomed};
}

} // namespace orv
