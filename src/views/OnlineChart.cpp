#include "views/OnlineChart.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace orv {

namespace {

QString axisNumber(double value, int decimals) {
    return QLocale().toString(value, 'f', decimals);
}

QString trimmedUnit(const std::string& unit) {
    return QString::fromStdString(unit).trimmed();
}

} // namespace

OnlineChart::OnlineChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MSChart1"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setMinimumSize(160, 100);
}

const QColor& OnlineChart::temperatureColor() {
    static const QColor c(0xC0, 0x20, 0x20);
    return c;
}

const QColor& OnlineChart::channel2Color() {
    static const QColor c(0x20, 0x50, 0xC0);
    return c;
}

void OnlineChart::setSnapshot(ChartSnapshot snapshot) {
    snapshot_ = std::move(snapshot);
    update();
}

QString OnlineChart::seriesLabel(int series) const {
    return trimmedUnit(series == 0 ? snapshot_.tempUnit : snapshot_.ch2Unit);
}

void OnlineChart::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = painter.fontMetrics();
    const ChartSnapshot& s = snapshot_;
    const bool shared = s.sharedScale();

    const ValueAxis left =
        shared ? valueAxis({&s.temperature, &s.channel2}) : valueAxis({&s.temperature});
    const ValueAxis right = shared ? left : valueAxis({&s.channel2});

    auto axisWidth = [&](const ValueAxis& a) {
        int w = 0;
        for (double v = a.min; v <= a.max + a.step / 2; v += a.step) {
            w = std::max(w, fm.horizontalAdvance(axisNumber(v, a.decimals())));
        }
        return w + 8;
    };
    const int lineH = fm.height();
    const QRect plot =
        rect().adjusted(axisWidth(left) + 4, lineH + 8, -(axisWidth(right) + 4), -(2 * lineH + 6));
    if (plot.width() < 20 || plot.height() < 20) {
        return;
    }

    // Legend: the unit of each series in its colour.
    int x = plot.left();
    for (int series = 0; series < 2; ++series) {
        const QColor& c = series == 0 ? temperatureColor() : channel2Color();
        QString label = seriesLabel(series);
        if (label.isEmpty()) {
            continue;
        }
        painter.setPen(QPen(c, 3));
        painter.drawLine(x, 4 + lineH / 2, x + 18, 4 + lineH / 2);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(x + 22, 4 + fm.ascent(), label);
        x += 22 + fm.horizontalAdvance(label) + 16;
    }

    // Grid and scales.
    const QColor grid(0xD8, 0xD8, 0xD8);
    auto yOf = [&](const ValueAxis& a, double v) {
        return plot.bottom() - (v - a.min) / (a.max - a.min) * plot.height();
    };
    const double xStep = static_cast<double>(plot.width()) / (ChartSnapshot::kPoints - 1);
    auto xOf = [&](int i) {
        return plot.left() + i * xStep;
    };

    for (double v = left.min; v <= left.max + left.step / 2; v += left.step) {
        const double y = yOf(left, v);
        painter.setPen(grid);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(shared ? palette().color(QPalette::WindowText) : temperatureColor());
        const QString t = axisNumber(v, left.decimals());
        painter.drawText(QPointF(plot.left() - 6 - fm.horizontalAdvance(t), y + fm.ascent() / 2.5),
                         t);
    }
    for (double v = right.min; v <= right.max + right.step / 2; v += right.step) {
        const double y = yOf(right, v);
        painter.setPen(shared ? palette().color(QPalette::WindowText) : channel2Color());
        painter.drawText(QPointF(plot.right() + 6, y + fm.ascent() / 2.5),
                         axisNumber(v, right.decimals()));
    }

    // Time labels: as many as fit, at evenly spaced labelled points.
    int labelWidth = 0;
    for (const std::string& label : s.timeLabels) {
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(QString::fromStdString(label)));
    }
    if (labelWidth > 0) {
        const int fit = std::max(1, plot.width() / (labelWidth + 16));
        const int every = std::max(1, (ChartSnapshot::kPoints + fit - 1) / fit);
        painter.setPen(palette().color(QPalette::WindowText));
        for (int i = ChartSnapshot::kPoints - 1; i >= 0; i -= every) {
            const QString t = QString::fromStdString(s.timeLabels[static_cast<std::size_t>(i)]);
            if (t.isEmpty()) {
                continue;
            }
            const double px = xOf(i);
            painter.setPen(grid);
            painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
            painter.setPen(palette().color(QPalette::WindowText));
            const double tx = std::clamp(px - fm.horizontalAdvance(t) / 2.0, 0.0,
                                         static_cast<double>(width() - fm.horizontalAdvance(t)));
            painter.drawText(QPointF(tx, plot.bottom() + 4 + fm.ascent()), t);
        }
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot);

    // The curves, broken wherever a point has no value.
    auto drawSeries = [&](const std::array<std::optional<float>, ChartSnapshot::kPoints>& values,
                          const ValueAxis& axis, const QColor& colour) {
        painter.setPen(QPen(colour, 2));
        for (const PointRun& run : valueRuns(values)) {
            if (run.first == run.last) {
                const auto v = *values[static_cast<std::size_t>(run.first)];
                painter.setBrush(colour);
                painter.drawEllipse(QPointF(xOf(run.first), yOf(axis, v)), 2.5, 2.5);
                painter.setBrush(Qt::NoBrush);
                continue;
            }
            QPainterPath path;
            for (int i = run.first; i <= run.last; ++i) {
                const QPointF p(xOf(i), yOf(axis, *values[static_cast<std::size_t>(i)]));
                if (i == run.first) {
                    path.moveTo(p);
                } else {
                    path.lineTo(p);
                }
            }
            painter.drawPath(path);
        }
    };
    painter.setClipRect(plot.adjusted(-3, -3, 3, 3));
    drawSeries(s.temperature, left, temperatureColor());
    drawSeries(s.channel2, right, channel2Color());
}

} // namespace orv
