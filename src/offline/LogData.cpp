#include "offline/LogData.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace orv {
namespace {

__extension__ using Wide = unsigned __int128;

// The values as the records of a file hold them.
std::unique_ptr<const RecordStore> encodeRecords(const std::vector<float>& temperature,
                                                 const std::vector<float>& channel2) {
    if (temperature.size() != channel2.size()) {
        throw std::invalid_argument("LogData: the channels differ in length");
    }
    RecordBuffer buffer(temperature.size() * kLogRecordSize);
    for (std::size_t k = 0; k < temperature.size(); ++k) {
        encodeLogRecord(buffer.data() + k * kLogRecordSize, temperature[k], channel2[k]);
    }
    return std::make_unique<BufferedRecords>(std::move(buffer));
}

} // namespace

double RangeStats::average() const {
    return count > 0 ? sum / static_cast<double>(count) : std::numeric_limits<double>::quiet_NaN();
}

std::int64_t columnStart(std::int64_t first, std::int64_t count, std::int64_t columns,
                         std::int64_t column) {
    if (count <= 0 || columns <= 0 || column >= columns) {
        return first + std::max<std::int64_t>(count, 0);
    }
    if (column <= 0) {
        return first;
    }
    if (count == 1) {
        return first + 1;
    }
    // ceil(column * (count - 1) / columns): the first record whose position is in the column
    const Wide num = static_cast<Wide>(column) * static_cast<Wide>(count - 1);
    const Wide den = static_cast<Wide>(columns);
    return first + static_cast<std::int64_t>((num + den - 1) / den);
}

LogData::LogData(LogHeader header, const std::vector<float>& temperature,
                 const std::vector<float>& channel2, std::int64_t fileSize, bool truncated)
    : header_(std::move(header)), store_(encodeRecords(temperature, channel2)),
      records_(store_->records()), size_(static_cast<std::int64_t>(temperature.size())),
      fileSize_(fileSize), truncated_(truncated) {
    ChannelIndex::build(records_, size_, tempIndex_, ch2Index_);
}

LogData::LogData(LogHeader header, std::unique_ptr<const RecordStore> records, std::int64_t count,
                 ChannelIndex temperatureIndex, ChannelIndex channel2Index, std::int64_t fileSize,
                 bool truncated)
    : header_(std::move(header)), store_(std::move(records)),
      records_(store_ ? store_->records() : nullptr), size_(store_ ? count : 0),
      tempIndex_(std::move(temperatureIndex)), ch2Index_(std::move(channel2Index)),
      fileSize_(fileSize), truncated_(truncated) {}

ChannelValues LogData::channel(Channel c) const {
    if (records_ == nullptr) {
        return {};
    }
    return {records_ + (c == Channel::Temperature ? 0 : sizeof(float)), size_};
}

const ChannelIndex& LogData::index(Channel c) const {
    return c == Channel::Temperature ? tempIndex_ : ch2Index_;
}

RangeStats LogData::stats(Channel c, std::int64_t first, std::int64_t last) const {
    RangeStats s;
    if (empty()) {
        return s;
    }
    if (first > last) {
        std::swap(first, last);
    }
    first = std::clamp<std::int64_t>(first, 0, size() - 1);
    last = std::clamp<std::int64_t>(last, 0, size() - 1);
    const RangeSummary r = index(c).summarize(channel(c), first, last + 1);
    s.count = r.count;
    s.sum = r.sum;
    if (r.hasValue()) {
        s.min = r.min;
        s.max = r.max;
    }
    return s;
}

void LogData::reduce(Channel c, std::int64_t first, std::int64_t count,
                     std::span<ColumnSpan> out) const {
    first = std::clamp<std::int64_t>(first, 0, size());
    count = std::clamp<std::int64_t>(count, 0, size() - first);
    const auto columns = static_cast<std::int64_t>(out.size());
    const ChannelValues values = channel(c);
    const ChannelIndex& idx = index(c);
    // The column edges a few columns ahead are fetched while this one is reduced: the records
    // and fine index levels at each edge are far apart in a long file and rarely in the cache.
    constexpr std::int64_t kAhead = 4;
    for (std::int64_t col = 1; col <= std::min(kAhead, columns); ++col) {
        idx.prefetch(values, columnStart(first, count, columns, col));
    }
    std::int64_t begin = first;
    for (std::int64_t col = 0; col < columns; ++col) {
        const std::int64_t end = columnStart(first, count, columns, col + 1);
        if (col + 1 + kAhead <= columns) {
            idx.prefetch(values, columnStart(first, count, columns, col + 1 + kAhead));
        }
        ColumnSpan& span = out[static_cast<std::size_t>(col)];
        span = ColumnSpan{};
        span.firstIndex = begin;
        span.lastIndex = end - 1;
        if (begin < end) {
            span.first = values[begin];
            span.last = values[end - 1];
            const RangeSummary r = idx.extremes(values, begin, end);
            if (r.hasValue()) {
                span.min = r.min;
                span.max = r.max;
            }
        }
        begin = end;
    }
}

std::size_t LogData::indexBytes() const {
    return tempIndex_.bytes() + ch2Index_.bytes();
}

} // namespace orv
