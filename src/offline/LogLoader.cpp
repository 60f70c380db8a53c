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
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

// Where the bytes come from: the file (pread(2)) or a buffer (fuzzing). `readAt` may be called
// from several threads at once; it returns the number of bytes read, fewer only at the end, or
// -1 with `error` set.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::int64_t readAt(void* dst, std::size_t n, std::int64_t offset,
                                std::string& error) = 0;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    std::int64_t readAt(void* dst, std::size_t n, std::int64_t offset,
                        std::string& error) override {
        auto* p = static_cast<unsigned char*>(dst);
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got =
                ::pread(fd_, p + done, n - done,
                        static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
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
    std::int64_t readAt(void* dst, std::size_t n, std::int64_t offset, std::string&) override {
        const auto at = std::min(static_cast<std::size_t>(offset), bytes_.size());
        const std::size_t take = std::min(n, bytes_.size() - at);
        if (take > 0) {
            std::memcpy(dst, bytes_.data() + at, take);
        }
        return static_cast<std::int64_t>(take);
    }

private:
    std::span<const unsigned char> bytes_;
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

// The records of a file read by every core: the file is cut into chunks, and each thread takes
// the next chunk not yet taken, reads it, splits it into the two channels and summarises their
// blocks while the chunk is still in the cache. The threads write disjoint parts of the arrays
// and indexes; the upper index levels are added once all are done.
class ParallelRead {
public:
    ParallelRead(ByteSource& src, std::int64_t records, const LoadTuning& tuning,
                 LoadProgress* progress)
        : src_(src), records_(records), progress_(progress) {
        chunkRecords_ = tuning.chunkRecords > 0
                            ? (tuning.chunkRecords + ChannelIndex::kSumBlock - 1) /
                                  ChannelIndex::kSumBlock * ChannelIndex::kSumBlock
                            : kChunkRecords;
        chunks_ = (records + chunkRecords_ - 1) / chunkRecords_;
        unsigned threads = tuning.threads > 0 ? static_cast<unsigned>(tuning.threads)
                                              : std::max(1u, std::thread::hardware_concurrency());
        if (tuning.threads <= 0 && records < kParallelFrom) {
            threads = 1; // starting a thread costs more than it saves
        }
        threads_ = static_cast<unsigned>(
            std::clamp<std::int64_t>(chunks_, 1, static_cast<std::int64_t>(threads)));
        got_.assign(static_cast<std::size_t>(chunks_), -1);
    }

    float* temp = nullptr;
    float* ch2 = nullptr;
    ChannelIndex* tempIndex = nullptr;
    ChannelIndex* ch2Index = nullptr;
    bool cancelled = false;
    std::string error;

    // Reads every chunk (or until cancelled or a read fails); false when no thread could have a
    // read buffer.
    bool run() {
        std::vector<std::jthread> helpers;
        for (unsigned t = 1; t < threads_; ++t) {
            try {
                helpers.emplace_back([this] { work(); });
            } catch (const std::system_error&) {
                break; // no more threads: the others take their share
            } catch (const std::bad_alloc&) {
                break;
            }
        }
        work();
        helpers.clear(); // joins
        cancelled = cancelled_.load();
        // Chunks left although nothing stopped the threads: none of them had a buffer.
        return cancelled || !error.empty() || std::min(next_.load(), chunks_) == chunks_;
    }

    // Records complete from the start: the first chunk that came short ends them.
    [[nodiscard]] std::int64_t complete() const {
        std::int64_t done = 0;
        for (std::int64_t c = 0; c < chunks_; ++c) {
            const std::int64_t n = got_[static_cast<std::size_t>(c)];
            done += std::max<std::int64_t>(n, 0);
            if (n < std::min(chunkRecords_, records_ - c * chunkRecords_)) {
                break;
            }
        }
        return done;
    }

private:
    // A multiple of ChannelIndex::kSumBlock, and small enough that the raw chunk and both channel
    // slices stay in a core's cache while they are indexed.
    static constexpr std::int64_t kChunkRecords = 32768;
    // Below this one thread does it all.
    static constexpr std::int64_t kParallelFrom = 4 * kChunkRecords;

    void work() {
        std::unique_ptr<unsigned char[]> buffer;
        try {
            buffer = std::make_unique_for_overwrite<unsigned char[]>(
                static_cast<std::size_t>(std::min(chunkRecords_, records_) * kLogRecordSize));
        } catch (const std::bad_alloc&) {
            return;
        }
        const std::span<const float> tempValues{temp, static_cast<std::size_t>(records_)};
        const std::span<const float> ch2Values{ch2, static_cast<std::size_t>(records_)};
        std::string readError;
        while (!stop_.load(std::memory_order_relaxed)) {
            if (progress_ && progress_->cancel.load(std::memory_order_relaxed)) {
                cancelled_ = true;
                stop_ = true;
                break;
            }
            const std::int64_t c = next_.fetch_add(1, std::memory_order_relaxed);
            if (c >= chunks_) {
                break;
            }
            const std::int64_t begin = c * chunkRecords_;
            const std::int64_t want = std::min(chunkRecords_, records_ - begin);
            const std::int64_t got =
                src_.readAt(buffer.get(), static_cast<std::size_t>(want * kLogRecordSize),
                            kLogHeaderSize + begin * kLogRecordSize, readError);
            if (got < 0) {
                const std::lock_guard lock(errorMutex_);
                if (error.empty()) {
                    error = readError;
                }
                stop_ = true;
                break;
            }
            const std::int64_t n = got / kLogRecordSize;
            splitRecords(buffer.get(), n, temp + begin, ch2 + begin);
            tempIndex->summarizeBlocks(tempValues, begin, begin + n);
            ch2Index->summarizeBlocks(ch2Values, begin, begin + n);
            got_[static_cast<std::size_t>(c)] = n;
            if (progress_) {
                progress_->recordsDone.fetch_add(n, std::memory_order_relaxed);
            }
        }
    }

    ByteSource& src_;
    std::int64_t records_;
    LoadProgress* progress_;
    std::int64_t chunkRecords_ = kChunkRecords;
    std::int64_t chunks_ = 0;
    unsigned threads_ = 1;
    std::vector<std::int64_t> got_; // records read per chunk, -1 for a chunk never read
    std::atomic<std::int64_t> next_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> cancelled_{false};
    std::mutex errorMutex_;
};

LoadResult load(ByteSource& src, std::int64_t fileSize, LoadProgress* progress,
                const LoadTuning& tuning) {
    unsigned char head[kLogHeaderSize] = {};
    std::string readError;
    const std::int64_t headBytes = src.readAt(head, kLogHeaderSize, 0, readError);
    if (headBytes < 0) {
        return error(LoadError::Kind::DataError, "read failed: " + readError);
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
    ChannelIndex tempIndex;
    ChannelIndex ch2Index;
    try {
        temp = FloatArray(records);
        ch2 = FloatArray(records);
        tempIndex.prepare(records);
        ch2Index.prepare(records);
    } catch (const std::bad_alloc&) {
        return error(LoadError::Kind::OutOfMemory,
                     std::to_string(records) + " records do not fit into memory");
    }

    ParallelRead run(src, records, tuning, progress);
    run.temp = temp.data();
    run.ch2 = ch2.data();
    run.tempIndex = &tempIndex;
    run.ch2Index = &ch2Index;
    if (!run.run()) {
        return error(LoadError::Kind::OutOfMemory, "no memory for the read buffers");
    }
    if (run.cancelled) {
        return error(LoadError::Kind::Cancelled, "cancelled");
    }
    if (!run.error.empty()) {
        return error(LoadError::Kind::DataError, "read failed: " + run.error);
    }
    const std::int64_t done = run.complete();
    if (done < records) {
        // The file got shorter while we read it: keep what was complete.
        truncated = true;
    }
    temp.shrink(done);
    ch2.shrink(done);
    tempIndex.finish(temp.span());
    ch2Index.finish(ch2.span());
    return LogData(std::move(header), std::move(temp), std::move(ch2), std::move(tempIndex),
                   std::move(ch2Index), fileSize, truncated);
}

} // namespace

int LoadError::textId() const {
    return kind == Kind::NotFound || kind == Kind::NotALogFile ? 255 : 256;
}

LoadResult loadLogFile(const std::filesystem::path& path, LoadProgress* progress,
                       const LoadTuning& tuning) {
    auto opened = LogFile::open(path);
    if (auto* e = std::get_if<LoadError>(&opened)) {
        return std::move(*e);
    }
    const LogFile& file = std::get<LogFile>(opened);
    ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    FileSource src(file.fd());
    return load(src, file.fileSize(), progress, tuning);
}

LoadResult loadLogBytes(std::span<const unsigned char> bytes, const LoadTuning& tuning) {
    MemorySource src(bytes);
    return load(src, static_cast<std::int64_t>(bytes.size()), nullptr, tuning);
}

} // namespace orv
