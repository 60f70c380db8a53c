#include "offline/DiagramInteraction.h"

namespace orv {

DiagramInteraction::Effect DiagramInteraction::mouseDown(MouseButton button, double x, double y,
                                                         const DiagramGeometry& geometry,
                                                         const TimeGrid& grid) {
    if (!view_.drawable()) {
        setZoomMode(false);
        return Effect::ZoomModeOff;
    }
    if (zoomMode_) {
        return button == MouseButton::Left ? zoomClick(x, y, geometry) : Effect::None;
    }
    switch (button) {
    case MouseButton::Left:
        return markers_.placeLeft(x, geometry, view_, grid) ? Effect::LeftMarker : Effect::None;
    case MouseButton::Right:
        return markers_.placeRight(x, geometry, view_, grid) ? Effect::RightMarker : Effect::None;
    case MouseButton::Other:
        break;
    }
    return Effect::None;
}

DiagramInteraction::Effect DiagramInteraction::zoomClick(double x, double y,
                                                         const DiagramGeometry& geometry) {
    if (!drag_.dragging()) {
        drag_.begin(x, y, geometry);
        return Effect::ZoomStarted;
    }
    const ZoomRect rect = drag_.finish(x, y, geometry);
    const ZoomedView zoomed =
        zoomInto(rect, view_, scale_, geometry.plotWidth(), geometry.plotHeight());
    view_ = zoomed.view;
    scale_ = zoomed.scale;
    zoomActive_ = true;
    setZoomMode(false);
    return Effect::ZoomApplied;
}

void DiagramInteraction::setZoomMode(bool on) {
    if (on) {
        markers_.clear();
    }
    zoomMode_ = on;
    drag_.cancel();
}

void DiagramInteraction::quitZoom(const ViewRange& full) {
    view_ = full;
    zoomActive_ = false;
    zoomMode_ = false;
    drag_.cancel();
    markers_.clear();
}

} // namespace orv
