#pragma once

#include "views/LiveRules.h"

#include <QWidget>

namespace orv {

// Draws a chart snapshot: temperature and channel 2 over the 250 history points, with the time
// of day below, the temperature scale on the left and the channel 2 scale on the right (the same
// scale when both are in one unit). Points without a value leave a gap in their curve.
class OnlineChart final : public QWidget {
    Q_OBJECT
public:
    explicit OnlineChart(QWidget* parent = nullptr);

    void setSnapshot(ChartSnapshot snapshot);
    [[nodiscard]] const ChartSnapshot& snapshot() const { return snapshot_; }
    // Series labels as shown in the legend.
    [[nodiscard]] QString seriesLabel(int series) const;

    static const QColor& temperatureColor();
    static const QColor& channel2Color();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ChartSnapshot snapshot_;
};

} // namespace orv
