#pragma once

#include "offline/ChannelValues.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
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

// A fixed-size array of index nodes, left unset on allocation: every node is written by the
// builder, so value-initialising tens of megabytes first would only cost time.
template <typename T>
class NodeArray {
public:
    NodeArray() = default;
    explicit NodeArray(std::size_t size);

    [[nodiscard]] T* data() { return data_.get(); }
    [[nodiscard]] const T* data() const { return data_.get(); }
    [[nodiscard]] std::size_t size() const { return size_; }
    [[nodiscard]] T& operator[](std::size_t i) { return data_[i]; }
    [[nodiscard]] const T& operator[](std::size_t i) const { return data_[i]; }
    // Keeps the first `size` nodes; the memory stays.
    void shrink(std::size_t size) { size_ = std::min(size, size_); }

private:
    std::unique_ptr<T[]> data_;
    std::size_t size_ = 0;
};

// Index over one channel of a log: a min/max pyramid with fan-out 16 (level 0 summarises blocks
// of 16 records, each further level 16 nodes of the one below) and sums with value counts for
// blocks of 256 records and upwards. A query splits its range into at most 15 nodes per side and
// level plus short runs of raw records at the ends, so it costs O(log n) whatever the range.
//
// About 15 % of the channel's own size: 8 bytes per 16 records for the pyramid, 16 per 256 for
// the sums.
//
// Built from a log's records (8 bytes each, the temperature then channel 2), both channels' indexes
// at once: in one go (`build`) or by several threads at once: `prepare` sizes the indexes, then
// `summarizeRecords` fills disjoint record ranges from any thread, then `finish` adds the upper
// levels. Both ways give the same index bit for bit: every block is summarised by the same code
// in the same order.
class ChannelIndex {
public:
    static constexpr std::int64_t kFanout = 16;
    static constexpr std::int64_t kSumBlock = kFanout * kFanout;

    ChannelIndex() = default;

    // Both indexes over the `records` records at `records`, in one go.
    static void build(const unsigned char* records, std::int64_t count, ChannelIndex& temperature,
                      ChannelIndex& channel2);

    // Room for `records` records. Throws std::bad_alloc when the memory is not there.
    void prepare(std::int64_t records);
    // Summarises records begin..end-1 of both channels into the two prepared indexes; `records`
    // points at record 0, `begin` is a multiple of kSumBlock and `end` one as well or the
    // prepared record count. Calls for disjoint ranges may run at the same time.
    static void summarizeRecords(const unsigned char* records, std::int64_t begin, std::int64_t end,
                                 ChannelIndex& temperature, ChannelIndex& channel2);
    // Completes the index over `values`, every record of which has been summarised. There may be
    // fewer than prepared (the file ended early); a block they end inside is summarised again.
    void finish(ChannelValues values);

    [[nodiscard]] std::int64_t size() const { return size_; }

    // Summary of values[begin..end). `values` must be the array the index was built over.
    [[nodiscard]] RangeSummary summarize(ChannelValues values, std::int64_t begin,
                                         std::int64_t end) const;
    // Only the extremes (no sums), for curve reduction.
    [[nodiscard]] RangeSummary extremes(ChannelValues values, std::int64_t begin,
                                        std::int64_t end) const;

    // Asks the cache for what a range starting or ending at record `at` will read: the record and
    // the two finest pyramid levels around it. A caller that knows its next ranges hides the
    // memory latency behind its current one.
    void prefetch(ChannelValues values, std::int64_t at) const;

    [[nodiscard]] std::size_t bytes() const;

    // The same nodes bit for bit (signed zeros and the last bit of every sum included).
    [[nodiscard]] bool sameAs(const ChannelIndex& other) const;

    using MinMax = MinMaxNode;
    struct SumCount {
        double sum;
        std::int64_t count;
    };

private:
    void buildUpperLevels();
    void addExtremes(ChannelValues raw, std::size_t level, std::int64_t from, std::int64_t to,
                     RangeSummary& r) const;

    std::int64_t size_ = 0;
    std::vector<NodeArray<MinMax>> minMax_; // [l]: nodes of 16^(l+1) records
    std::vector<NodeArray<SumCount>> sums_; // [l]: nodes of 256 * 16^l records
};

template <typename T>
NodeArray<T>::NodeArray(std::size_t size)
    : data_(std::make_unique_for_overwrite<T[]>(size)), size_(size) {}

} // namespace orv
