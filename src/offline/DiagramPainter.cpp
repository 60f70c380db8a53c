#include "offline/DiagramPainter.h"

#include "offline/AxisLabels.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLineF>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {
namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QPen hairline(const QColor& colour) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// Cuts the line a-b to the rectangle (Liang-Barsky); false when nothing of it is inside.
bool clipLine(QPointF& a, QPointF& b, const QRectF& r) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double t0 = 0;
    double t1 = 1;
    auto edge = [&](double p, double q) {
        if (p == 0) {
            return q >= 0;
        }
        const double t = q / p;
        if (p < 0) {
            if (t > t1) {
                return false;
            }
            t0 = std::max(t0, t);
        } else {
            if (t < t0) {
                return false;
            }
            t1 = std::min(t1, t);
        }
        return true;
    };
    if (!edge(-dx, a.x() - r.left()) || !edge(dx, r.right() - a.x()) ||
        !edge(-dy, a.y() - r.top()) || !edge(dy, r.bottom() - a.y())) {
        return false;
    }
    const QPointF start = a;
    a = start + QPointF(dx * t0, dy * t0);
    b = start + QPointF(dx * t1, dy * t1);
    return true;
}

} // namespace

QFont diagramFont() {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(8.25);
    return font;
}

DiagramPainter::DiagramPainter(QSizeF pixels, double dpiX, double dpiY)
    : pixels_(pixels), dpiX_(dpiX > 0 ? dpiX : 96.0), dpiY_(dpiY > 0 ? dpiY : 96.0) {}

DiagramGeometry DiagramPainter::geometry() const {
    return {xTwips(pixels_.width()), yTwips(pixels_.height())};
}

void DiagramPainter::paint(QPainter& p, const DiagramContent& content,
                           const LocaleFormat& locale) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(QRectF(QPointF(0, 0), pixels_), Qt::white);
    p.setFont(diagramFont());
    const QFontMetricsF metrics(p.font(), p.device());
    const QPalette palette = QGuiApplication::palette();
    const QColor textColour = Qt::black;
    const DiagramGeometry g = geometry();
    auto at = [this](PointTw t) {
        return QPointF(xPixels(t.x), yPixels(t.y));
    };
    // Texts are placed by their top-left corner.
    auto text = [&](QPointF topLeft, const std::string& s) {
        p.setPen(textColour);
        p.drawText(topLeft + QPointF(0, metrics.ascent()), qs(s));
    };

    if (!content.message.empty()) {
        text(at(g.centredMessage()), content.message);
        p.restore();
        return;
    }
    if (content.data == nullptr || !content.view.drawable()) {
        p.restore();
        return;
    }

    // Frame and grid: one-pixel boxes on device pixels, sharp at any pixel ratio.
    const double ratio = p.device() != nullptr ? p.device()->devicePixelRatioF() : 1.0;
    auto snap = [ratio](double v) {
        return std::floor(v * ratio) / ratio;
    };
    const double pixel = 1.0 / ratio;
    const double top = snap(yPixels(g.top()));
    const double bottom = snap(yPixels(g.bottom()));
    const double leftEdge = snap(xPixels(g.left()));
    const double rightEdge = snap(xPixels(g.right()));
    auto vertical = [&](double x, const QColor& c) {
        p.fillRect(QRectF(snap(xPixels(x)), top, pixel, bottom - top + pixel), c);
    };
    const QColor frameColour = palette.color(QPalette::ButtonText);
    const QColor gridColour = QColor::fromRgb(diagram_colour::kGrid);
    vertical(g.left(), frameColour);
    vertical(g.right(), frameColour);
    for (int i = 1; i < DiagramGeometry::kGridDivisions; ++i) {
        vertical(g.verticalGridX(i), gridColour);
    }
    for (int i = 0; i <= DiagramGeometry::kGridDivisions; ++i) {
        const double y = snap(yPixels(g.horizontalGridY(i)));
        p.fillRect(QRectF(leftEdge, y, rightEdge - leftEdge + pixel, pixel), gridColour);
    }

    // Labels: time and date under the grid, values on the left (a label too wide for the margin
    // ends at the frame instead of running into the plot).
    const LogHeader& header = content.data->header();
    const TimeGrid grid{header.startTime, header.interval};
    for (const AxisLabel& label :
         timeAxisLabels(g, content.view, grid, content.showTime, content.showDate, locale)) {
        text(at(label.at), label.text);
    }
    for (const AxisLabel& label : valueAxisLabels(g, content.scale, locale)) {
        QPointF topLeft = at(label.at);
        const double width = metrics.horizontalAdvance(qs(label.text));
        topLeft.setX(std::max(0.0, std::min(topLeft.x(), xPixels(g.left()) - width)));
        text(topLeft, label.text);
    }

    // Legend.
    const QColor outline = palette.color(QPalette::WindowText);
    for (const int entry : {1, 2}) {
        const RectTw box = g.legendSwatch(entry);
        const QRectF swatch = QRectF(at(box.from), at(box.to)).normalized();
        p.fillRect(swatch, QColor::fromRgb(entry == 1 ? diagram_colour::kTemperature
                                                      : diagram_colour::kChannel2));
        p.setPen(hairline(outline));
        p.setBrush(Qt::NoBrush);
        p.drawRect(swatch);
        text(at(g.legendText(entry)),
             entry == 1 ? temperatureLegend(content.tempUnitText)
                        : channel2Legend(content.ch2UnitText, content.languageCode));
    }

    // Alarm intervals from their start to their end (an alarm still on when the recording ended
    // runs to the last record), cut at the plot's edges; a short one keeps one pixel.
    if (header.interval > 0) {
        const double lastTime =
            header.recordTime(std::max<std::int64_t>(0, content.data->size() - 1));
        const auto xOfTime = [&](double t) {
            const double k = (t - header.startTime) * 86400.0 / header.interval;
            return xPixels(xOfRecord(k, g, content.view));
        };
        for (const AlarmInterval& a : content.alarms) {
            const double x0 = std::max(xOfTime(a.start), leftEdge);
            const double x1 = std::min(std::max(xOfTime(a.endOr(lastTime)), x0 + pixel), rightEdge);
            if (x1 > x0) {
                p.fillRect(QRectF(x0, top, x1 - x0, bottom - top),
                           QColor::fromRgba(diagram_colour::kAlarm));
            }
        }
    }

    paintCurve(p, content, Channel::Temperature, diagram_colour::kTemperature);
    paintCurve(p, content, Channel::Channel2, diagram_colour::kChannel2);

    // Markers: from a little above the plot area down to its bottom edge.
    auto marker = [&](const std::optional<std::int64_t>& record, QRgb colour) {
        if (!record) {
            return;
        }
        const double x = xPixels(xOfRecord(static_cast<double>(*record), g, content.view));
        if (x < 0 || x > pixels_.width()) {
            return;
        }
        p.setPen(hairline(QColor::fromRgb(colour)));
        p.drawLine(QPointF(x, yPixels(DiagramGeometry::kMarkerLineTop)),
                   QPointF(x, yPixels(g.plotHeight() + DiagramGeometry::kTop)));
    };
    marker(content.markerLeft, diagram_colour::kMarkerLeft);
    marker(content.markerRight, diagram_colour::kMarkerRight);

    if (content.rubberBand) {
        p.setPen(hairline(QColor::fromRgb(diagram_colour::kRubberBand)));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(at(content.rubberBand->from), at(content.rubberBand->to)).normalized());
    }
    p.restore();
}

void DiagramPainter::paintCurve(QPainter& p, const DiagramContent& content, Channel channel,
                                QRgb colour) const {
    const LogData& data = *content.data;
    const ViewRange& view = content.view;
    const DiagramGeometry g = geometry();
    const double plotHeight = g.plotHeight();
    const double left = xPixels(g.left());
    const double width = xPixels(g.plotWidth());
    const double top = yPixels(g.top());
    const QRectF area(left, top, width, yPixels(g.top() + plotHeight) - top);
    if (width <= 0 || area.height() <= 0) {
        return;
    }
    const double ratio = p.device() != nullptr ? p.device()->devicePixelRatioF() : 1.0;
    // One column per device pixel of the plot area's width.
    const auto columns =
        static_cast<std::size_t>(std::clamp(std::ceil(width * ratio), 1.0, 65536.0));
    std::vector<ColumnSpan> spans(columns);
    data.reduce(channel, view.start, view.count, spans);

    const double steps = static_cast<double>(view.count - 1);
    auto xOf = [&](std::int64_t record) {
        return left + width * static_cast<double>(record - view.start) / steps;
    };
    auto yOf = [&](float v) {
        return yPixels(g.top() + content.scale.yOffsetOf(v, plotHeight));
    };

    // The vertical extent of each column is a one-pixel-wide box, snapped to device pixels: boxes
    // take the painter's fast fill path, where thousands of long hairlines would each be stroked.
    auto snap = [ratio](double v) {
        return std::floor(v * ratio) / ratio;
    };
    const double pixel = 1.0 / ratio;
    std::vector<QLineF> lines;
    std::vector<QRectF> boxes;
    lines.reserve(columns);
    boxes.reserve(columns);
    float prev = std::numeric_limits<float>::quiet_NaN();
    std::int64_t prevIndex = 0;
    std::size_t prevColumn = columns;
    for (std::size_t c = 0; c < columns; ++c) {
        const ColumnSpan& s = spans[c];
        if (s.empty()) {
            continue;
        }
        // From the previous column's last record to this column's first: a gap breaks the curve.
        // Between neighbouring columns of many records the step is drawn as part of this
        // column's box; elsewhere (zoomed in) it is a line between the two records.
        const bool joined = std::isfinite(prev) && std::isfinite(s.first);
        const bool step = joined && prevColumn + 1 == c && s.lastIndex > s.firstIndex;
        if (joined && !step) {
            QPointF a(xOf(prevIndex), yOf(prev));
            QPointF b(xOf(s.firstIndex), yOf(s.first));
            if (std::isfinite(a.y()) && std::isfinite(b.y()) && clipLine(a, b, area)) {
                lines.emplace_back(a, b);
            }
        }
        // Every value of the column between its extremes.
        if (std::isfinite(s.min) && std::isfinite(s.max)) {
            const double x =
                s.firstIndex == s.lastIndex
                    ? xOf(s.firstIndex)
                    : left + width * (static_cast<double>(c) + 0.5) / static_cast<double>(columns);
            double y1 = yOf(s.max);
            double y2 = yOf(s.min);
            if (step) {
                const double from = yOf(prev);
                y1 = std::min(y1, from);
                y2 = std::max(y2, from);
            }
            y1 = std::max(y1, area.top());
            y2 = std::min(y2, area.bottom());
            if (y1 <= y2 && x >= area.left() && x <= area.right()) {
                const double boxTop = snap(y1);
                boxes.emplace_back(snap(x), boxTop, pixel, snap(y2) - boxTop + pixel);
            }
        }
        prev = s.last;
        prevIndex = s.lastIndex;
        prevColumn = c;
    }
    const QColor ink = QColor::fromRgb(colour);
    for (const QRectF& box : boxes) {
        p.fillRect(box, ink);
    }
    p.setPen(hairline(ink));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
}

QImage renderDiagram(QSize pixels, const DiagramContent& content, const LocaleFormat& locale,
                     double dpi) {
    QImage image(pixels, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    DiagramPainter(QSizeF(pixels), dpi, dpi).paint(painter, content, locale);
    return image;
}

} // namespace orv
