#pragma once

class QWidget;

namespace orv {

// Paints a value box or label in the alarm colour (white on red), or back in its normal colours.
// The widget's property "alarm" tells which, for tests and style sheets.
void showAlarmColour(QWidget* widget, bool alarm);

} // namespace orv
