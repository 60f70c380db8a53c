#pragma once

#include <cstdint>

namespace orv {

struct PointTw {
    double x = 0;
    double y = 0;
};

struct RectTw {
    PointTw from;
    PointTw to;
};

// Layout of the offline diagram inside its picture box, in twips with y growing downwards. The
// plot area keeps fixed margins: 500 left, 1000 right (room for the legend), 300 top and 600
// bottom (room for the time and date labels).
class DiagramGeometry {
public:
    static constexpr double kLeft = 500;
    static constexpr double kTop = 300;
    static constexpr double kRightMargin = 1000;
    static constexpr double kBottomMargin = 600;
    static constexpr int kGridDivisions = 10;

    DiagramGeometry(double boxWidth, double boxHeight) : w_(boxWidth), h_(boxHeight) {}

    [[nodiscard]] double boxWidth() const { return w_; }
    [[nodiscard]] double boxHeight() const { return h_; }

    [[nodiscard]] double left() const { return kLeft; }
    [[nodiscard]] double right() const { return w_ - kRightMargin; }
    [[nodiscard]] double top() const { return kTop; }
    [[nodiscard]] double bottom() const { return h_ - kBottomMargin; }
    // W - 1500 and H - 900 as the picture box reports them (used by the mouse mapping).
    [[nodiscard]] double areaWidth() const { return w_ - kLeft - kRightMargin; }
    [[nodiscard]] double areaHeight() const { return h_ - kTop - kBottomMargin; }
    // The same converted to whole twips, halves to even (used by the drawing and the zoom).
    [[nodiscard]] std::int32_t plotWidth() const;
    [[nodiscard]] std::int32_t plotHeight() const;

    // Grid line i of 0..10; 0 and 10 are the frame.
    [[nodiscard]] double verticalGridX(int i) const {
        return areaWidth() / kGridDivisions * i + kLeft;
    }
    [[nodiscard]] double horizontalGridY(int i) const {
        return areaHeight() / kGridDivisions * i + kTop;
    }

    // Top-left corners of the texts.
    [[nodiscard]] PointTw valueLabel(int i) const;      // i = 0..10, top to bottom
    [[nodiscard]] PointTw timeLabel(int i) const;       // i = 1..9, under the inner grid lines
    [[nodiscard]] PointTw dateLabel(int i) const;       // i = 1..9
    [[nodiscard]] RectTw legendSwatch(int entry) const; // entry 1 (temperature) or 2
    [[nodiscard]] PointTw legendText(int entry) const;
    [[nodiscard]] PointTw centredMessage() const;

    // Marker lines start above the plot area's top edge and end on its bottom edge.
    static constexpr double kMarkerLineTop = 150;

private:
    double w_;
    double h_;
};

// The diagram window cannot be made smaller than 8000 x 6000 twips; the picture box fills it
// less the toolbar, check boxes and status bar.
struct WindowFit {
    double windowWidth;
    double windowHeight;
    double boxWidth;
    double boxHeight;
};
inline constexpr double kMinDiagramWindowWidth = 8000;
inline constexpr double kMinDiagramWindowHeight = 6000;
[[nodiscard]] WindowFit fitDiagramWindow(double windowWidth, double windowHeight);

} // namespace orv
