#pragma once

#include "logging/LogFormat.h"
#include "offline/LogLoader.h"
#include "offline/RecordSource.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <variant>

namespace orv {

// A log header judged against the size of its file: the fields, the complete records present
// (at most the stored count) and whether the file is cut short.
struct CheckedHeader {
    LogHeader header;
    std::int64_t records = 0;
    bool truncated = false;
};

// Judges the first bytes of a log file (`head` holds what could be read of the 47 header bytes):
// the magic, the stored count, the interval and the start and end times. The one place that
// decides whether a header is usable; the loader and LogFile both ask it.
[[nodiscard]] std::variant<CheckedHeader, LoadError>
checkLogHeader(std::span<const unsigned char> head, std::int64_t fileSize);

// Splits `records` raw 8-byte records into the temperature and channel-2 arrays.
void splitRecords(const unsigned char* raw, std::int64_t records, float* temperature,
                  float* channel2);

// An open log file of which only the header has been read. Records are read on demand with
// pread in chunks, so a command over a few records or a streamed export never holds the whole
// file: memory stays a few hundred KiB whatever the file size.
class LogFile final : public RecordSource {
public:
    // Opens `path` and checks its header; errors are those of loadLogFile (NotFound, NotALogFile,
    // DataError with the same details).
    [[nodiscard]] static std::variant<LogFile, LoadError> open(const std::filesystem::path& path);

    LogFile(LogFile&& other) noexcept;
    LogFile& operator=(LogFile&& other) noexcept;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile() override;

    [[nodiscard]] const LogHeader& header() const { return header_; }
    // Complete records present, at most the stored count.
    [[nodiscard]] std::int64_t size() const { return size_; }
    [[nodiscard]] bool truncated() const { return truncated_; }
    [[nodiscard]] std::int64_t fileSize() const { return fileSize_; }
    [[nodiscard]] int fd() const { return fd_; }

    // Records first .. first+n-1 of the records present (RecordError::BeyondEnd otherwise). A file
    // that has become shorter since it was opened gives RecordError::FileShrank; nothing is ever
    // read past the records the header was judged with.
    [[nodiscard]] std::error_code read(std::int64_t first, std::span<float> temperature,
                                       std::span<float> channel2) override;

private:
    LogFile(int fd, std::int64_t fileSize, CheckedHeader header);

    int fd_ = -1;
    std::int64_t fileSize_ = 0;
    LogHeader header_;
    std::int64_t size_ = 0;
    bool truncated_ = false;
    std::unique_ptr<unsigned char[]> raw_; // one chunk of raw records, made on the first read
};

} // namespace orv
