#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace orv {

// Extremes, sum and value count of a run of records; NaN records are not counted. With no value
// min is +inf and max is -inf.
struct RangeSummary {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();
    double sum = 0.0;
    std::int64_t count = 0;

    [[nodiscard]] bool hasValue() const { return min <= max; }
};

// Extremes of one pyramid node.
struct MinMaxNode {
    float min;
    float max;
};

// Index over one channel of a log: a min/max pyramid with fan-out 16 (level 0 summarises blocks
// of 16 records, each further level 16 nodes of the one below) and sums with value counts for
// blocks of 256 records and upwards. A query splits its range into at most 15 nodes per side and
// level plus short runs of raw records at the ends, so it costs O(log n) whatever the range.
//
// About 15 % of the channel's own size: 8 bytes per 16 records for the pyramid, 16 per 256 for
// the sums.
class ChannelIndex {
public:
    static constexpr std::int64_t kFanout = 16;
    static constexpr std::int64_t kSumBlock = kFanout * kFanout;

    ChannelIndex() = default;

    // Built in one go over all values.
    [[nodiscard]] static ChannelIndex build(std::span<const float> values);

    // Built while the values arrive: `append` the records in order (every chunk except the last
    // must hold a multiple of kSumBlock records), then `finish`.
    void reserve(std::int64_t records);
    void append(std::span<const float> chunk);
    void finish();

    [[nodiscard]] std::int64_t size() const { return size_; }

    // Summary of values[begin..end). `values` must be the array the index was built over.
    [[nodiscard]] RangeSummary summarize(std::span<const float> values, std::int64_t begin,
                                         std::int64_t end) const;
    // Only the extremes (no sums), for curve reduction.
    [[nodiscard]] RangeSummary extremes(std::span<const float> values, std::int64_t begin,
                                        std::int64_t end) const;

    [[nodiscard]] std::size_t bytes() const;

private:
    using MinMax = MinMaxNode;
    struct SumCount {
        double sum;
        std::int64_t count;
    };

    void buildUpperLevels();

    std::int64_t size_ = 0;
    std::vector<std::vector<MinMax>> minMax_; // [l]: nodes of 16^(l+1) records
    std::vector<std::vector<SumCount>> sums_; // [l]: nodes of 256 * 16^l records
};

} // namespace orv
