#pragma once

namespace orv {

class frmMain;

// The start sequence of the main window, step by step: settings and placement, the language
// (chosen on the very first run from the number format, with the about box and the interface
// dialog shown before the main window), the display settings, showing the window, and opening
// the sensor link. The settings folder must be known (ModMain::SettingsFolder) before it runs.
void runStartSequence(frmMain& window);

} // namespace orv
