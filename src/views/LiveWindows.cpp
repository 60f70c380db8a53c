#include "views/LiveWindows.h"

#include "alarms/AlarmColour.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "views/DerivedLine.h"
#include "views/frmMonitor.h"
#include "views/frmOnlGraf.h"
#include "views/frmOnline.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace orv {

LiveWindows::LiveWindows(ModMain& app, QWidget& mainWindow, QMdiArea& area, Items items)
    : QObject(&mainWindow), app_(app), mainWindow_(mainWindow), area_(area), items_(items) {
    for (QAction* item : {items_.mnuOnline, items_.mnuMon, items_.mnuOnlGraf, items_.chartButton}) {
        item->setEnabled(true);
    }
    // The marks follow the windows only: a click asks for the other state, the window decides.
    connect(items_.mnuOnline, &QAction::triggered, this, &LiveWindows::mnuOnline_Click);
    connect(items_.mnuMon, &QAction::triggered, this, &LiveWindows::mnuMon_Click);
    connect(items_.mnuOnlGraf, &QAction::triggered, this, &LiveWindows::mnuOnlGraf_Click);
    connect(items_.chartButton, &QAction::triggered, this, &LiveWindows::mnuOnlGraf_Click);
}

LiveWindows::~LiveWindows() {
    // The separate window has no parent; it goes with the main window.
    delete online_.data();
}

frmOnline* LiveWindows::online() const {
    return online_;
}

frmOnlGraf* LiveWindows::chart() const {
    return chart_;
}

frmMonitor* LiveWindows::monitor() const {
    return monitor_;
}

void LiveWindows::mnuOnline_Click() {
    if (online_) {
        online_->close(); // clears the mark
    } else {
        openOnline();
    }
}

void LiveWindows::mnuMon_Click() {
    if (monitor_) {
        monitor_->subWindow()->close(); // clears the mark
    } else {
        openMonitor();
    }
}

void LiveWindows::mnuOnlGraf_Click() {
    // Hiding keeps the chart loaded with what it shows; showing again brings it back as it was.
    const bool shown = chart_ && chart_->subWindow() && chart_->subWindow()->isVisible();
    if (shown) {
        chart_->subWindow()->hide();
        items_.mnuOnlGraf->setChecked(false);
    } else {
        showChart();
    }
}

void LiveWindows::openOnline() {
    mainWindow_.showMinimized();
    auto* window = new frmOnline(app_);
    online_ = window;
    connect(window, &frmOnline::closed, this, [this] {
        online_ = nullptr; // deleted later; closed now
        items_.mnuOnline->setChecked(false);
    });
    items_.mnuOnline->setChecked(true);
    setAlarmColours(alarm_[0], alarm_[1]);
    window->show();
    window->raise();
    window->activateWindow();
}

void LiveWindows::openMonitor() {
    frmMonitor* window = frmMonitor::open(app_, area_);
    monitor_ = window;
    connect(window, &frmMonitor::closed, this, [this] {
        monitor_ = nullptr;
        items_.mnuMon->setChecked(false);
    });
    items_.mnuMon->setChecked(true);
    window->subWindow()->show();
}

void LiveWindows::showChart() {
    if (!chart_) {
        frmOnlGraf* window = frmOnlGraf::open(app_, area_);
        chart_ = window;
        connect(window, &frmOnlGraf::closed, this, [this] {
            chart_ = nullptr;
            items_.mnuOnlGraf->setChecked(false);
        });
    }
    items_.mnuOnlGraf->setChecked(true);
    chart_->subWindow()->show();
    area_.setActiveSubWindow(chart_->subWindow());
}

void LiveWindows::restoreFromSettings() {
    if (readSetting(app_.ini, keys::MainWindowGraph)) {
        showChart();
    }
    if (readSetting(app_.ini, keys::MainWindowMonitor)) {
        openMonitor();
    }
    if (readSetting(app_.ini, keys::MainWindowOnline)) {
        openOnline();
    }
}

bool LiveWindows::closeChart() {
    const bool shown = items_.mnuOnlGraf->isChecked();
    if (chart_) {
        chart_->subWindow()->close();
    }
    return shown;
}

void LiveWindows::closeOnlineWindow() {
    if (online_) {
        online_->close();
    }
}

void LiveWindows::languageApplied() {
    if (chart_) {
        chart_->applyLanguage();
    }
    if (online_) {
        online_->showCurrentValues();
    }
}

void LiveWindows::onlineLabelChanged(int index, const std::string& text) {
    if (!online_) {
        return;
    }
    online_->setValueText(index, text);
    // Both values are written on every frame and tick, channel 2 last.
    if (index == 1 && online_->derivedShown()) {
        const Measurement& m = app_.measurement;
        online_->setDerivedText(
            text == "--.-"
                ? text
                : derivedLineText(m.values(), m.settings().unit,
                                  parsePressureHpa(readSetting(app_.ini, keys::HumidityPressure))
                                      .value_or(kStandardPressureHpa),
                                  app_.locale));
    }
}

void LiveWindows::setAlarmColours(bool temperature, bool channel2) {
    alarm_[0] = temperature;
    alarm_[1] = channel2;
    if (online_) {
        showAlarmColour(online_->lblSen(0), temperature);
        showAlarmColour(online_->lblSen(1), channel2);
    }
}

void LiveWindows::onlineCaptionChanged(const std::string& text) {
    if (online_) {
        online_->setCaption(text);
    }
}

void LiveWindows::monitorTextChanged(const std::string& text) {
    if (monitor_) {
        monitor_->showMonitorText(text);
    }
}

} // namespace orv
