// The diagram draws each visible record in one pixel column (the reduction), and the pointer
// read-out and the markers turn a pointer position back into a record (the view mapping). A
// spike must show in the column where pointing at it finds it, however many records a column
// holds.
#include "offline/DiagramInteraction.h"

#include "LogTestData.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace orv {
namespace {

constexpr std::int64_t kColumns = 6;
constexpr double kTwipsPerColumn = 15; // one pixel at 96 dpi
constexpr std::int64_t kFirst = 77;    // the view starts off every index node boundary
const TimeGrid kGrid{38352.0, 5.0f};

// Where the spikes of one log go, relative to the first record at or right of each inner column
// edge (or to the view's ends).
enum class Place { AtEdge, OneLeft, TwoLeft, ThirtySecondPixelLeft, ThirtySecondPixelRight, Ends };

struct Case {
    double perColumn; // records per column
    Place place;
};

class Rig {
public:
    explicit Rig(double perColumn)
        : count_(static_cast<std::int64_t>(perColumn * kColumns) + 1),
          geometry_(1500 + kTwipsPerColumn * kColumns, 3000) {}

    [[nodiscard]] ViewRange view() const { return {kFirst, count_}; }
    [[nodiscard]] const DiagramGeometry& geometry() const { return geometry_; }

    // The first record of column c by the records' own positions, c in 1..kColumns-1.
    [[nodiscard]] std::int64_t edgeRecord(std::int64_t c) const {
        return kFirst + (c * (count_ - 1) + kColumns - 1) / kColumns;
    }
    // The column a record's position falls into (the last record belongs to the last column).
    [[nodiscard]] std::int64_t columnOf(std::int64_t k) const {
        return std::min(kColumns - 1, (k - kFirst) * kColumns / (count_ - 1));
    }
    // The twips span of column c.
    [[nodiscard]] std::pair<double, double> columnSpan(std::int64_t c) const {
        const double w = geometry_.plotWidth();
        return {DiagramGeometry::kLeft + w * static_cast<double>(c) / kColumns,
                DiagramGeometry::kLeft + w * static_cast<double>(c + 1) / kColumns};
    }

private:
    std::int64_t count_;
    DiagramGeometry geometry_;
};

// Spike records of one log, at most one per column, each with its own value.
std::map<std::int64_t, float> spikesFor(const Rig& rig, const Case& c) {
    const auto offset = std::max<std::int64_t>(1, static_cast<std::int64_t>(c.perColumn / 32));
    std::vector<std::int64_t> where;
    if (c.place == Place::Ends) {
        where = {kFirst, rig.view().last()};
    }
    for (std::int64_t col = 1; col < kColumns && c.place != Place::Ends; ++col) {
        const std::int64_t e = rig.edgeRecord(col);
        switch (c.place) {
        case Place::AtEdge:
            where.push_back(e);
            break;
        case Place::OneLeft:
            where.push_back(e - 1);
            break;
        case Place::TwoLeft:
            where.push_back(e - 2);
            break;
        case Place::ThirtySecondPixelLeft:
            where.push_back(e - offset);
            break;
        case Place::ThirtySecondPixelRight:
            where.push_back(e + offset);
            break;
        case Place::Ends:
            break;
        }
    }
    std::map<std::int64_t, float> spikes;
    std::set<std::int64_t> columns;
    for (const std::int64_t k : where) {
        if (k >= kFirst && k <= rig.view().last() && columns.insert(rig.columnOf(k)).second) {
            spikes[k] = 100.0f + static_cast<float>(spikes.size());
        }
    }
    return spikes;
}

TEST(ColumnAgreement, TheColumnShowingASpikeIsWhereThePointerAndTheMarkersFindIt) {
    const Case cases[] = {
        {0.5, Place::AtEdge},
        {0.5, Place::OneLeft},
        {0.5, Place::Ends},
        {1, Place::AtEdge},
        {1, Place::OneLeft},
        {1, Place::Ends},
        {3, Place::AtEdge},
        {3, Place::OneLeft},
        {3, Place::Ends},
        {255, Place::OneLeft},
        {255, Place::TwoLeft},
        {255, Place::ThirtySecondPixelLeft},
        {256, Place::AtEdge},
        {256, Place::OneLeft},
        {256, Place::TwoLeft},
        {256, Place::ThirtySecondPixelLeft},
        {4097, Place::AtEdge},
        {4097, Place::OneLeft},
        {4097, Place::TwoLeft},
        {4097, Place::ThirtySecondPixelLeft},
        {4097, Place::ThirtySecondPixelRight},
        {4097, Place::Ends},
        {1e6, Place::AtEdge},
        {1e6, Place::OneLeft},
        {1e6, Place::TwoLeft},
        {1e6, Place::ThirtySecondPixelLeft},
        {1e6, Place::ThirtySecondPixelRight},
        {1e6, Place::Ends},
    };
    for (const Case& c : cases) {
        const Rig rig(c.perColumn);
        const ViewRange view = rig.view();
        const auto spikes = spikesFor(rig, c);
        ASSERT_FALSE(spikes.empty());
        std::vector<float> values(static_cast<std::size_t>(view.last() + 50), 1.0f);
        for (const auto& [k, v] : spikes) {
            values[static_cast<std::size_t>(k)] = v;
        }
        LogHeader h;
        h.recordCount = static_cast<std::int32_t>(values.size());
        const LogData log(h, values, values);
        std::vector<ColumnSpan> columns(kColumns);
        log.reduce(Channel::Temperature, view.start, view.count, columns);

        for (const auto& [k, v] : spikes) {
            const std::string where = std::to_string(c.perColumn) + " records per column, spike " +
                                      std::to_string(k) + " (place " +
                                      std::to_string(static_cast<int>(c.place)) + ")";
            std::vector<std::int64_t> showing;
            for (std::int64_t col = 0; col < kColumns; ++col) {
                if (columns[static_cast<std::size_t>(col)].max == v) {
                    showing.push_back(col);
                }
            }
            ASSERT_EQ(showing.size(), 1u) << where;
            const std::int64_t col = showing[0];
            const ColumnSpan& span = columns[static_cast<std::size_t>(col)];

            // The spike's own position lies in the column that shows it, and pointing there
            // reads it out and sets a marker on it.
            const double x = xOfRecord(static_cast<double>(k), rig.geometry(), view);
            const auto [from, to] = rig.columnSpan(col);
            EXPECT_GE(x, from) << where;
            EXPECT_TRUE(x < to || (col == kColumns - 1 && x == to)) << where;
            const auto readout = pointerAt(x, rig.geometry(), view, kGrid);
            ASSERT_TRUE(readout.has_value()) << where;
            EXPECT_EQ(readout->record, k) << where;
            DiagramInteraction mouse(view);
            mouse.mouseDown(MouseButton::Left, x, 1000, rig.geometry(), kGrid);
            ASSERT_TRUE(mouse.markers().left().has_value()) << where;
            EXPECT_EQ(mouse.markers().left()->record, k) << where;
            mouse.mouseDown(MouseButton::Right, x, 1000, rig.geometry(), kGrid);
            ASSERT_TRUE(mouse.markers().right().has_value()) << where;
            EXPECT_EQ(mouse.markers().right()->record, k) << where;

            // Anywhere in the column the pointer finds one of the column's records, or (between
            // records, nearest wins) a neighbour of them.
            for (int i = 0; i <= 32; ++i) {
                const double at = from + (to - from) * (i == 32 ? 0.999 : i / 32.0);
                const std::int64_t r = pointerAt(at, rig.geometry(), view, kGrid)->record;
                EXPECT_GE(r, span.firstIndex - 1) << where << " at " << at;
                EXPECT_LE(r, span.lastIndex + 1) << where << " at " << at;
            }
        }
    }
}

} // namespace
} // namespace orv
