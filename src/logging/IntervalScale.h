#pragma once

#include <string>

namespace orv {

// The interval dialog's slider: positions 1..600 on a quadratic scale (fine steps for short
// intervals, coarse ones for long), and the "<" / ">" buttons that move the interval by one
// second while the slider only follows approximately.
inline constexpr int kSliderMinPosition = 1;
inline constexpr int kSliderMaxPosition = 600;
inline constexpr int kMinIntervalSeconds = 5;
inline constexpr int kMaxIntervalSeconds = 3600;

// floor(p^2 / 500) * 5 + 5 seconds, at most one hour. Positions outside 1..600 are clamped.
[[nodiscard]] int sliderSeconds(int position);

// The slider position the buttons move to for `seconds`: the whole number nearest to
// sqrt(seconds * 100 - 5), halves to even, kept within 1..600.
[[nodiscard]] int sliderPositionFor(int seconds);

// "1 Min 30s" for 90 seconds.
[[nodiscard]] std::string intervalLabel(long long seconds);

class IntervalScale {
public:
    explicit IntervalScale(int position = kSliderMinPosition) { setPosition(position); }

    // The user moved the slider: the interval follows the scale.
    void setPosition(int position);
    // "<": one second less, never below 6 s by button; the slider follows when above 5.
    void stepDown();
    // ">": one second more, at most one hour; the slider follows when below 600.
    void stepUp();

    [[nodiscard]] int position() const { return position_; }
    [[nodiscard]] int seconds() const { return seconds_; }
    [[nodiscard]] std::string label() const { return intervalLabel(seconds_); }

private:
    int position_ = kSliderMinPosition;
    int seconds_ = kMinIntervalSeconds;
};

} // namespace orv
