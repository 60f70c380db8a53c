#pragma once

#include <cstdint>

class QWidget;

namespace orv {

// Window positions and sizes are stored in twips (1/1440 inch), so a placement means the same on
// screens of different pixel density. Conversion uses the screen's logical DPI.
inline constexpr int kTwipsPerInch = 1440;

struct ScreenDpi {
    double x = 96.0;
    double y = 96.0;
};

// Rounded to the nearest pixel / twip.
[[nodiscard]] int twipsToPixels(std::int64_t twips, double dpi);
[[nodiscard]] std::int64_t pixelsToTwips(int pixels, double dpi);

// The logical DPI of the screen `widget` is on (the primary screen for null or a widget that has
// no screen yet); 96 when there is no screen at all.
[[nodiscard]] ScreenDpi screenDpi(const QWidget* widget);

} // namespace orv
