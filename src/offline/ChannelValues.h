#pragma once

#include "logging/LogFormat.h"

#include <concepts>
#include <cstdint>
#include <span>

namespace orv {

// The values of one channel of a log's records as they are stored: every kLogRecordSize bytes a
// little-endian float, at any byte alignment (a file's records start at byte 47). The bytes
// belong to the log (its file mapping or its buffer); the view only points at them.
class ChannelValues {
public:
    ChannelValues() = default;
    // `first` is the first byte of the channel's value in record 0.
    ChannelValues(const unsigned char* first, std::int64_t size) : first_(first), size_(size) {}

    [[nodiscard]] std::int64_t size() const { return size_; }
    [[nodiscard]] bool empty() const { return size_ == 0; }
    template <std::integral Index>
    [[nodiscard]] float operator[](Index k) const {
        return readFloatLE(first_ + static_cast<std::int64_t>(k) * kLogRecordSize);
    }
    // Where record k's value is (for prefetching).
    [[nodiscard]] const unsigned char* address(std::int64_t k) const {
        return first_ + k * kLogRecordSize;
    }
    // Values at..at+out.size()-1 into a plain array; the caller keeps within size().
    void copyTo(std::int64_t at, std::span<float> out) const {
        const unsigned char* p = address(at);
        for (float& v : out) {
            v = readFloatLE(p);
            p += kLogRecordSize;
        }
    }

private:
    const unsigned char* first_ = nullptr;
    std::int64_t size_ = 0;
};

} // namespace orv
