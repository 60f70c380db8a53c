#pragma once

class QWidget;

namespace orv {

class IniStore;

// The main window's placement in the settings file: state 0 normal, 1 minimised, 2 maximised;
// left, top, width and height in twips, used only in the normal state. Width and height are the
// window's client size, left and top its frame position on the virtual desktop.

// The stored state, applied to the (not yet shown) window; in the normal state the stored
// rectangle as well. Returns the state code.
int restoreMainWindowPlacement(QWidget& window, const IniStore& ini);

// 0, 1 or 2 for the window's current state.
[[nodiscard]] int windowStateCode(const QWidget& window);

// Writes the rectangle (only in the normal state of a visible window) and the state.
void saveMainWindowPlacement(const QWidget& window, IniStore& ini);

// The smallest main window: 8500 x 3800 twips.
void applyMinimumMainWindowSize(QWidget& window);

} // namespace orv
