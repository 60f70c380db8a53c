// Any bytes as a log file: the loader must refuse or load them without reading past the end, and
// statistics and reductions over whatever loaded must stay within the records.
#include "offline/LogLoader.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

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
