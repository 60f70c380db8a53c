#include "offline/DiagramGeometry.h"

#include <algorithm>
#include <cmath>

namespace orv {

std::int32_t DiagramGeometry::plotWidth() const {
    return static_cast<std::int32_t>(std::nearbyint(areaWidth()));
}

std::int32_t DiagramGeometry::plotHeight() const {
    return static_cast<std::int32_t>(std::nearbyint(areaHeight()));
}

PointTw DiagramGeometry::valueLabel(int i) const {
    return {90, areaHeight() / kGridDivisions * i + 220};
}

PointTw DiagramGeometry::timeLabel(int i) const {
    return {areaWidth() / kGridDivisions * i + 300, h_ - 550};
}

PointTw DiagramGeometry::dateLabel(int i) const {
    return {areaWidth() / kGridDivisions * i + 280, h_ - 300};
}

RectTw DiagramGeometry::legendSwatch(int entry) const {
    if (entry == 1) {
        return {{w_ - 600, h_ / 2 - 1000}, {w_ - 450, h_ / 2 - 850}};
    }
    return {{w_ - 600, h_ / 2 + 1000}, {w_ - 450, h_ / 2 + 850}};
}

PointTw DiagramGeometry::legendText(int entry) const {
    return entry == 1 ? PointTw{w_ - 700, h_ / 2 - 800} : PointTw{w_ - 700, h_ / 2 + 1100};
}

PointTw DiagramGeometry::centredMessage() const {
    return {w_ / 2 - 1000, h_ / 2 - 20};
}

WindowFit fitDiagramWindow(double windowWidth, double windowHeight) {
    WindowFit fit{};
    fit.windowWidth = std::max(windowWidth, kMinDiagramWindowWidth);
    fit.windowHeight = std::max(windowHeight, kMinDiagramWindowHeight);
    fit.boxWidth = fit.windowWidth - 120;
    fit.boxHeight = fit.windowHeight - 1150;
    return fit;
}

} // namespace orv
