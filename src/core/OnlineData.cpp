#include "core/OnlineData.h"

#include <stdexcept>

namespace orv {

const Sample& OnlineData::row(int r) const {
    if (r < kFirstRow || r > kNewestRow) {
        throw std::out_of_range("OnlineData row " + std::to_string(r) + " is not a sample row");
    }
    return rows_[static_cast<std::size_t>((first_ + r - kFirstRow) % kSampleRows)];
}

Sample& OnlineData::row(int r) {
    return const_cast<Sample&>(static_cast<const OnlineData&>(*this).row(r));
}

void OnlineData::shift() {
    const Sample previousNewest = newest();
    first_ = (first_ + 1) % kSampleRows;
    newest() = previousNewest;
}

void OnlineData::clearSamples() {
    rows_.fill(Sample{});
    first_ = 0;
}

} // namespace orv
