#include "platform/ScreenTwips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace orv {

int twipsToPixels(std::int64_t twips, double dpi) {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

std::int64_t pixelsToTwips(int pixels, double dpi) {
    if (dpi <= 0) {
        return 0;
    }
    return std::llround(static_cast<double>(pixels) * kTwipsPerInch / dpi);
}

ScreenDpi screenDpi(const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (!screen) {
        return {};
    }
    return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

} // namespace orv
