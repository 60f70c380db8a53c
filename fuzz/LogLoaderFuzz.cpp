// Any bytes as a log file: the loader must refuse or load them without reading past the end,
// statistics and reductions over whatever loaded must stay within the records, and the header
// of a loaded file (whatever its count) must be something the date texts can show: the times
// of its first and last record convert to dates of years 100..9999 without overflow, as the
// command-line tools and the export need.
#include "core/DayNumber.h"
#include "offline/DateTimeText.h"
#include "offline/LogLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void checkTimes(const orv::LogData& log) {
    const orv::LogHeader& h = log.header();
    if (!std::isfinite(h.interval) || h.interval < 0 || h.interval > orv::kMaxLogIntervalSeconds) {
        std::abort();
    }
    for (const double t :
         {h.startTime, log.recordTime(std::max<std::int64_t>(log.size() - 1, 0))}) {
        if (orv::dateTimeText(t, 'T').size() != 19 ||
            orv::dateTimeText(t, ' ', true).size() != 23) {
            std::abort();
        }
        const orv::CivilTime c = orv::toCivil(t);
        if (c.year < 100 || c.year > 9999) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const orv::LoadResult result = orv::loadLogBytes({data, size});
    const auto* log = std::get_if<orv::LogData>(&result);
    if (log == nullptr) {
        return 0;
    }
    const std::int64_t n = log->size();
    const auto whole = static_cast<std::int64_t>(size);
    if (n < 0 || (n > 0 && 47 + 8 * n > whole) || n > log->header().recordCount) {
        std::abort();
    }
    checkTimes(*log);
    for (const orv::Channel c : {orv::Channel::Temperature, orv::Channel::Channel2}) {
        const orv::RangeStats all = log->stats(c, 0, n - 1);
        if (all.count > n) {
            std::abort();
        }
        const orv::RangeStats part = log->stats(c, n / 3, n - n / 5);
        if (part.count > all.count) {
            std::abort();
        }
        std::vector<orv::ColumnSpan> columns(37);
        log->reduce(c, n / 7, n, columns);
        if (n > 0 && columns.back().lastIndex != n - 1) {
            std::abort();
        }
    }
    return 0;
}
