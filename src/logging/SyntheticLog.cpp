#include "logging/SyntheticLog.h"

#include "core/DayNumber.h"
#include "core/DewPoint.h"
#include "logging/LogFormat.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <numbers>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

constexpr std::int64_t kBlockRecords = 65536;

class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // uniform in [0, 1)
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // roughly normal, mean 0, standard deviation about 1 (sum of three uniforms)
    double noise() { return (uniform() + uniform() + uniform() - 1.5) * 2.0; }

private:
    std::uint64_t state_;
};

class Generator {
public:
    explicit Generator(const SyntheticLogOptions& o) : o_(o), rng_(o.seed) {}

    void fill(std::int64_t first, std::int64_t count, unsigned char* out) {
        // Sine and cosine of the time of day by rotation, recomputed exactly at every block so
        // the error cannot build up over a hundred million records.
        const double dayFraction = o_.startTime + o_.interval * static_cast<double>(first) / 86400;
        const double angle = 2 * std::numbers::pi * (dayFraction - std::floor(dayFraction) - 0.375);
        const double step = 2 * std::numbers::pi * o_.interval / 86400;
        const double cosStep = std::cos(step);
        const double sinStep = std::sin(step);
        double s = std::sin(angle);
        double c = std::cos(angle);
        const double season = 3 * std::sin(2 * std::numbers::pi * dayFraction / 365.25);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (std::int64_t k = 0; k < count; ++k) {
            // weather: a slow random walk pulled back towards 0
            weather_ = weather_ * 0.9995 + rng_.noise() * 0.02;
            const double tC = 19.0 + season + 5.0 * s + weather_ + rng_.noise() * 0.08;
            const double rh = std::clamp(
                60.0 - 2.2 * (tC - 19.0 - season) - 3 * weather_ + rng_.noise() * 0.4, 3.0, 99.5);
            float t = static_cast<float>(std::nearbyint(tC * 100) / 100);
            float h = static_cast<float>(std::nearbyint(rh * 10) / 10);
            float ch2 = o_.dewPoint ? static_cast<float>(convert(DewPoint(t, h))) : h;
            t = static_cast<float>(convert(t));
            if (o_.gaps && gapLeft_ == 0 && rng_.next() % 5000 == 0) {
                gapLeft_ = 1 + static_cast<std::int64_t>(rng_.next() % 400);
            }
            if (gapLeft_ > 0) {
                --gapLeft_;
                t = nan;
                ch2 = nan;
            }
            encodeLogRecord(out + 8 * k, t, ch2);
            const double s2 = s * cosStep + c * sinStep;
            c = c * cosStep - s * sinStep;
            s = s2;
        }
    }

private:
    [[nodiscard]] double convert(double celsius) const {
        switch (o_.tempUnit) {
        case 'F':
            return celsius * 1.8 + 32;
        case 'K':
            return celsius + 273.15;
        default:
            return celsius;
        }
    }

    const SyntheticLogOptions& o_;
    SplitMix64 rng_;
    double weather_ = 0.0;
    std::int64_t gapLeft_ = 0;
};

bool writeAll(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

std::optional<std::string> checkOptions(const SyntheticLogOptions& o) {
    if (o.records < 0 || o.records > std::numeric_limits<std::int32_t>::max()) {
        return "the record count must lie within 0 .. 2147483647";
    }
    if (!std::isfinite(o.interval) || o.interval <= 0) {
        return "the interval must be a positive number of seconds";
    }
    if (o.tempUnit != 'C' && o.tempUnit != 'F' && o.tempUnit != 'K') {
        return "the temperature unit must be C, F or K";
    }
    if (!std::isfinite(o.startTime)) {
        return "the start time is not a date";
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> writeSyntheticLog(const std::filesystem::path& path,
                                             const SyntheticLogOptions& options) {
    if (auto problem = checkOptions(options)) {
        return problem;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return path.string() + ": " + std::strerror(errno);
    }
    LogHeader header;
    header.recordCount = static_cast<std::int32_t>(options.records);
    header.tempUnitCode = options.tempUnit;
    header.ch2UnitCode = options.dewPoint ? options.tempUnit : '%';
    header.startTime = options.startTime;
    header.interval = options.interval;
    header.text = options.serial;
    const auto head = encodeLogHeader(header);
    bool ok = writeAll(fd, head.data(), head.size());
    int err = ok ? 0 : errno;

    Generator gen(options);
    std::vector<unsigned char> block(static_cast<std::size_t>(kBlockRecords * kLogRecordSize));
    for (std::int64_t first = 0; ok && first < options.records; first += kBlockRecords) {
        const std::int64_t n = std::min(kBlockRecords, options.records - first);
        gen.fill(first, n, block.data());
        ok = writeAll(fd, block.data(), static_cast<std::size_t>(n * kLogRecordSize));
        err = ok ? 0 : errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return path.string() + ": " + std::strerror(err != 0 ? err : EIO);
    }
    return std::nullopt;
}

} // namespace orv
