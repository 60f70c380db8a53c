#include "offline/DiagramView.h"

#include "platform/ScreenTwips.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace orv {

DiagramView::DiagramView(const LocaleFormat& locale, QWidget* parent)
    : QWidget(parent), locale_(locale) {
    setObjectName(QStringLiteral("plot"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void DiagramView::setContent(DiagramContent content) {
    content_ = std::move(content);
    update();
}

DiagramPainter DiagramView::painter() const {
    const ScreenDpi dpi = screenDpi(this);
    return {QSizeF(size()), dpi.x, dpi.y};
}

PointTw DiagramView::toTwips(QPointF pixels) const {
    const DiagramPainter p = painter();
    return {p.xTwips(pixels.x()), p.yTwips(pixels.y())};
}

PointTw DiagramView::pointerTwips(QPointF position) const {
    // The painter draws a column's extremes in the device pixel that holds the column's centre
    // (a lone record in the pixel that holds its position), so the pointer stands for the centre
    // of the device pixel under it: that maps back into the column drawn there.
    const double ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    auto centre = [ratio](double v) {
        return (std::floor(v * ratio) + 0.5) / ratio;
    };
    return toTwips({centre(position.x()), centre(position.y())});
}

QPointF DiagramView::toPixels(PointTw twips) const {
    const DiagramPainter p = painter();
    return {p.xPixels(twips.x), p.yPixels(twips.y)};
}

void DiagramView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    painter().paint(p, content_, locale_);
}

void DiagramView::mousePressEvent(QMouseEvent* event) {
    const MouseButton button = event->button() == Qt::LeftButton    ? MouseButton::Left
                               : event->button() == Qt::RightButton ? MouseButton::Right
                                                                    : MouseButton::Other;
    const PointTw at = pointerTwips(event->position());
    emit mouseDown(button, at.x, at.y);
}

void DiagramView::mouseMoveEvent(QMouseEvent* event) {
    const PointTw at = pointerTwips(event->position());
    emit mouseMoved(at.x, at.y);
}

} // namespace orv
