#pragma once

#include "offline/DiagramInteraction.h"
#include "offline/DiagramPainter.h"

#include <QWidget>

namespace orv {

// The picture box of a diagram window (`plot`): paints its content with the diagram painter at
// the screen's logical DPI and reports mouse clicks and moves in twips of its own layout.
class DiagramView final : public QWidget {
    Q_OBJECT
public:
    DiagramView(const LocaleFormat& locale, QWidget* parent = nullptr);

    [[nodiscard]] const DiagramContent& content() const { return content_; }
    void setContent(DiagramContent content);

    // The painter for the current size and screen, and its layout in twips.
    [[nodiscard]] DiagramPainter painter() const;
    [[nodiscard]] DiagramGeometry geometry() const { return painter().geometry(); }
    // Picture twips of a point in widget pixels, and back.
    [[nodiscard]] PointTw toTwips(QPointF pixels) const;
    [[nodiscard]] QPointF toPixels(PointTw twips) const;
    // Picture twips the mouse at `position` points at: the centre of the device pixel under it.
    [[nodiscard]] PointTw pointerTwips(QPointF position) const;

signals:
    void mouseDown(orv::MouseButton button, double xTwips, double yTwips);
    void mouseMoved(double xTwips, double yTwips);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const LocaleFormat& locale_;
    DiagramContent content_;
};

} // namespace orv
