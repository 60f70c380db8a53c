#include "offline/ViewMapping.h"

#include <algorithm>
#include <cmath>

namespace orv {
namespace {

// Records per twip of the mouse-side area width.
double recordsPerTwip(const DiagramGeometry& geometry, const ViewRange& view) {
    return static_cast<double>(view.count - 1) / geometry.areaWidth();
}

} // namespace

std::int64_t recordAtX(double x, const DiagramGeometry& geometry, const ViewRange& view) {
    const double exact = recordsPerTwip(geometry, view) * (x - DiagramGeometry::kLeft) +
                         static_cast<double>(view.start);
    const auto idx = static_cast<std::int64_t>(std::nearbyint(exact));
    // A click on the very edge must not reach past the view through rounding.
    return std::clamp(idx, view.start, std::max(view.start, view.last()));
}

double timeAtX(double x, const DiagramGeometry& geometry, const ViewRange& view,
               const TimeGrid& grid) {
    const double k = static_cast<double>(view.start) +
                     recordsPerTwip(geometry, view) * (x - DiagramGeometry::kLeft);
    return grid.timeOfRecord(k);
}

double xAtTime(double time, const DiagramGeometry& geometry, const ViewRange& view,
               const TimeGrid& grid) {
    if (grid.intervalSeconds == 0) {
        return DiagramGeometry::kLeft; // every record at the same time: no time axis
    }
    const double k = (time - grid.startTime) * 86400.0 / grid.intervalSeconds;
    return (k - static_cast<double>(view.start)) / recordsPerTwip(geometry, view) +
           DiagramGeometry::kLeft;
}

double xOfRecord(double m, const DiagramGeometry& geometry, const ViewRange& view) {
    return static_cast<double>(geometry.plotWidth()) / static_cast<double>(view.count - 1) *
               (m - static_cast<double>(view.start)) +
           DiagramGeometry::kLeft;
}

std::optional<PointerReadout> pointerAt(double x, const DiagramGeometry& geometry,
                                        const ViewRange& view, const TimeGrid& grid) {
    const double r = x - DiagramGeometry::kLeft;
    if (!view.drawable() || r < 0 || r > geometry.areaWidth()) {
        return std::nullopt;
    }
    return PointerReadout{recordAtX(x, geometry, view), timeAtX(x, geometry, view, grid)};
}

ViewStatus viewStatus(const ViewRange& view, bool zoomed, const TimeGrid& grid,
                      const LocaleFormat& locale) {
    ViewStatus status;
    status.frames = (zoomed ? "Frames (Zoom): " : "Frames: ") + std::to_string(view.count);
    const double first = grid.timeOfRecord(static_cast<double>(view.start));
    status.from = locale.generalDate(first);
    status.to = locale.generalDate(first + static_cast<double>(grid.intervalSeconds) *
                                               static_cast<double>(view.count - 1) / 86400.0);
    return status;
}

} // namespace orv
