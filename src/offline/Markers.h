#pragma once

#include "offline/DiagramGeometry.h"
#include "offline/ViewMapping.h"

#include <cstdint>
#include <optional>

namespace orv {

enum class MarkerSide { Left, Right };

// A marker sits on a record; its time is the time under the click, which runs continuously
// between records.
struct Marker {
    std::int64_t record = 0;
    double time = 0;
};

// Records first..last, both included.
struct RecordSpan {
    std::int64_t first = 0;
    std::int64_t last = 0;

    [[nodiscard]] std::int64_t size() const { return last - first + 1; }
};

// The two markers of a diagram. An unset marker is empty, so a marker on record 0 is as real as
// any other. The left marker never lies right of the right one (equal is allowed).
class Markers {
public:
    // Left click: a click left of the plot area takes the first visible record, one right of it
    // is ignored, as is one that would pass the right marker. nullopt when ignored.
    std::optional<Marker> placeLeft(double x, const DiagramGeometry& geometry,
                                    const ViewRange& view, const TimeGrid& grid);
    // Right click: the mirror image; a click right of the plot area takes the last visible one.
    std::optional<Marker> placeRight(double x, const DiagramGeometry& geometry,
                                     const ViewRange& view, const TimeGrid& grid);

    void clear() {
        left_.reset();
        right_.reset();
    }

    [[nodiscard]] const std::optional<Marker>& left() const { return left_; }
    [[nodiscard]] const std::optional<Marker>& right() const { return right_; }
    [[nodiscard]] const std::optional<Marker>& get(MarkerSide side) const {
        return side == MarkerSide::Left ? left_ : right_;
    }

    // The statistics cover both marker records and everything between them, whichever marker
    // was placed last; nullopt until both are set.
    [[nodiscard]] std::optional<RecordSpan> statisticsSpan() const;

private:
    std::optional<Marker> left_;
    std::optional<Marker> right_;
};

} // namespace orv
