#pragma once

#include "core/LocaleFormat.h"
#include "offline/DiagramGeometry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orv {

// The visible records: start .. start + count - 1.
struct ViewRange {
    std::int64_t start = 0;
    std::int64_t count = 0;

    [[nodiscard]] std::int64_t last() const { return start + count - 1; }
    // Fewer than two visible records leave nothing to draw or click.
    [[nodiscard]] bool drawable() const { return count - 1 >= 1; }
};

// Record k of a log file was taken at start + k * interval seconds; times are local day numbers.
struct TimeGrid {
    double startTime = 0;
    float intervalSeconds = 0;

    [[nodiscard]] double timeOfRecord(double k) const {
        return startTime + static_cast<double>(intervalSeconds) * k / 86400.0;
    }
};

// Mapping between plot x (twips in the picture box) and records of a drawable view. The mouse
// side uses the picture box's exact area width; the drawing side the whole-twip PlotWidth.

// The record under x: the nearest one (halves to even), kept within the view.
[[nodiscard]] std::int64_t recordAtX(double x, const DiagramGeometry& geometry,
                                     const ViewRange& view);
// The time under x, running continuously between records.
[[nodiscard]] double timeAtX(double x, const DiagramGeometry& geometry, const ViewRange& view,
                             const TimeGrid& grid);
// The inverse of timeAtX.
[[nodiscard]] double xAtTime(double time, const DiagramGeometry& geometry, const ViewRange& view,
                             const TimeGrid& grid);
// Where record m (a marker, a curve point) is drawn.
[[nodiscard]] double xOfRecord(double m, const DiagramGeometry& geometry, const ViewRange& view);

// The pointer read-out: nullopt when x lies outside the plot area's width, where nothing is
// updated.
struct PointerReadout {
    std::int64_t record;
    double time;
};
[[nodiscard]] std::optional<PointerReadout> pointerAt(double x, const DiagramGeometry& geometry,
                                                      const ViewRange& view, const TimeGrid& grid);

// Status panels 3, 6 and 8 of a diagram: "Frames: n" (or "Frames (Zoom): n" after a zoom) and
// the times of the first and last visible record.
struct ViewStatus {
    std::string frames;
    std::string from;
    std::string to;
};
[[nodiscard]] ViewStatus viewStatus(const ViewRange& view, bool zoomed, const TimeGrid& grid,
                                    const LocaleFormat& locale);

} // namespace orv
