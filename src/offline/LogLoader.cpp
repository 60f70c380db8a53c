#include "offline/LogLoader.h"

#include "offline/LogFile.h"
#include "offline/MappedFile.h"

#include "core/DayNumber.h"
#include "logging/LogFormat.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <functional>
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

// Where the loader finds each chunk of records: in the file's mapping, where they already are,
// or read into the log's own buffer. `fetch` may be called from several threads at once for
// disjoint chunks; it returns the records now at `records + begin * kLogRecordSize`, fewer than
// asked only at the end of the file, or -1 with `error` set.
class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    [[nodiscard]] virtual const unsigned char* records() const = 0;
    virtual std::int64_t fetch(std::int64_t begin, std::int64_t count, std::string& error) = 0;
};

// The file's pages themselves: nothing to read, the index is built straight from the mapping.
class MappedChunks final : public ChunkSource {
public:
    explicit MappedChunks(const unsigned char* records) : records_(records) {}
    [[nodiscard]] const unsigned char* records() const override { return records_; }
    std::int64_t fetch(std::int64_t, std::int64_t count, std::string&) override { return count; }

private:
    const unsigned char* records_;
};

// Records read (pread or from a buffer) into memory of the log's own.
class ReadChunks final : public ChunkSource {
public:
    ReadChunks(ByteSource& src, unsigned char* buffer) : src_(src), buffer_(buffer) {}
    [[nodiscard]] const unsigned char* records() const override { return buffer_; }
    std::int64_t fetch(std::int64_t begin, std::int64_t count, std::string& error) override {
        const std::int64_t got = src_.readAt(buffer_ + begin * kLogRecordSize,
                                             static_cast<std::size_t>(count * kLogRecordSize),
                                             kLogHeaderSize + begin * kLogRecordSize, error);
        return got < 0 ? -1 : got / kLogRecordSize;
    }

private:
    ByteSource& src_;
    unsigned char* buffer_;
};

// The records of a file indexed by every core: the records are cut into chunks, and each thread
// takes the next chunk not yet taken, gets it (reads it, or finds it in the mapping) and
// summarises both channels' blocks while the chunk is still in its cache. The threads write
// disjoint parts of the indexes; the upper index levels are added once all are done.
class ParallelIndex {
public:
    ParallelIndex(ChunkSource& src, std::int64_t records, const LoadTuning& tuning,
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

    ChannelIndex* tempIndex = nullptr;
    ChannelIndex* ch2Index = nullptr;
    bool cancelled = false;
    std::string error;

    // Indexes every chunk (or until cancelled or a read fails).
    void run() {
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
    // A multiple of ChannelIndex::kSumBlock, and small enough that a chunk stays in a core's
    // cache while it is indexed.
    static constexpr std::int64_t kChunkRecords = 32768;
    // Below this one thread does it all.
    static constexpr std::int64_t kParallelFrom = 4 * kChunkRecords;

    void work() {
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
            const std::int64_t n =
                src_.fetch(begin, std::min(chunkRecords_, records_ - begin), readError);
            if (n < 0) {
                const std::lock_guard lock(errorMutex_);
                if (error.empty()) {
                    error = readError;
                }
                stop_ = true;
                break;
            }
            ChannelIndex::summarizeRecords(src_.records(), begin, begin + n, *tempIndex, *ch2Index);
            got_[static_cast<std::size_t>(c)] = n;
            if (progress_) {
                progress_->recordsDone.fetch_add(n, std::memory_order_relaxed);
            }
        }
    }

    ChunkSource& src_;
    std::int64_t records_;
    LoadProgress* progress_;
    std::int64_t chunkRecords_ = kChunkRecords;
    std::int64_t chunks_ = 0;
    unsigned threads_ = 1;
    std::vector<std::int64_t> got_; // records got per chunk, -1 for a chunk never got
    std::atomic<std::int64_t> next_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> cancelled_{false};
    std::mutex errorMutex_;
};

// The record bytes of a file kept mapped: the log reads its records from the page cache, so
// opening it copies nothing and asks for no fresh memory.
class MappedRecords final : public RecordStore {
public:
    // `fd` is the file's descriptor, kept (a copy) to look up its size should it shrink.
    MappedRecords(MappedFile file, int fd) : file_(std::move(file)), fd_(::dup(fd)) {}
    MappedRecords(const MappedRecords&) = delete;
    MappedRecords& operator=(const MappedRecords&) = delete;
    ~MappedRecords() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    [[nodiscard]] const unsigned char* records() const override {
        return file_.data() + kLogHeaderSize;
    }
    // Pages lost since the load ended (the ones lost while it ran lie past the records it kept),
    // or the file now ends before the records kept. Then the records between the file's new end
    // and the first lost page read as no value too, not as the zeros the system gives them.
    [[nodiscard]] bool lost(std::int64_t records) const override {
        const bool pagesLost = file_.lostPages() > lostWhileLoading_;
        struct stat st {};
        const bool sized = fd_ >= 0 && ::fstat(fd_, &st) == 0;
        const bool cut = sized && st.st_size < kLogHeaderSize + records * kLogRecordSize;
        if ((pagesLost || cut) && sized) {
            const std::lock_guard lock(mutex_);
            if (st.st_size != markedAt_) {
                file_.markLostFrom(static_cast<std::size_t>(st.st_size));
                markedAt_ = st.st_size;
            }
        }
        return pagesLost || cut;
    }
    // Called once the load is done: the pages lost while it ran lie past the records it keeps.
    void loadDone() { lostWhileLoading_ = file_.lostPages(); }

private:
    mutable MappedFile file_;
    int fd_;
    std::uint64_t lostWhileLoading_ = 0;
    mutable std::mutex mutex_;
    mutable off_t markedAt_ = -1; // the file size the page at the end was marked for
};

// The header read and judged: the header and the record count to load, or why not.
std::variant<CheckedHeader, LoadError> readHeader(ByteSource& src, std::int64_t fileSize) {
    unsigned char head[kLogHeaderSize] = {};
    std::string readError;
    const std::int64_t headBytes = src.readAt(head, kLogHeaderSize, 0, readError);
    if (headBytes < 0) {
        return error(LoadError::Kind::DataError, "read failed: " + readError);
    }
    return checkLogHeader({head, static_cast<std::size_t>(headBytes)}, fileSize);
}

// Indexes the `records` records that `chunks` gives and makes the log of them; `done` tells how
// many of them came complete.
LoadResult indexRecords(CheckedHeader checked, ChunkSource& chunks,
                        std::unique_ptr<const RecordStore> store, std::int64_t fileSize,
                        LoadProgress* progress, const LoadTuning& tuning,
                        const std::function<std::int64_t(std::int64_t)>& complete = {}) {
    // `complete` (if given) is asked how many of the records indexed are still there.
    const std::int64_t records = checked.records;
    ChannelIndex tempIndex;
    ChannelIndex ch2Index;
    try {
        tempIndex.prepare(records);
        ch2Index.prepare(records);
    } catch (const std::bad_alloc&) {
        return error(LoadError::Kind::OutOfMemory,
                     std::to_string(records) + " records do not fit into memory");
    }
    ParallelIndex run(chunks, records, tuning, progress);
    run.tempIndex = &tempIndex;
    run.ch2Index = &ch2Index;
    run.run();
    if (run.cancelled) {
        return error(LoadError::Kind::Cancelled, "cancelled");
    }
    if (!run.error.empty()) {
        return error(LoadError::Kind::DataError, "read failed: " + run.error);
    }
    std::int64_t done = run.complete();
    if (complete) {
        done = std::min(done, complete(done));
    }
    bool truncated = checked.truncated;
    if (done < records) {
        // The file got shorter while we read it: keep what was complete.
        truncated = true;
    }
    const unsigned char* bytes = chunks.records();
    tempIndex.finish(ChannelValues(bytes, done));
    ch2Index.finish(ChannelValues(bytes + sizeof(float), done));
    return LogData(std::move(checked.header), std::move(store), done, std::move(tempIndex),
                   std::move(ch2Index), fileSize, truncated);
}

// Reads the records into memory of the log's own, every core taking chunks of them.
LoadResult readAndIndex(ByteSource& src, std::int64_t fileSize, LoadProgress* progress,
                        const LoadTuning& tuning) {
    auto checked = readHeader(src, fileSize);
    if (auto* e = std::get_if<LoadError>(&checked)) {
        return std::move(*e);
    }
    CheckedHeader& h = std::get<CheckedHeader>(checked);
    if (progress) {
        progress->recordsTotal = h.records;
    }
    RecordBuffer buffer;
    try {
        buffer = RecordBuffer(static_cast<std::size_t>(h.records * kLogRecordSize));
    } catch (const std::bad_alloc&) {
        return error(LoadError::Kind::OutOfMemory,
                     std::to_string(h.records) + " records do not fit into memory");
    }
    ReadChunks chunks(src, buffer.data());
    return indexRecords(std::move(h), chunks, std::make_unique<BufferedRecords>(std::move(buffer)),
                        fileSize, progress, tuning);
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
    FileSource src(file.fd());
    if (!tuning.readIntoMemory) {
        auto checked = readHeader(src, file.fileSize());
        if (auto* e = std::get_if<LoadError>(&checked)) {
            return std::move(*e);
        }
        CheckedHeader& h = std::get<CheckedHeader>(checked);
        auto mapped = MappedFile::map(
            file.fd(), static_cast<std::size_t>(kLogHeaderSize + h.records * kLogRecordSize));
        if (auto* m = std::get_if<MappedFile>(&mapped)) {
            if (progress) {
                progress->recordsTotal = h.records;
            }
            auto store = std::make_unique<MappedRecords>(std::move(*m), file.fd());
            MappedRecords* kept = store.get();
            MappedChunks chunks(kept->records());
            const int fd = file.fd();
            // A file cut short while it was indexed keeps the records still in it (the ones past
            // its new end were indexed as "no value", or as the zeros of the page it ends in).
            auto stillThere = [kept, fd](std::int64_t done) {
                kept->loadDone();
                struct stat st {};
                if (::fstat(fd, &st) != 0) {
                    return done;
                }
                return std::clamp<std::int64_t>((st.st_size - kLogHeaderSize) / kLogRecordSize, 0,
                                                done);
            };
            return indexRecords(std::move(h), chunks, std::move(store), file.fileSize(), progress,
                                tuning, stillThere);
        }
        // A file system that cannot map the file: read it instead.
    }
    ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return readAndIndex(src, file.fileSize(), progress, tuning);
}

LoadResult loadLogBytes(std::span<const unsigned char> bytes, const LoadTuning& tuning) {
    MemorySource src(bytes);
    return readAndIndex(src, static_cast<std::int64_t>(bytes.size()), nullptr, tuning);
}

} // namespace orv
