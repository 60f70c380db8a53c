#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace orv {

// A float array that is not zero-filled on allocation: the loader overwrites every element
// anyway, and zero-filling half a gigabyte first would cost as much as reading it. Move-only, so a
// large log is never copied by accident.
class FloatArray {
public:
    FloatArray() = default;
    explicit FloatArray(std::int64_t size)
        : data_(new float[static_cast<std::size_t>(size)]), size_(size) {}

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
    std::unique_ptr<float[]> data_;
    std::int64_t size_ = 0;
};

} // namespace orv
