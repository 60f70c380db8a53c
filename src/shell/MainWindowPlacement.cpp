#include "shell/MainWindowPlacement.h"

#include "platform/ScreenTwips.h"
#include "state/IniStore.h"
#include "state/SettingsKeys.h"

#include <QWidget>

namespace orv {

namespace {

constexpr int kMinWidthTwips = 8500;
constexpr int kMinHeightTwips = 3800;

constexpr int kNormal = 0;
constexpr int kMinimized = 1;
constexpr int kMaximized = 2;

} // namespace

void applyMinimumMainWindowSize(QWidget& window) {
    const ScreenDpi dpi = screenDpi(&window);
    window.setMinimumSize(twipsToPixels(kMinWidthTwips, dpi.x),
                          twipsToPixels(kMinHeightTwips, dpi.y));
}

int restoreMainWindowPlacement(QWidget& window, const IniStore& ini) {
    const int state = readSetting(ini, keys::MainWindowState);
    switch (state) {
    case kMinimized:
        window.setWindowState(Qt::WindowMinimized);
        return state;
    case kMaximized:
        window.setWindowState(Qt::WindowMaximized);
        return state;
    default:
        break;
    }
    window.setWindowState(Qt::WindowNoState);
    const ScreenDpi dpi = screenDpi(&window);
    window.move(twipsToPixels(readSetting(ini, keys::MainWindowLeft), dpi.x),
                twipsToPixels(readSetting(ini, keys::MainWindowTop), dpi.y));
    // The minimum size raises a smaller stored size.
    window.resize(twipsToPixels(readSetting(ini, keys::MainWindowWidth), dpi.x),
                  twipsToPixels(readSetting(ini, keys::MainWindowHeight), dpi.y));
    return kNormal;
}

int windowStateCode(const QWidget& window) {
    const Qt::WindowStates s = window.windowState();
    if (s.testFlag(Qt::WindowMinimized)) {
        return kMinimized;
    }
    if (s.testFlag(Qt::WindowMaximized) || s.testFlag(Qt::WindowFullScreen)) {
        return kMaximized;
    }
    return kNormal;
}

void saveMainWindowPlacement(const QWidget& window, IniStore& ini) {
    const int state = windowStateCode(window);
    // A hidden window has no meaningful rectangle (the program may be closed before it showed).
    if (state == kNormal && window.isVisible()) {
        const ScreenDpi dpi = screenDpi(&window);
        const QPoint pos = window.pos();
        writeSetting(ini, keys::MainWindowLeft,
                     static_cast<std::int32_t>(pixelsToTwips(pos.x(), dpi.x)));
        writeSetting(ini, keys::MainWindowTop,
                     static_cast<std::int32_t>(pixelsToTwips(pos.y(), dpi.y)));
        writeSetting(ini, keys::MainWindowWidth,
                     static_cast<std::int32_t>(pixelsToTwips(window.width(), dpi.x)));
        writeSetting(ini, keys::MainWindowHeight,
                     static_cast<std::int32_t>(pixelsToTwips(window.height(), dpi.y)));
    }
    writeSetting(ini, keys::MainWindowState, static_cast<std::int16_t>(state));
}

} // namespace orv
