#include "offline/LogFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace orv {
namespace {

LoadError error(LoadError::Kind kind, std::string detail) {
    return LoadError{kind, std::move(detail)};
}

typedef float F4 __attribute__((vector_size(16)));

} // namespace

std::variant<CheckedHeader, LoadError> checkLogHeader(std::span<const unsigned char> head,
                                                      std::int64_t fileSize) {
    const auto headBytes = static_cast<std::int64_t>(head.size());
    if (headBytes < kLogMagicOffset + 5 ||
        std::memcmp(head.data() + kLogMagicOffset, kLogMagic, 5) != 0) {
        return error(LoadError::Kind::NotALogFile, "no ORV32 magic at offset 9");
    }
    if (headBytes < kLogHeaderSize) {
        return error(LoadError::Kind::DataError, "header cut short");
    }
    CheckedHeader checked;
    checked.header = decodeLogHeader(head.data());
    const LogHeader& header = checked.header;
    if (header.recordCount < 0) {
        return error(LoadError::Kind::DataError,
                     "negative record count " + std::to_string(header.recordCount));
    }
    const std::int64_t present = (fileSize - kLogHeaderSize) / kLogRecordSize;
    checked.records = std::min<std::int64_t>(header.recordCount, present);
    checked.truncated = checked.records < header.recordCount;
    // Checked whatever the count: the start time and interval of an empty file are shown and
    // exported as well, and must never reach the date arithmetic as NaN or as a year 292 million.
    if (!std::isfinite(header.interval) || header.interval < 0.0f ||
        header.interval > kMaxLogIntervalSeconds) {
        return error(LoadError::Kind::DataError, "recording interval is not a usable number");
    }
    if (!usableDayNumber(header.startTime)) {
        return error(LoadError::Kind::DataError, "start time is not a usable date");
    }
    if (!usableDayNumber(header.recordTime(std::max<std::int64_t>(checked.records - 1, 0)))) {
        return error(LoadError::Kind::DataError, "time of the last record is not a usable date");
    }
    return checked;
}

void splitRecords(const unsigned char* raw, std::int64_t records, float* temp, float* ch2) {
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

std::variant<LogFile, LoadError> LogFile::open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR) {
            return error(LoadError::Kind::NotFound, "no such file: " + path.string());
        }
        return error(LoadError::Kind::DataError, path.string() + ": " + std::strerror(e));
    }
    auto fail = [fd](LoadError e) {
        ::close(fd);
        return e;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return fail(error(LoadError::Kind::DataError, path.string() + ": " + std::strerror(errno)));
    }
    if (!S_ISREG(st.st_mode)) {
        return fail(error(LoadError::Kind::NotALogFile, path.string() + " is not a regular file"));
    }
    unsigned char head[kLogHeaderSize];
    std::int64_t got = 0;
    while (got < kLogHeaderSize) {
        const ssize_t n = ::pread(fd, head + got, static_cast<std::size_t>(kLogHeaderSize - got),
                                  static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return fail(error(LoadError::Kind::DataError,
                              std::string("read failed: ") + std::strerror(errno)));
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    auto checked = checkLogHeader({head, static_cast<std::size_t>(got)}, st.st_size);
    if (auto* e = std::get_if<LoadError>(&checked)) {
        return fail(std::move(*e));
    }
    return LogFile(fd, st.st_size, std::move(std::get<CheckedHeader>(checked)));
}

LogFile::LogFile(int fd, std::int64_t fileSize, CheckedHeader header)
    : fd_(fd), fileSize_(fileSize), header_(std::move(header.header)), size_(header.records),
      truncated_(header.truncated) {}

LogFile::LogFile(LogFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), fileSize_(other.fileSize_),
      header_(std::move(other.header_)), size_(other.size_), truncated_(other.truncated_),
      raw_(std::move(other.raw_)) {}

LogFile& LogFile::operator=(LogFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        fileSize_ = other.fileSize_;
        header_ = std::move(other.header_);
        size_ = other.size_;
        truncated_ = other.truncated_;
        raw_ = std::move(other.raw_);
    }
    return *this;
}

LogFile::~LogFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::error_code LogFile::read(std::int64_t first, std::span<float> temperature,
                              std::span<float> channel2) {
    if (temperature.size() != channel2.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    const auto n = static_cast<std::int64_t>(temperature.size());
    if (first < 0 || n > size_ - first) {
        return RecordError::BeyondEnd;
    }
    if (!raw_ && n > 0) {
        raw_.reset(new unsigned char[static_cast<std::size_t>(kRecordChunk * kLogRecordSize)]);
    }
    for (std::int64_t done = 0; done < n;) {
        const std::int64_t want = std::min(kRecordChunk, n - done);
        const std::int64_t bytes = want * kLogRecordSize;
        const std::int64_t at = kLogHeaderSize + (first + done) * kLogRecordSize;
        std::int64_t got = 0;
        while (got < bytes) {
            const ssize_t r = ::pread(fd_, raw_.get() + got, static_cast<std::size_t>(bytes - got),
                                      static_cast<off_t>(at + got));
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r < 0) {
                return {errno, std::generic_category()};
            }
            if (r == 0) {
                return RecordError::FileShrank;
            }
            got += r;
        }
        splitRecords(raw_.get(), want, temperature.data() + done, channel2.data() + done);
        done += want;
    }
    return {};
}

} // namespace orv
