#include "offline/ValueScale.h"

#include <algorithm>
#include <cmath>

namespace orv {

double ValueScale::ySpan() const {
    const float span = yTop - yBottom;
    if (!std::isfinite(span)) {
        return 1;
    }
    return std::max(1.0, static_cast<double>(std::nearbyint(span)));
}

ValueScale autoScale(std::optional<ChannelExtremes> temperature,
                     std::optional<ChannelExtremes> channel2) {
    std::optional<ChannelExtremes> both;
    for (const auto& ch : {temperature, channel2}) {
        if (!ch || !std::isfinite(ch->min) || !std::isfinite(ch->max)) {
            continue;
        }
        if (!both) {
            both = ch;
        } else {
            both->min = std::min(both->min, ch->min);
            both->max = std::max(both->max, ch->max);
        }
    }
    if (!both) {
        return {};
    }
    // Single arithmetic, as the axis values are Singles.
    return {both->max + 5.0F, both->min - 5.0F};
}

} // namespace orv
