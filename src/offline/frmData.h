#pragma once

#include "alarms/AlarmEventsFile.h"
#include "core/Psychrometrics.h"
#include "offline/DataWindow.h"
#include "offline/LogData.h"
#include "offline/Markers.h"
#include "offline/ViewMapping.h"

#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <thread>

class QGroupBox;
class QLabel;
class QTreeWidget;
class QLayout;

namespace orv {

class ModMain;

// The marker data window: one small tool window for all diagram windows, with four groups
// (pointer, left marker, right marker, values between the markers) of fifteen caption/value
// pairs. It is made once (hidden) beside the diagram windows and handed to each of them.
//
// How a diagram window uses it:
//  - check box "Data" (cmData) toggled:          data.cmData_Click(checked)
//  - a file loaded, the window activated:        data.setUnits(tempUnit, ch2Unit); data.Rubber();
//                                                 then replay: data.showMarkers(log, markers)
//  - zoom mode switched on or off:               data.Rubber()
//  - mouse move with a pointer read-out:         data.showPointer(log, readout)
//  - a marker placed:                            data.showMarker(log, side, marker), and when both
//                                                 are set data.showStatistics(log, *span)
//  - the diagram window closes:                  data.hide()
//  - the program ends:                           data.unload() (saves the placement)
// The values are written whether or not the window is visible, so it is current when shown.
class frmData final : public QWidget {
    Q_OBJECT
public:
    // Restores the placement (settings section DataWindow, Left/Top in twips); starts hidden.
    explicit frmData(ModMain& app, QWidget* parent = nullptr);

    // The diagram's "Data" check box: records the wish (DataWindowWanted) and shows the window,
    // language applied and values cleared, or hides it.
    void cmData_Click(bool checked);
    [[nodiscard]] bool DataWindowWanted() const { return wanted_; }

    // The unit texts of the active diagram's file ("°C", "°F", " K"; " %" for humidity). An empty
    // channel-2 unit (no file yet) keeps the design captions.
    void setUnits(const std::string& tempUnitText, const std::string& ch2UnitText);

    // Clears all fifteen values, then renews the captions.
    void Rubber();
    // Captions of the fifteen values from the string table and the unit texts.
    void LabelAktualisieren();
    // Group captions and value captions in the current language (after a language switch).
    void applyLanguage();

    // Read-outs of a diagram: values to two decimals, statistics to one.
    void showPointer(const LogData& log, const PointerReadout& pointer);
    void showMarker(const LogData& log, MarkerSide side, const Marker& marker);
    void showStatistics(const LogData& log, const RecordSpan& span);
    // Both markers and, when both are set, the statistics between them (replay on activation).
    // Unset markers and missing statistics leave their values as they are.
    void showMarkers(const LogData& log, const Markers& markers);
    // The alarms of the active diagram's events file (start, rule, value, duration); the list
    // is hidden when there are none.
    void setAlarms(const std::vector<AlarmInterval>& alarms);
    [[nodiscard]] QTreeWidget& alarmList() const { return *lstAlarms_; }
    // Minimum, maximum and average of the humidity quantities between the markers. Every record
    // of the span is computed once, on a worker thread that keeps the log alive; the values read
    // "..." until it is done, and a newer span or Rubber() stops it.
    void showDerived(std::shared_ptr<const LogData> log, const RecordSpan& span);
    // Label of quantity q (0..4), column 0 minimum, 1 maximum, 2 average; the group caption.
    [[nodiscard]] QLabel& derivedValue(std::size_t q, int column) const {
        return *derived_.at(q * 3 + static_cast<std::size_t>(column));
    }
    [[nodiscard]] QGroupBox& derivedFrame() const { return *derivedFrame_; }
    // True while the worker runs (for tests that wait for it).
    [[nodiscard]] bool derivedPending() const { return derivedPending_; }

    // Saves the placement when the window is in the normal state, then hides it. The close box
    // does the same; the wish and the check box keep their state.
    void unload();

    // The fifteen caption and value labels (0..2 pointer, 3..5 left, 6..8 right, 9..14 between
    // the markers) and the four groups, for the diagram window's tests and the screenshots.
    [[nodiscard]] QLabel& caption(int i) const { return *captions_.at(i); }
    [[nodiscard]] QLabel& value(int i) const { return *values_.at(i); }
    [[nodiscard]] QGroupBox& frame(int i) const { return *frames_.at(i); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void savePlacement();
    void alignValues();
    void setValue(int i, const std::string& text);
    void showReadout(int firstLabel, const RecordReadout& readout);

    ModMain& app_;
    bool wanted_ = false;
    std::string tempUnit_;
    std::string ch2Unit_;
    std::array<QGroupBox*, 4> frames_{};
    std::array<QLabel*, kDataWindowLabels> captions_{};
    std::array<QLabel*, kDataWindowLabels> values_{};
    QTreeWidget* lstAlarms_ = nullptr;
    std::vector<AlarmInterval> alarms_;

    void buildDerivedGroup(QLayout& outer);
    void derivedTexts();
    void clearDerived();
    QGroupBox* derivedFrame_ = nullptr;
    std::array<QLabel*, kDerivedCount> derivedCaptions_{};
    std::array<QLabel*, 3> derivedHeads_{};
    std::array<QLabel*, kDerivedCount * 3> derived_{};
    std::uint64_t derivedGeneration_ = 0;
    bool derivedPending_ = false;
    // Last: stopped and joined before anything it reports to goes away.
    std::jthread derivedWorker_;
};

} // namespace orv
