#pragma once

#include "logging/LogFormat.h"
#include "offline/ChannelIndex.h"
#include "offline/ChannelValues.h"
#include "offline/RecordBuffer.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace orv {

// The two value columns of a log file: record bytes 0..3 and 4..7.
enum class Channel { Temperature = 0, Channel2 = 1 };

// Statistics of one channel over a record range. NaN records (no data) are skipped: `count` is
// the number of records that hold a value, min/max/average are NaN when there is none.
struct RangeStats {
    float min = std::numeric_limits<float>::quiet_NaN();
    float max = std::numeric_limits<float>::quiet_NaN();
    double sum = 0.0;
    std::int64_t count = 0;

    [[nodiscard]] double average() const;
};

// One pixel column of a reduced curve. The records of the column are firstIndex..lastIndex
// (absolute record indices); `first` and `last` are the values of those two records (NaN when
// that record holds no value), `min`/`max` the extremes of the values in the column (NaN when
// every record of the column is NaN). A column with no record at all (zoomed in further than one
// record per column) is empty().
//
// Drawing: a vertical line min..max in the column, and a line from a column's `last` to the next
// non-empty column's `first` when both are values. A NaN at either end breaks the curve there.
struct ColumnSpan {
    std::int64_t firstIndex = 0;
    std::int64_t lastIndex = -1;
    float first = std::numeric_limits<float>::quiet_NaN();
    float min = std::numeric_limits<float>::quiet_NaN();
    float max = std::numeric_limits<float>::quiet_NaN();
    float last = std::numeric_limits<float>::quiet_NaN();

    [[nodiscard]] bool empty() const { return lastIndex < firstIndex; }
};

// First record (absolute index) of pixel column `column` when the visible records
// first..first+count-1 are reduced to `columns` columns; column == columns gives first + count.
//
// Record first + k lies at k / (count - 1) of the plot width (the diagram's x mapping) and column
// c covers [c / columns, (c + 1) / columns) of it, the last column including the right edge, so
// the last visible record is in the last column. The assignment is exact: a record is drawn in
// the column its own position falls into, which is the column where the pointer read-out and a
// marker click find it. The column edges need not fall on index node boundaries; the reduction
// takes the few raw records and partial nodes at each edge, so a redraw still costs the same
// whatever the length of the file.
[[nodiscard]] std::int64_t columnStart(std::int64_t first, std::int64_t count, std::int64_t columns,
                                       std::int64_t column);

// A loaded log file: its header, its records as stored (the file's own pages, mapped, or a copy
// in memory) and an index over each channel (min/max pyramid and block sums) that answers
// statistics and curve reductions in time independent of the file length.
class LogData {
public:
    // Move-only: a log can hold hundreds of megabytes.
    LogData() = default;
    // Builds the records and the index from the given values. `fileSize` and `truncated` describe
    // where they came from (0/false for data made in memory).
    LogData(LogHeader header, const std::vector<float>& temperature,
            const std::vector<float>& channel2, std::int64_t fileSize = 0, bool truncated = false);
    // Used by the loader, which builds the indexes while it reads: `count` records at
    // `records->records()`.
    LogData(LogHeader header, std::unique_ptr<const RecordStore> records, std::int64_t count,
            ChannelIndex temperatureIndex, ChannelIndex channel2Index, std::int64_t fileSize,
            bool truncated);

    [[nodiscard]] const LogHeader& header() const { return header_; }
    // Records loaded (complete records present in the file, at most the stored count).
    [[nodiscard]] std::int64_t size() const { return size_; }
    [[nodiscard]] bool empty() const { return size_ == 0; }
    // The stored count was larger than the complete records the file holds (cut short).
    [[nodiscard]] bool truncated() const { return truncated_; }
    [[nodiscard]] std::int64_t fileSize() const { return fileSize_; }
    // Another program cut the file short (or its storage failed) after it was loaded: the records
    // past its new end read as "no value", while the index still describes them as loaded. The
    // window says so. Looks at the file's size, so ask now and then, not per record.
    [[nodiscard]] bool changedOnDisk() const { return store_ && store_->lost(size_); }

    [[nodiscard]] ChannelValues channel(Channel c) const;
    [[nodiscard]] float value(Channel c, std::int64_t k) const { return channel(c)[k]; }
    [[nodiscard]] double recordTime(std::int64_t k) const { return header_.recordTime(k); }

    // Statistics over records first..last, both included. Indices are clamped to the loaded
    // records and swapped when first > last; an empty file gives count 0.
    [[nodiscard]] RangeStats stats(Channel c, std::int64_t first, std::int64_t last) const;

    // Reduces the visible records first..first+count-1 to out.size() pixel columns (see
    // columnStart for the mapping). The range is clamped to the loaded records. Cost depends on
    // the number of columns, not on the number of records.
    void reduce(Channel c, std::int64_t first, std::int64_t count, std::span<ColumnSpan> out) const;

    // Bytes held by the two indexes (pyramids and block sums).
    [[nodiscard]] std::size_t indexBytes() const;

    [[nodiscard]] const ChannelIndex& index(Channel c) const;

private:
    LogHeader header_;
    std::unique_ptr<const RecordStore> store_;
    const unsigned char* records_ = nullptr;
    std::int64_t size_ = 0;
    ChannelIndex tempIndex_;
    ChannelIndex ch2Index_;
    std::int64_t fileSize_ = 0;
    bool truncated_ = false;
};

} // namespace orv
