#include "offline/RecordSource.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orv {
namespace {

class RecordErrorCategory final : public std::error_category {
public:
    [[nodiscard]] const char* name() const noexcept override { return "records"; }
    [[nodiscard]] std::string message(int value) const override {
        switch (static_cast<RecordError>(value)) {
        case RecordError::BeyondEnd:
            return "the records asked for lie beyond the end of the log";
        case RecordError::FileShrank:
            return "the log file got shorter while it was read";
        }
        return "unknown record error";
    }
};

// Extremes skip NaN as the channel index does: a NaN fails both comparisons.
struct Scan {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();
    long double sum = 0;
    std::int64_t count = 0;

    void add(std::span<const float> values) {
        for (const float v : values) {
            min = v < min ? v : min;
            max = v > max ? v : max;
            if (v == v) {
                sum += v;
                ++count;
            }
        }
    }
    [[nodiscard]] RangeStats stats() const {
        RangeStats s;
        s.sum = static_cast<double>(sum);
        s.count = count;
        if (min <= max) {
            s.min = min;
            s.max = max;
        }
        return s;
    }
};

} // namespace

const std::error_category& recordErrorCategory() {
    static const RecordErrorCategory category;
    return category;
}

std::error_code make_error_code(RecordError e) {
    return {static_cast<int>(e), recordErrorCategory()};
}

SpanRecords::SpanRecords(std::span<const float> temperature, std::span<const float> channel2,
                         std::int64_t firstIndex)
    : temp_(temperature), ch2_(channel2), firstIndex_(firstIndex) {}

std::error_code SpanRecords::read(std::int64_t first, std::span<float> temperature,
                                  std::span<float> channel2) {
    if (temperature.size() != channel2.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    const std::int64_t at = first - firstIndex_;
    const auto n = static_cast<std::int64_t>(temperature.size());
    const auto size = static_cast<std::int64_t>(std::min(temp_.size(), ch2_.size()));
    if (at < 0 || n > size - at) {
        return RecordError::BeyondEnd;
    }
    if (n > 0) {
        std::memcpy(temperature.data(), temp_.data() + at, temperature.size_bytes());
        std::memcpy(channel2.data(), ch2_.data() + at, channel2.size_bytes());
    }
    return {};
}

std::error_code LogRecords::read(std::int64_t first, std::span<float> temperature,
                                 std::span<float> channel2) {
    if (temperature.size() != channel2.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    const auto n = static_cast<std::int64_t>(temperature.size());
    if (first < 0 || n > log_.size() - first) {
        return RecordError::BeyondEnd;
    }
    log_.channel(Channel::Temperature).copyTo(first, temperature);
    log_.channel(Channel::Channel2).copyTo(first, channel2);
    return {};
}

std::error_code forEachChunk(RecordSource& source, std::int64_t first, std::int64_t count,
                             const ChunkUser& use, std::int64_t chunk) {
    if (count <= 0) {
        return {};
    }
    chunk = std::clamp<std::int64_t>(chunk, 1, count);
    std::vector<float> temp(static_cast<std::size_t>(chunk));
    std::vector<float> ch2(static_cast<std::size_t>(chunk));
    for (std::int64_t done = 0; done < count;) {
        const auto n = static_cast<std::size_t>(std::min(chunk, count - done));
        const std::span<float> t(temp.data(), n);
        const std::span<float> c(ch2.data(), n);
        if (const std::error_code ec = source.read(first + done, t, c)) {
            return ec;
        }
        if (const std::error_code ec = use(first + done, t, c)) {
            return ec;
        }
        done += static_cast<std::int64_t>(n);
    }
    return {};
}

std::error_code scanStatistics(RecordSource& source, std::int64_t first, std::int64_t last,
                               ChannelStats& out, std::int64_t chunk) {
    Scan temp;
    Scan ch2;
    const std::error_code ec = forEachChunk(
        source, first, last - first + 1,
        [&](std::int64_t, std::span<const float> t, std::span<const float> c) {
            temp.add(t);
            ch2.add(c);
            return std::error_code{};
        },
        chunk);
    out = {temp.stats(), ch2.stats()};
    return ec;
}

} // namespace orv
