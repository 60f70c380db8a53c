#include "alarms/AlarmColour.h"

#include <QVariant>
#include <QWidget>

namespace orv {

void showAlarmColour(QWidget* widget, bool alarm) {
    if (widget == nullptr || widget->property("alarm").toBool() == alarm) {
        return;
    }
    widget->setProperty("alarm", alarm);
    widget->setStyleSheet(alarm ? QStringLiteral("background-color: #c62828; color: white;")
                                : QString());
}

} // namespace orv
