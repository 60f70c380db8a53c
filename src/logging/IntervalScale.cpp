#include "logging/IntervalScale.h"

#include <algorithm>
#include <cmath>

namespace orv {

int sliderSeconds(int position) {
    const int p = std::clamp(position, kSliderMinPosition, kSliderMaxPosition);
    return std::min(p * p / 500 * 5 + 5, kMaxIntervalSeconds);
}

int sliderPositionFor(int seconds) {
    const double root = std::sqrt(std::max(0.0, seconds * 100.0 - 5.0));
    const auto nearest = static_cast<int>(std::nearbyint(root));
    return std::clamp(nearest, kSliderMinPosition, kSliderMaxPosition);
}

std::string intervalLabel(long long seconds) {
    return std::to_string(seconds / 60) + " Min " + std::to_string(seconds % 60) + "s";
}

void IntervalScale::setPosition(int position) {
    position_ = std::clamp(position, kSliderMinPosition, kSliderMaxPosition);
    seconds_ = sliderSeconds(position_);
}

void IntervalScale::stepDown() {
    // Only the slider reaches 5 s; the button stops at 6.
    if (seconds_ > kMinIntervalSeconds + 1) {
        --seconds_;
    }
    if (position_ > 5) {
        position_ = sliderPositionFor(seconds_);
    }
}

void IntervalScale::stepUp() {
    if (seconds_ < kMaxIntervalSeconds) {
        ++seconds_;
    }
    if (position_ < kSliderMaxPosition) {
        position_ = sliderPositionFor(seconds_);
    }
}

} // namespace orv
