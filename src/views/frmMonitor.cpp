#include "views/frmMonitor.h"

#include "platform/ScreenTwips.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"
#include "views/LiveRules.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cmath>

namespace orv {

namespace {

// The box: 3020 twips wide, as high as its nine lines need.
constexpr int kBoxWidthTwips = 3020;

} // namespace

frmMonitor::frmMonitor(ModMain& app, QWidget* parent) : QWidget(parent), app_(app) {
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("RS232-Monitor"));
    txtMon_ = new QPlainTextEdit(this);
    txtMon_->setObjectName(QStringLiteral("txtMon"));
    txtMon_->setReadOnly(true);
    txtMon_->setUndoRedoEnabled(false);
    txtMon_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtMon_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtMon_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtMon_->setWordWrapMode(QTextOption::WrapAnywhere);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    txtMon_->setFont(font);
    txtMon_->document()->setDocumentMargin(2);

    const QFontMetrics fm(font);
    const int frame = 2 * txtMon_->frameWidth();
    const int margins = 2 * 2;
    const int width = twipsToPixels(kBoxWidthTwips, screenDpi(this).x);
    const int height = kMonitorDisplayLines * fm.lineSpacing() + frame + margins + 2;
    txtMon_->setFixedSize(width, height);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtMon_);
    setFixedSize(width, height);

    app_.measurement.settings().MonitorActive = true;
}

frmMonitor::~frmMonitor() {
    if (!unloaded_) {
        app_.measurement.settings().MonitorActive = false;
    }
}

frmMonitor* frmMonitor::open(ModMain& app, QMdiArea& area) {
    auto* monitor = new frmMonitor(app);
    QMdiSubWindow* sub =
        area.addSubWindow(monitor, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setObjectName(QStringLiteral("frmMonitorWindow"));
    sub->setOption(QMdiSubWindow::RubberBandResize, false);
    sub->adjustSize();
    sub->setFixedSize(sub->sizeHint());
    const ScreenDpi dpi = screenDpi(&area);
    sub->move(twipsToPixels(readSetting(app.ini, keys::MonWindowLeft), dpi.x),
              twipsToPixels(readSetting(app.ini, keys::MonWindowTop), dpi.y));
    monitor->showMonitorText(app.measurement.MonitorText());
    return monitor;
}

QMdiSubWindow* frmMonitor::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

int frmMonitor::charsPerLine() const {
    const QFontMetricsF fm(txtMon_->font());
    const double usable = txtMon_->viewport()->width() - 2 * txtMon_->document()->documentMargin();
    return std::max(1, static_cast<int>(std::floor(usable / fm.horizontalAdvance(u'0'))));
}

void frmMonitor::showMonitorText(const std::string& text) {
    txtMon_->setPlainText(QString::fromStdString(monitorDisplayText(text, charsPerLine())));
    txtMon_->verticalScrollBar()->setValue(txtMon_->verticalScrollBar()->maximum());
}

void frmMonitor::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        app_.measurement.settings().MonitorActive = false;
        if (QMdiSubWindow* sub = subWindow()) {
            const ScreenDpi dpi = screenDpi(sub);
            writeSetting(app_.ini, keys::MonWindowLeft,
                         static_cast<std::int32_t>(pixelsToTwips(sub->x(), dpi.x)));
            writeSetting(app_.ini, keys::MonWindowTop,
                         static_cast<std::int32_t>(pixelsToTwips(sub->y(), dpi.y)));
        }
        emit closed();
    }
    event->accept();
}

} // namespace orv
