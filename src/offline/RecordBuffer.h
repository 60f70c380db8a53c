#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orv {

// Frees a RecordBuffer's memory the way it was allocated.
struct RecordBufferRelease {
    std::size_t mappedBytes = 0; // 0: allocated with new[]
    void operator()(unsigned char* p) const;
};

// Memory for record bytes that is not zero-filled on allocation: the loader overwrites every
// byte anyway. Large buffers are asked for in huge pages where the system offers them, and
// their pages are populated in one pass of the kernel, which saves most of the page faults of
// filling them. Move-only, so a large log is never copied by accident.
class RecordBuffer {
public:
    RecordBuffer() = default;
    // Throws std::bad_alloc when the memory is not there.
    explicit RecordBuffer(std::size_t bytes);

    [[nodiscard]] unsigned char* data() { return data_.get(); }
    [[nodiscard]] const unsigned char* data() const { return data_.get(); }
    [[nodiscard]] std::size_t size() const { return size_; }

private:
    std::unique_ptr<unsigned char[], RecordBufferRelease> data_;
    std::size_t size_ = 0;
};

// Where a loaded log's record bytes live: a mapping of its file, or memory of their own.
class RecordStore {
public:
    virtual ~RecordStore() = default;
    // The first byte of record 0; records follow each other every kLogRecordSize bytes.
    [[nodiscard]] virtual const unsigned char* records() const = 0;
    // Whether some of the first `records` records are lost since they were loaded: another
    // program cut the file short, or its storage failed. The lost records read as "no value".
    // Never for records held in memory.
    [[nodiscard]] virtual bool lost(std::int64_t records) const {
        (void)records;
        return false;
    }
};

// Record bytes held in memory.
class BufferedRecords final : public RecordStore {
public:
    explicit BufferedRecords(RecordBuffer buffer) : buffer_(std::move(buffer)) {}
    [[nodiscard]] const unsigned char* records() const override { return buffer_.data(); }

private:
    RecordBuffer buffer_;
};

} // namespace orv
