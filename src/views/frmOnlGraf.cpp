#include "views/frmOnlGraf.h"

#include "platform/ScreenTwips.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "views/LiveRules.h"
#include "views/OnlineChart.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

namespace orv {

frmOnlGraf::frmOnlGraf(ModMain& app, QWidget* parent) : QWidget(parent), app_(app) {
    setObjectName(QStringLiteral("frmOnlGraf"));
    chart_ = new OnlineChart(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chart_);
    Timer1_.setInterval(10000);
    connect(&Timer1_, &QTimer::timeout, this, &frmOnlGraf::Timer1_Timer);
    Timer1_.start();
}

frmOnlGraf* frmOnlGraf::open(ModMain& app, QMdiArea& area) {
    auto* chart = new frmOnlGraf(app);
    QMdiSubWindow* sub = area.addSubWindow(chart);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName(QStringLiteral("frmOnlGrafWindow"));
    const ScreenDpi dpi = screenDpi(&area);
    sub->setGeometry(twipsToPixels(readSetting(app.ini, keys::GrafWindowLeft), dpi.x),
                     twipsToPixels(readSetting(app.ini, keys::GrafWindowTop), dpi.y),
                     twipsToPixels(readSetting(app.ini, keys::GrafWindowWidth), dpi.x),
                     twipsToPixels(readSetting(app.ini, keys::GrafWindowHeight), dpi.y));
    chart->applyLanguage();
    // The history the program already holds shows at once, not only after the first tick.
    chart->Timer1_Timer();
    return chart;
}

void frmOnlGraf::applyLanguage() {
    // The caption of the design's tag 42; a child window takes it on its frame.
    const QString title = QString::fromStdString(app_.text(183));
    setWindowTitle(title);
    if (QMdiSubWindow* sub = subWindow()) {
        sub->setWindowTitle(title);
    }
}

QMdiSubWindow* frmOnlGraf::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void frmOnlGraf::Timer1_Timer() {
    chart_->setSnapshot(takeChartSnapshot(app_.measurement.onlineData(), app_.locale));
    ++redraws_;
    emit redrawn();
}

void frmOnlGraf::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        Timer1_.stop();
        if (QMdiSubWindow* sub = subWindow(); sub && !sub->isMinimized() && !sub->isMaximized()) {
            const ScreenDpi dpi = screenDpi(sub);
            const QRect g = sub->geometry();
            const auto tw = [](int px, double d) {
                return static_cast<std::int32_t>(pixelsToTwips(px, d));
            };
            writeSetting(app_.ini, keys::GrafWindowLeft, tw(g.x(), dpi.x));
            writeSetting(app_.ini, keys::GrafWindowTop, tw(g.y(), dpi.y));
            writeSetting(app_.ini, keys::GrafWindowWidth, tw(g.width(), dpi.x));
            writeSetting(app_.ini, keys::GrafWindowHeight, tw(g.height(), dpi.y));
        }
        emit closed();
    }
    event->accept();
}

} // namespace orv
