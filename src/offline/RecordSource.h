#pragma once

#include "offline/LogData.h"

#include <cstdint>
#include <functional>
#include <span>
#include <system_error>
#include <type_traits>

namespace orv {

// Why records could not be read.
enum class RecordError {
    BeyondEnd = 1, // the records asked for do not all lie within the records present
    FileShrank,    // the log file got shorter while it was read
};
[[nodiscard]] const std::error_category& recordErrorCategory();
[[nodiscard]] std::error_code make_error_code(RecordError e);

// Where the writers and the statistics scan get records from: the log file itself (LogFile, read
// in chunks as they are needed) or arrays already in memory (SpanRecords) or a loaded log
// (LogRecords).
class RecordSource {
public:
    virtual ~RecordSource() = default;
    // Fills the temperature and channel-2 values of records first .. first+n-1, n being the length
    // of both spans (which must be equal). Either every value is filled or an error comes back.
    [[nodiscard]] virtual std::error_code read(std::int64_t first, std::span<float> temperature,
                                               std::span<float> channel2) = 0;
};

// Records held in two arrays; record `firstIndex` is the arrays' element 0.
class SpanRecords final : public RecordSource {
public:
    SpanRecords(std::span<const float> temperature, std::span<const float> channel2,
                std::int64_t firstIndex = 0);
    [[nodiscard]] std::error_code read(std::int64_t first, std::span<float> temperature,
                                       std::span<float> channel2) override;

private:
    std::span<const float> temp_;
    std::span<const float> ch2_;
    std::int64_t firstIndex_;
};

// The records of a loaded log, read from where the log keeps them.
class LogRecords final : public RecordSource {
public:
    explicit LogRecords(const LogData& log) : log_(log) {}
    [[nodiscard]] std::error_code read(std::int64_t first, std::span<float> temperature,
                                       std::span<float> channel2) override;

private:
    const LogData& log_;
};

[[nodiscard]] inline LogRecords recordsOf(const LogData& log) {
    return LogRecords(log);
}

// Records per chunk of the chunked readers: both channels of a chunk (256 KiB) stay in the cache
// while they are formatted or scanned.
inline constexpr std::int64_t kRecordChunk = 32768;

// Hands records first .. first+count-1 to `use` in chunks of at most `chunk` records, in order:
// use(first record of the chunk, its temperatures, its channel-2 values). Stops at the first error
// of the source or of `use` and returns it.
using ChunkUser =
    std::function<std::error_code(std::int64_t, std::span<const float>, std::span<const float>)>;
[[nodiscard]] std::error_code forEachChunk(RecordSource& source, std::int64_t first,
                                           std::int64_t count, const ChunkUser& use,
                                           std::int64_t chunk = kRecordChunk);

// Statistics of both channels over records first..last (both included) read chunk by chunk:
// NaN records skipped, the sum kept in long double as the channel index keeps it, so the result
// agrees with LogData::stats over the same records.
struct ChannelStats {
    RangeStats temperature;
    RangeStats channel2;
};
[[nodiscard]] std::error_code scanStatistics(RecordSource& source, std::int64_t first,
                                             std::int64_t last, ChannelStats& out,
                                             std::int64_t chunk = kRecordChunk);

} // namespace orv

template <>
struct std::is_error_code_enum<orv::RecordError> : std::true_type {};
