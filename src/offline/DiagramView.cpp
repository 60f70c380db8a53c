#include "offline/DiagramView.h"

#include "platform/ScreenTwips.h"

#include <QMouseEvent>
#include <QPainter>

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
    const PointTw at = toTwips(event->position());
    emit mouseDown(button, at.x, at.y);
}

void DiagramView::mouseMoveEvent(QMouseEvent* event) {
    const PointTw at = toTwips(event->position());
    emit mouseMoved(at.x, at.y);
}

} // namespace orv
