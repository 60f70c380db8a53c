#pragma once

#include <optional>

namespace orv {

// Smallest and largest value of one channel over the visible records, NaN records skipped;
// nullopt when every visible record of the channel is NaN.
struct ChannelExtremes {
    float min = 0;
    float max = 0;
};

// The value axis shared by both curves: `yTop` at the plot area's top edge and yTop - ySpan at
// its bottom edge. ySpan is a whole number of value units, so the bottom edge stands for
// `yBottom` only when yTop - yBottom is whole.
struct ValueScale {
    float yTop = 5;
    float yBottom = -5;

    // yTop - yBottom rounded to a whole number (halves to even), at least 1. Kept as a double so
    // the absurd ranges of a damaged file cannot overflow an integer.
    [[nodiscard]] double ySpan() const;

    // Plot-area y (0 at the top edge) of a value and back; the curves and the value labels use
    // this scale.
    [[nodiscard]] double yOffsetOf(double value, double plotHeight) const {
        return (yTop - value) * plotHeight / ySpan();
    }
    // Value of value label i (0 = top .. 10 = bottom) before its rounding to one decimal.
    [[nodiscard]] double labelValue(int i) const { return yTop - ySpan() / 10 * i; }
};

// The value range of an unzoomed view: 5 above the larger maximum and 5 below the smaller
// minimum of the two channels. A channel without values does not count; with no values at all
// the axis runs from 5 down to -5.
[[nodiscard]] ValueScale autoScale(std::optional<ChannelExtremes> temperature,
                                   std::optional<ChannelExtremes> channel2);

} // namespace orv
