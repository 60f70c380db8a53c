#include "offline/LogLoader.h"

#include "core/DayNumber.h"
#include "logging/LogFormat.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

// A multiple of ChannelIndex::kSumBlock, and small enough that the raw chunk and both channel
// slices stay in the cache while they are indexed.
constexpr std::int64_t kChunkRecords = 32768;

// Where the bytes come from: the file (read(2)) or a buffer (fuzzing). `read` returns the number
// of bytes read, fewer only at the end, or -1 with `error` set.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t read(void* dst, std::size_t n) = 0;
    std::string error;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    std::int64_t read(void* dst, std::size_t n) override {
        auto* p = static_cast<unsigned char*>(dst);
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got = ::read(fd_, p + done, n - done);
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                error = std::strerror(errno);
                return -1;
            }
            if (got == 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        return static_cast<std::int64_t>(done);
    }

private:
    int fd_;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const unsigned char> bytes) : bytes_(bytes) {}
    std::int64_t read(void* dst, std::size_t n) override {
        const std::size_t take = std::min(n, bytes_.size() - pos_);
        if (take > 0) {
            std::memcpy(dst, bytes_.data() + pos_, take);
        }
        pos_ += take;
        return static_cast<std::int64_t>(take);
    }

private:
    std::span<const unsigned char> bytes_;
    std::size_t pos_ = 0;
};

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() { ::close(fd_); }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int fd_;
};

LoadError error(LoadError::Kind kind, std::string detail) {
    return LoadError{kind, std::move(detail)};
}

} // namespace

bool usableDayNumber(double d) {
    static const double first = fromCivil({100, 1, 1, 0, 0, 0});
    static const double last = fromCivil({9999, 12, 31, 23, 59, 59});
    return std::isfinite(d) && d >= first && d <= last;
}

namespace {

typedef float F4 __attribute__((vector_size(16)));

void splitChannels(const unsigned char* raw, std::int64_t records, float* temp, float* ch2) {
    std::int64_t k = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // four records at a time: (t0 c0 t1 c1) (t2 c2 t3 c3) -> (t0 t1 t2 t3) (c0 c1 c2 c3)
        for (; k + 4 <= records; k += 4) {
            F4 a;
            F4 b;
            std::memcpy(&a, raw + 8 * k, sizeof a);
            std::memcpy(&b, raw + 8 * k + 16, sizeof b);
            const F4 t = __builtin_shufflevector(a, b, 0, 2, 4, 6);
            const F4 c = __builtin_shufflevector(a, b, 1, 3, 5, 7);
            std::memcpy(temp + k, &t, sizeof t);
            std::memcpy(ch2 + k, &c, sizeof c);
        }
    }
    for (; k < records; ++k) {
        temp[k] = readFloatLE(raw + 8 * k);
        ch2[k] = readFloatLE(raw + 8 * k + 4);
    }
}

LoadResult load(ByteSource& src, std::int64_t fileSize, LoadProgress* progress) {
    unsigned char head[kLogHeaderSize] = {};
    const std::int64_t headBytes = src.read(head, kLogHeaderSize);
    if (headBytes < 0) {
        return error(LoadError::Kind::DataError, "read failed: " + src.error);
    }
    if (headBytes < kLogMagicOffset + 5 || std::memcmp(head + kLogMagicOffset, kLogMagic, 5) != 0) {
        return error(LoadError::Kind::NotALogFile, "no ORV32 magic at offset 9");
    }
    if (headBytes < kLogHeaderSize) {
        return error(LoadError::Kind::DataError, "header cut short");
    }

    LogHeader header = decodeLogHeader(head);
    if (header.recordCount < 0) {
        return error(LoadError::Kind::DataError,
                     "negative record count " + std::to_string(header.recordCount));
    }
    const std::int64_t present = (fileSize - kLogHeaderSize) / kLogRecordSize;
    const std::int64_t records = std::min<std::int64_t>(header.recordCount, present);
    bool truncated = records < header.recordCount;
    // Checked whatever the count: the start time and interval of an empty file are shown and
    // exported as well, and must never reach the date arithmetic as NaN or as a year 292 million.
    if (!std::isfinite(header.interval) || header.interval < 0.0f ||
        header.interval > kMaxLogIntervalSeconds) {
        return error(LoadError::Kind::DataError, "recording interval is not a usable number");
    }
    if (!usableDayNumber(header.startTime)) {
        return error(LoadError::Kind::DataError, "start time is not a usable date");
    }
    if (!usableDayNumber(header.recordTime(std::max<std::int64_t>(records - 1, 0)))) {
        return error(LoadError::Kind::DataError, "time of the last record is not a usable date");
    }

    if (progress) {
        progress->recordsTotal = records;
    }
    FloatArray temp;
    FloatArray ch2;
    std::unique_ptr<unsigned char[]> chunk;
    ChannelIndex tempIndex;
    ChannelIndex ch2Index;
    try {
        temp = FloatArray(records);
        ch2 = FloatArray(records);
        chunk.reset(new unsigned char[static_cast<std::size_t>(kChunkRecords * kLogRecordSize)]);
        tempIndex.reserve(records);
        ch2Index.reserve(records);
    } catch (const std::bad_alloc&) {
        return error(LoadError::Kind::OutOfMemory,
                     std::to_string(records) + " records do not fit into memory");
    }

    std::int64_t done = 0;
    while (done < records) {
        if (progress && progress->cancel.load(std::memory_order_relaxed)) {
            return error(LoadError::Kind::Cancelled, "cancelled");
        }
        const std::int64_t want = std::min(kChunkRecords, records - done);
        const std::int64_t got = src.read(chunk.get(), static_cast<std::size_t>(want * 8));
        if (got < 0) {
            return error(LoadError::Kind::DataError, "read failed: " + src.error);
        }
        const std::int64_t n = got / kLogRecordSize;
        splitChannels(chunk.get(), n, temp.data() + done, ch2.data() + done);
        tempIndex.append({temp.data() + done, static_cast<std::size_t>(n)});
        ch2Index.append({ch2.data() + done, static_cast<std::size_t>(n)});
        done += n;
        if (progress) {
            progress->recordsDone.store(done, std::memory_order_relaxed);
        }
        if (n < want) {
            // The file got shorter while we read it: keep what was complete.
            truncated = true;
            break;
        }
    }
    temp.shrink(done);
    ch2.shrink(done);
    tempIndex.finish();
    ch2Index.finish();
    return LogData(std::move(header), std::move(temp), std::move(ch2), std::move(tempIndex),
                   std::move(ch2Index), fileSize, truncated);
}

} // namespace

int LoadError::textId() const {
    return kind == Kind::NotFound || kind == Kind::NotALogFile ? 255 : 256;
}

LoadResult loadLogFile(const std::filesystem::path& path, LoadProgress* progress) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR) {
            return error(LoadError::Kind::NotFound, "no such file: " + path.string());
        }
        return error(LoadError::Kind::DataError, path.string() + ": " + std::strerror(e));
    }
    FdCloser closer(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return error(LoadError::Kind::DataError, path.string() + ": " + std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return error(LoadError::Kind::NotALogFile, path.string() + " is not a regular file");
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    FileSource src(fd);
    return load(src, static_cast<std::int64_t>(st.st_size), progress);
}

LoadResult loadLogBytes(std::span<const unsigned char> bytes) {
    MemorySource src(bytes);
    return load(src, static_cast<std::int64_t>(bytes.size()), nullptr);
}

} // namespace orv
