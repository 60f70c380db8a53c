#include "logging/LogFileWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <vector>

namespace orv {

// A new file's directory entry must reach the disk too, or a power cut can lose the whole file.
void LogFileWriter::syncFolderOf(const std::filesystem::path& path) {
    const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        calls_.fsync(fd);
        ::close(fd);
    }
}

LogFileWriter::~LogFileWriter() {
    close();
}

void LogFileWriter::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool LogFileWriter::fail(const std::string& what) {
    error_ = what + ": " + std::strerror(errno);
    return false;
}

bool LogFileWriter::writeAt(const unsigned char* data, std::size_t size, std::int64_t offset) {
    while (size > 0) {
        const ssize_t n = calls_.pwrite(fd_, data, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail("write");
        }
        if (n == 0) {
            errno = ENOSPC;
            return fail("write");
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool LogFileWriter::sync() {
    while (calls_.fdatasync(fd_) != 0) {
        if (errno != EINTR) {
            return fail("fdatasync");
        }
    }
    return true;
}

bool LogFileWriter::create(const std::filesystem::path& path, const LogHeader& header) {
    close();
    count_ = 0;
    error_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        return fail("create " + path.string());
    }
    LogHeader h = header;
    h.recordCount = 0;
    const auto bytes = encodeLogHeader(h);
    if (!writeAt(bytes.data(), bytes.size(), 0) || !sync()) {
        close();
        return false;
    }
    syncFolderOf(path);
    return true;
}

bool LogFileWriter::append(std::span<const LogRecord> records) {
    if (fd_ < 0) {
        errno = EBADF;
        return fail("append");
    }
    if (records.empty()) {
        return true;
    }
    const std::int64_t newCount = count_ + static_cast<std::int64_t>(records.size());
    if (newCount > std::numeric_limits<std::int32_t>::max()) {
        errno = EFBIG;
        return fail("append");
    }
    std::vector<unsigned char> bytes(records.size() * kLogRecordSize);
    for (std::size_t i = 0; i < records.size(); ++i) {
        encodeLogRecord(bytes.data() + i * kLogRecordSize, records[i].temperature,
                        records[i].channel2);
    }
    if (!writeAt(bytes.data(), bytes.size(), kLogHeaderSize + count_ * kLogRecordSize) || !sync()) {
        return false;
    }
    unsigned char countBytes[4];
    writeLE(countBytes, static_cast<std::int32_t>(newCount));
    if (!writeAt(countBytes, sizeof countBytes, 0) || !sync()) {
        return false;
    }
    count_ = newCount;
    return true;
}

} // namespace orv
