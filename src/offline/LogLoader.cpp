#include "offline/LogLoader.h"

#include "offline/LogFile.h"

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

LoadResult load(ByteSource& src, std::int64_t fileSize, LoadProgress* progress) {
    unsigned char head[kLogHeaderSize] = {};
    const std::int64_t headBytes = src.read(head, kLogHeaderSize);
    if (headBytes < 0) {
        return error(LoadError::Kind::DataError, "read failed: " + src.error);
    }
    auto checked = checkLogHeader({head, static_cast<std::size_t>(headBytes)}, fileSize);
    if (auto* e = std::get_if<LoadError>(&checked)) {
        return std::move(*e);
    }
    LogHeader header = std::move(std::get<CheckedHeader>(checked).header);
    const std::int64_t records = std::get<CheckedHeader>(checked).records;
    bool truncated = std::get<CheckedHeader>(checked).truncated;

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
        splitRecords(chunk.get(), n, temp.data() + done, ch2.data() + done);
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
    auto opened = LogFile::open(path);
    if (auto* e = std::get_if<LoadError>(&opened)) {
        return std::move(*e);
    }
    const LogFile& file = std::get<LogFile>(opened);
    ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    FileSource src(file.fd());
    return load(src, file.fileSize(), progress);
}

LoadResult loadLogBytes(std::span<const unsigned char> bytes) {
    MemorySource src(bytes);
    return load(src, static_cast<std::int64_t>(bytes.size()), nullptr);
}

} // namespace orv
