#pragma once

#include "logging/LogFormat.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace orv {

struct LogRecord {
    float temperature;
    float channel2;
};

// The system calls through which the writer reaches the disk: the real ones unless a test passes
// wrappers that watch in which order the bytes and the syncs arrive.
struct LogFileSystemCalls {
    std::function<ssize_t(int fd, const void* data, std::size_t size, off_t offset)> pwrite =
        ::pwrite;
    std::function<int(int fd)> fdatasync = ::fdatasync; // the log file's bytes
    std::function<int(int fd)> fsync = ::fsync;         // the folder that holds a new log file
};

// Writes one log file while a recording runs (`CreateLogFile`, `AppendLogRecord`).
//
// Every append writes its records, syncs them to disk, then writes the new count at offset 0 and
// syncs again: after a crash or power cut the count never covers a record that is not on disk,
// and at most the records in flight are lost.
class LogFileWriter {
public:
    LogFileWriter() = default;
    explicit LogFileWriter(LogFileSystemCalls calls) : calls_(std::move(calls)) {}
    ~LogFileWriter();
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    // Creates the file, replacing any file of that name completely (a new recording never
    // appends to an old one), and writes the header with count 0. false on failure, with
    // lastError() telling why; the writer is then closed.
    [[nodiscard]] bool create(const std::filesystem::path& path, const LogHeader& header);

    // Appends the records behind the ones on disk and advances the count. On failure nothing is
    // counted, so the same records can simply be appended again later (they land on the same
    // bytes).
    [[nodiscard]] bool append(std::span<const LogRecord> records);
    [[nodiscard]] bool append(float temperature, float channel2) {
        const LogRecord r{temperature, channel2};
        return append(std::span<const LogRecord>(&r, 1));
    }

    void close();
    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    // Records on disk and counted in the header.
    [[nodiscard]] std::int64_t recordCount() const { return count_; }
    [[nodiscard]] const std::string& lastError() const { return error_; }

private:
    [[nodiscard]] bool writeAt(const unsigned char* data, std::size_t size, std::int64_t offset);
    [[nodiscard]] bool sync();
    bool fail(const std::string& what);
    void syncFolderOf(const std::filesystem::path& path);

    LogFileSystemCalls calls_;
    int fd_ = -1;
    std::int64_t count_ = 0;
    std::string error_;
};

} // namespace orv
