#include "offline/Markers.h"

namespace orv {

std::optional<Marker> Markers::placeLeft(double x, const DiagramGeometry& geometry,
                                         const ViewRange& view, const TimeGrid& grid) {
    if (!view.drawable()) {
        return std::nullopt;
    }
    if (x < DiagramGeometry::kLeft) {
        x = DiagramGeometry::kLeft;
    }
    if (x - DiagramGeometry::kLeft > geometry.areaWidth()) {
        return std::nullopt;
    }
    const std::int64_t idx = recordAtX(x, geometry, view);
    if (right_ && right_->record < idx) {
        return std::nullopt;
    }
    left_ = Marker{idx, timeAtX(x, geometry, view, grid)};
    return left_;
}

std::optional<Marker> Markers::placeRight(double x, const DiagramGeometry& geometry,
                                          const ViewRange& view, const TimeGrid& grid) {
    if (!view.drawable()) {
        return std::nullopt;
    }
    if (x - DiagramGeometry::kLeft > geometry.areaWidth()) {
        x = geometry.right();
    }
    if (x < DiagramGeometry::kLeft) {
        return std::nullopt;
    }
    const std::int64_t idx = recordAtX(x, geometry, view);
    if (left_ && left_->record > idx) {
        return std::nullopt;
    }
    right_ = Marker{idx, timeAtX(x, geometry, view, grid)};
    return right_;
}

std::optional<RecordSpan> Markers::statisticsSpan() const {
    if (!left_ || !right_) {
        return std::nullopt;
    }
    return RecordSpan{left_->record, right_->record};
}

} // namespace orv
