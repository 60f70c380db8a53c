#pragma once

#include "offline/DiagramGeometry.h"
#include "offline/Markers.h"
#include "offline/ValueScale.h"
#include "offline/ViewMapping.h"
#include "offline/Zoom.h"

#include <optional>

namespace orv {

enum class MouseButton { Left, Right, Other };

// What the mouse does in one diagram: markers in marker mode, a zoom rectangle in zoom mode
// (the "Zoom-Modus" check box). The window forwards its mouse events and check-box clicks,
// then draws and fills the data window from what comes back and from this state.
class DiagramInteraction {
public:
    enum class Effect {
        None,        // ignored click
        ZoomModeOff, // too few records: the click only switched zoom mode off
        LeftMarker,  // a marker was placed; statistics are due when both are set
        RightMarker,
        ZoomStarted, // the first corner is fixed; mouse moves draw the rubber band
        ZoomApplied, // the view and value range changed; zoom mode is off again
    };

    // A freshly loaded file: the whole file in view, no markers, not zoomed, marker mode.
    explicit DiagramInteraction(const ViewRange& full) : view_(full) {}

    Effect mouseDown(MouseButton button, double x, double y, const DiagramGeometry& geometry,
                     const TimeGrid& grid);
    // The zoom mode check box. Switching it on removes the markers; either way an unfinished
    // rectangle is dropped.
    void setZoomMode(bool on);
    // Back to the whole file with the value range derived anew (the window reloads the file).
    void quitZoom(const ViewRange& full);

    // The value range of an unzoomed view follows the visible records; a zoom fixes it.
    void setAutoScale(const ValueScale& scale) {
        if (!zoomActive_) {
            scale_ = scale;
        }
    }

    [[nodiscard]] const ViewRange& view() const { return view_; }
    [[nodiscard]] const ValueScale& scale() const { return scale_; }
    [[nodiscard]] bool zoomActive() const { return zoomActive_; }
    [[nodiscard]] bool zoomMode() const { return zoomMode_; }
    [[nodiscard]] const Markers& markers() const { return markers_; }
    [[nodiscard]] const ZoomDrag& zoomDrag() const { return drag_; }

private:
    Effect zoomClick(double x, double y, const DiagramGeometry& geometry);

    ViewRange view_;
    ValueScale scale_;
    bool zoomActive_ = false;
    bool zoomMode_ = false;
    Markers markers_;
    ZoomDrag drag_;
};

} // namespace orv
