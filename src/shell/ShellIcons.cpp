#include "shell/ShellIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>

namespace orv {

namespace {

using Painter = std::function<void(QPainter&, double size)>;

QPixmap paint(int size, const Painter& draw) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    return pixmap;
}

QIcon iconFrom(const Painter& draw) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        icon.addPixmap(paint(size, draw));
    }
    return icon;
}

// Flags are 3:2 and centred vertically in the square.
QRectF flagRect(double s) {
    const double h = s * 2.0 / 3.0;
    return {0.5, (s - h) / 2.0, s - 1.0, h};
}

void germanFlag(QPainter& p, double s) {
    const QRectF r = flagRect(s);
    const double band = r.height() / 3.0;
    p.fillRect(QRectF(r.left(), r.top(), r.width(), band), QColor(0, 0, 0));
    p.fillRect(QRectF(r.left(), r.top() + band, r.width(), band), QColor(221, 0, 0));
    p.fillRect(QRectF(r.left(), r.top() + 2 * band, r.width(), band), QColor(255, 206, 0));
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void ukFlag(QPainter& p, double s) {
    const QRectF r = flagRect(s);
    const QColor blue(1, 33, 105), red(200, 16, 46);
    p.save();
    p.setClipRect(r);
    p.fillRect(r, blue);
    const double w = r.height() / 5.0;
    p.setPen(QPen(Qt::white, w, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
    p.setPen(QPen(red, w / 2.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
    const QPointF c = r.center();
    p.setPen(QPen(Qt::white, w * 5.0 / 3.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(r.left(), c.y()), QPointF(r.right(), c.y()));
    p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
    p.setPen(QPen(red, w, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(r.left(), c.y()), QPointF(r.right(), c.y()));
    p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
    p.restore();
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawRect(r);
}

// A sheet of paper with a folded corner, the base of the file pictures.
void sheet(QPainter& p, double s) {
    const double l = s * 0.18, t = s * 0.08, rgt = s * 0.78, b = s * 0.92, fold = s * 0.2;
    QPainterPath path;
    path.moveTo(l, t);
    path.lineTo(rgt - fold, t);
    path.lineTo(rgt, t + fold);
    path.lineTo(rgt, b);
    path.lineTo(l, b);
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 100, 115), qMax(1.0, s / 24.0)));
    p.setBrush(QColor(250, 251, 253));
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(rgt - fold, t);
    corner.lineTo(rgt - fold, t + fold);
    corner.lineTo(rgt, t + fold);
    p.setBrush(QColor(215, 222, 232));
    p.drawPath(corner);
}

void chartLine(QPainter& p, const QRectF& area, const QColor& colour, double width) {
    const QPolygonF curve{{area.left(), area.bottom() - area.height() * 0.2},
                          {area.left() + area.width() * 0.25, area.top() + area.height() * 0.45},
                          {area.left() + area.width() * 0.5, area.top() + area.height() * 0.65},
                          {area.left() + area.width() * 0.75, area.top() + area.height() * 0.15},
                          {area.right(), area.top() + area.height() * 0.35}};
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(curve);
}

void onlineChart(QPainter& p, double s) {
    const QRectF frame(s * 0.08, s * 0.12, s * 0.84, s * 0.76);
    p.setPen(QPen(QColor(70, 80, 95), qMax(1.0, s / 24.0)));
    p.setBrush(QColor(245, 249, 255));
    p.drawRoundedRect(frame, s * 0.06, s * 0.06);
    const QRectF inner = frame.adjusted(s * 0.1, s * 0.12, -s * 0.1, -s * 0.14);
    chartLine(p, inner, QColor(210, 40, 40), qMax(1.5, s / 12.0));
    chartLine(p,
              inner.translated(0, inner.height() * 0.25).adjusted(0, 0, 0, -inner.height() * 0.3),
              QColor(30, 110, 210), qMax(1.2, s / 16.0));
}

void viewFile(QPainter& p, double s) {
    sheet(p, s);
    const QRectF area(s * 0.26, s * 0.42, s * 0.42, s * 0.36);
    chartLine(p, area, QColor(30, 110, 210), qMax(1.2, s / 14.0));
}

void newFile(QPainter& p, double s) {
    sheet(p, s);
    const QPointF c(s * 0.7, s * 0.7);
    const double r = s * 0.2;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 150, 60));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(Qt::white, qMax(1.5, s / 11.0), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(c.x() - r * 0.55, c.y()), QPointF(c.x() + r * 0.55, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r * 0.55), QPointF(c.x(), c.y() + r * 0.55));
}

void startRecord(QPainter& p, double s) {
    QRadialGradient g(QPointF(s * 0.42, s * 0.4), s * 0.45);
    g.setColorAt(0, QColor(255, 110, 100));
    g.setColorAt(1, QColor(190, 20, 20));
    p.setPen(QPen(QColor(120, 10, 10), qMax(1.0, s / 24.0)));
    p.setBrush(g);
    p.drawEllipse(QPointF(s / 2, s / 2), s * 0.34, s * 0.34);
}

void stopRecord(QPainter& p, double s) {
    QLinearGradient g(0, s * 0.2, 0, s * 0.8);
    g.setColorAt(0, QColor(120, 130, 145));
    g.setColorAt(1, QColor(60, 68, 80));
    p.setPen(QPen(QColor(40, 45, 55), qMax(1.0, s / 24.0)));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(s * 0.2, s * 0.2, s * 0.6, s * 0.6), s * 0.06, s * 0.06);
}

Painter painterFor(ShellPicture picture) {
    switch (picture) {
    case ShellPicture::FlagGerman:
        return germanFlag;
    case ShellPicture::FlagUk:
        return ukFlag;
    case ShellPicture::OnlineChart:
        return onlineChart;
    case ShellPicture::ViewFile:
        return viewFile;
    case ShellPicture::NewFile:
        return newFile;
    case ShellPicture::StartRecord:
        return startRecord;
    case ShellPicture::StopRecord:
        return stopRecord;
    }
    return {};
}

// A thermometer beside a water drop: temperature and humidity.
void logo(QPainter& p, double s) {
    QLinearGradient bg(0, 0, s, s);
    bg.setColorAt(0, QColor(36, 99, 170));
    bg.setColorAt(1, QColor(18, 52, 105));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    const double tubeW = s * 0.12;
    const QRectF tube(s * 0.28, s * 0.14, tubeW, s * 0.52);
    p.setBrush(Qt::white);
    p.drawRoundedRect(tube, tubeW / 2, tubeW / 2);
    p.drawEllipse(QPointF(tube.center().x(), s * 0.72), s * 0.12, s * 0.12);
    p.setBrush(QColor(220, 40, 40));
    p.drawRect(QRectF(tube.left() + tubeW * 0.3, s * 0.34, tubeW * 0.4, s * 0.36));
    p.drawEllipse(QPointF(tube.center().x(), s * 0.72), s * 0.08, s * 0.08);

    QPainterPath drop;
    const double cx = s * 0.66, top = s * 0.26, r = s * 0.15;
    drop.moveTo(cx, top);
    drop.cubicTo(cx + r * 0.3, top + r * 0.9, cx + r, top + r * 1.5, cx + r, top + r * 2.1);
    drop.arcTo(QRectF(cx - r, top + r * 1.1, 2 * r, 2 * r), 0, -180);
    drop.cubicTo(cx - r, top + r * 1.5, cx - r * 0.3, top + r * 0.9, cx, top);
    p.setBrush(QColor(120, 200, 255));
    p.drawPath(drop);
}

} // namespace

QIcon shellIcon(ShellPicture picture) {
    return iconFrom(painterFor(picture));
}

QPixmap productLogo(int size) {
    return paint(size, logo);
}

QIcon productIcon() {
    return iconFrom(logo);
}

} // namespace orv
