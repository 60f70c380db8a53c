#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace orv {

// Frees a FloatArray's memory the way it was allocated.
struct FloatArrayRelease {
    std::size_t mappedBytes = 0; // 0: allocated with new[]
    void operator()(float* p) const;
};

// A float array that is not zero-filled on allocation: the loader overwrites every element
// anyway, and zero-filling half a gigabyte first would cost as much as reading it. Large arrays
// are asked for in huge pages where the system offers them, which saves most of the page faults
// of filling them. Move-only, so a large log is never copied by accident.
class FloatArray {
public:
    FloatArray() = default;
    // Throws std::bad_alloc when the memory is not there.
    explicit FloatArray(std::int64_t size);

    [[nodiscard]] float* data() { return data_.get(); }
    [[nodiscard]] const float* data() const { return data_.get(); }
    [[nodiscard]] std::int64_t size() const { return size_; }
    [[nodiscard]] std::span<const float> span() const {
        return {data_.get(), static_cast<std::size_t>(size_)};
    }
    // Keeps the first `size` elements (a file that ended earlier than its size said).
    void shrink(std::int64_t size) {
        if (size < size_) {
            size_ = size;
        }
    }

private:
    using Release = FloatArrayRelease;

    std::unique_ptr<float[], Release> data_;
    std::int64_t size_ = 0;
};

} // namespace orv
