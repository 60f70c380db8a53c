#pragma once

#include "offline/DiagramGeometry.h"
#include "offline/ValueScale.h"
#include "offline/ViewMapping.h"

#include <cstdint>
#include <optional>

namespace orv {

// A zoom rectangle in whole twips from the plot area's top-left corner, x1 <= x2 and y1 <= y2.
struct ZoomRect {
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;
    std::int32_t x2 = 0;
    std::int32_t y2 = 0;
};

// The rubber band of zoom mode: the first click fixes one corner, the second the other; both
// are clamped into the plot area, and the corners are ordered, so a rectangle dragged from
// right to left or bottom to top is the same rectangle.
class ZoomDrag {
public:
    void begin(double x, double y, const DiagramGeometry& geometry);
    [[nodiscard]] bool dragging() const { return dragging_; }
    // The outline to draw while the mouse is at (x, y), in picture-box twips.
    [[nodiscard]] RectTw rubberBand(double x, double y, const DiagramGeometry& geometry) const;
    // The second click: the normalised rectangle; dragging ends.
    [[nodiscard]] ZoomRect finish(double x, double y, const DiagramGeometry& geometry);
    void cancel() { dragging_ = false; }

private:
    bool dragging_ = false;
    std::int32_t x1_ = 0;
    std::int32_t y1_ = 0;
};

struct ZoomedView {
    ViewRange view;
    ValueScale scale;
};

// The view a rectangle selects: the records under its left and right edge and everything
// between (so the record under the right edge is shown too), and the values under its top and
// bottom edge on the current value scale. A rectangle narrower than one record spacing gives a
// single record, which the diagram shows as too few to draw. `view` must be drawable.
[[nodiscard]] ZoomedView zoomInto(const ZoomRect& rect, const ViewRange& view,
                                  const ValueScale& scale, std::int32_t plotWidth,
                                  std::int32_t plotHeight);

} // namespace orv
