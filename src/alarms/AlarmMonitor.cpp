#include "alarms/AlarmMonitor.h"

#include "alarms/AlarmSettings.h"
#include "alarms/dlgAlarms.h"
#include "core/Clock.h"
#include "core/LocaleFormat.h"
#include "platform/Prompts.h"
#include "state/ModMain.h"

#include <QSystemTrayIcon>
#include <QWidget>

namespace orv {

AlarmMonitor::AlarmMonitor(ModMain& app, Prompts& prompts, QWidget* owner)
    : QObject(owner), app_(app), prompts_(prompts), owner_(owner) {}

AlarmMonitor::~AlarmMonitor() = default;

void AlarmMonitor::loadFromSettings() {
    const std::vector<std::string> texts = readAlarmRuleTexts(app_.ini);
    const AlarmRuleSet set = parseAlarmRules(texts);
    if (!set.refused.empty()) {
        std::string text = app_.text(368, "Invalid alarm rule in the settings; it is skipped:");
        for (const AlarmRuleError& e : set.refused) {
            text += "\n" + alarmRuleErrorText(e, &app_.strings);
        }
        prompts_.message(app_.text(353, "Alarms"), text, Prompts::Icon::Exclamation,
                         Prompts::Buttons::Ok);
    }
    setRules(texts);
}

void AlarmMonitor::mnuAlarms_Click() {
    dlgAlarms dialog(app_.strings, texts_, owner_);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::vector<std::string> texts = dialog.rules();
    writeAlarmRuleTexts(app_.ini, texts);
    setRules(texts);
}

void AlarmMonitor::setRules(const std::vector<std::string>& texts) {
    texts_ = texts;
    report(watch_.setRules(parseAlarmRules(texts).rules, app_.clock.now()));
    emit alarmsChanged();
}

void AlarmMonitor::sampleStored(const std::string& recordingPath, double recordingStart) {
    if (watch_.empty()) {
        return;
    }
    watch_.followRecording(recordingPath, recordingStart);
    report(watch_.sampleStored(app_.measurement, app_.clock.now()));
    if (!watch_.lastError().empty() && watch_.lastError() != reportedError_) {
        reportedError_ = watch_.lastError();
        emit statusMessage(QString::fromStdString(reportedError_));
    }
}

bool AlarmMonitor::inAlarm(AlarmQuantity q) const {
    const AlarmEvaluator& e = watch_.evaluator();
    return e.anyActive(q) || e.anyActive(AlarmQuantity::Silence);
}

QString AlarmMonitor::eventText(const AlarmEvent& e) const {
    std::string text = app_.text(e.start ? 358 : 359, e.start ? "Alarm: " : "Alarm over: ");
    text += e.ruleText;
    if (e.value) {
        text += " (" + formatFixed(app_.locale, *e.value, 1) + ")";
    }
    return QString::fromStdString(text);
}

void AlarmMonitor::report(const std::vector<AlarmEvent>& events) {
    if (events.empty()) {
        return;
    }
    emit eventsTaken(events);
    bool started = false;
    for (const AlarmEvent& e : events) {
        const QString text = eventText(e);
        if (e.start && QSystemTrayIcon::isSystemTrayAvailable()) {
            if (!tray_) {
                tray_ = new QSystemTrayIcon(owner_->windowIcon(), this);
                tray_->setToolTip(owner_->windowTitle());
                tray_->show();
            }
            tray_->showMessage(QString::fromStdString(app_.text(353, "Alarms")), text,
                               QSystemTrayIcon::Warning);
        }
        emit statusMessage(text);
        started = started || e.start;
    }
    if (started) {
        prompts_.beep();
    }
    emit alarmsChanged();
}

} // namespace orv
