#pragma once

#include "alarms/AlarmEventsFile.h"
#include "core/LocaleFormat.h"
#include "offline/DiagramGeometry.h"
#include "offline/LogData.h"
#include "offline/ValueScale.h"
#include "offline/ViewMapping.h"

#include <QFont>
#include <QImage>
#include <QSizeF>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QPainter;

namespace orv {

// Everything one picture of a diagram shows. With a message the picture shows only that text
// (loading, too few records); otherwise frame, grid, labels, legend, both curves and markers.
struct DiagramContent {
    const LogData* data = nullptr;
    ViewRange view;
    ValueScale scale;
    bool showTime = true;
    bool showDate = true;
    std::optional<std::int64_t> markerLeft;
    std::optional<std::int64_t> markerRight;
    std::string tempUnitText = "°C";
    std::string ch2UnitText = " %";
    std::string languageCode = "de";
    std::string message;
    // The zoom rectangle being dragged, in picture twips.
    std::optional<RectTw> rubberBand;
    // Alarm intervals of the log's events file, shaded behind the curves.
    std::vector<AlarmInterval> alarms;
};

// The colours of the diagram.
namespace diagram_colour {
inline constexpr QRgb kGrid = 0xFF808080;
inline constexpr QRgb kTemperature = 0xFFFF0000;
inline constexpr QRgb kChannel2 = 0xFF00FF00;
inline constexpr QRgb kMarkerLeft = 0xFF0000FF;
inline constexpr QRgb kMarkerRight = 0xFFFF00FF;
inline constexpr QRgb kRubberBand = 0xFFC04000;
inline constexpr QRgb kAlarm = 0x40FF0000; // translucent, so grid and curves show through
} // namespace diagram_colour

// Paints a diagram laid out in twips into any paint device. The picture is `pixels` logical
// pixels large at `dpiX` x `dpiY` logical pixels per inch; the layout is the twips geometry of
// the diagram, so the same picture comes out of the window, a high-DPI screen and an image file.
// Lines are one device pixel wide and not smoothed, so they stay sharp at any pixel ratio. The
// curves come from the log's per-column reduction: one column per device pixel, every extreme of
// a column drawn, a break wherever a record holds no value, cut at the edge of the plot area.
class DiagramPainter {
public:
    DiagramPainter(QSizeF pixels, double dpiX, double dpiY);

    // The picture box in twips.
    [[nodiscard]] DiagramGeometry geometry() const;
    [[nodiscard]] double xPixels(double twips) const { return twips * dpiX_ / 1440.0; }
    [[nodiscard]] double yPixels(double twips) const { return twips * dpiY_ / 1440.0; }
    [[nodiscard]] double xTwips(double pixels) const { return pixels * 1440.0 / dpiX_; }
    [[nodiscard]] double yTwips(double pixels) const { return pixels * 1440.0 / dpiY_; }

    void paint(QPainter& painter, const DiagramContent& content, const LocaleFormat& locale) const;

private:
    void paintCurve(QPainter& painter, const DiagramContent& content, Channel channel,
                    QRgb colour) const;

    QSizeF pixels_;
    double dpiX_;
    double dpiY_;
};

// The diagram as an image of `pixels` at `dpi` (96 unless told), white background.
[[nodiscard]] QImage renderDiagram(QSize pixels, const DiagramContent& content,
                                   const LocaleFormat& locale, double dpi = 96.0);

// The picture's font: the application font at 8.25 points.
[[nodiscard]] QFont diagramFont();

} // namespace orv
