#pragma once

#include "alarms/AlarmWatch.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>
#include <vector>

class QSystemTrayIcon;
class QWidget;

namespace orv {

class ModMain;
class Prompts;

// The program's alarms: the rules of the settings file, watched on every sample the measurement
// stores. When an alarm starts it beeps and says so in a desktop notification (a tray message
// where the desktop has a tray, the status bar otherwise); while a recording runs, every start
// and end goes into the recording's events file.
class AlarmMonitor final : public QObject {
    Q_OBJECT
public:
    AlarmMonitor(ModMain& app, Prompts& prompts, QWidget* owner);
    ~AlarmMonitor() override;

    // Start: the rules of section Alarms. Rules that cannot be read are named in one message
    // and left out; the others work.
    void loadFromSettings();
    // Preferences > Alarms: OK stores the rules and puts them to work at once.
    void mnuAlarms_Click();
    // Takes these rule texts into use (the unreadable ones are left out).
    void setRules(const std::vector<std::string>& texts);
    [[nodiscard]] const std::vector<std::string>& ruleTexts() const { return texts_; }

    // The measurement stored a sample (a good frame or a no-data tick). `recordingPath` is the
    // log being recorded, empty when none.
    void sampleStored(const std::string& recordingPath, double recordingStart);

    // Some rule on this quantity is on; a silent sensor counts for every quantity.
    [[nodiscard]] bool inAlarm(AlarmQuantity q) const;
    [[nodiscard]] const AlarmWatch& watch() const { return watch_; }

signals:
    // An alarm started or ended: colours must follow.
    void alarmsChanged();
    // Alarms started or ended (also by new rules), in order.
    void eventsTaken(const std::vector<orv::AlarmEvent>& events);
    // A text for the status bar of the main window.
    void statusMessage(const QString& text);

private:
    void report(const std::vector<AlarmEvent>& events);
    [[nodiscard]] QString eventText(const AlarmEvent& e) const;

    ModMain& app_;
    Prompts& prompts_;
    QWidget* owner_;
    AlarmWatch watch_;
    std::vector<std::string> texts_;
    QPointer<QSystemTrayIcon> tray_;
    std::string reportedError_;
};

} // namespace orv
