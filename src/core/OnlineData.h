#pragma once

#include <array>
#include <optional>
#include <string>

namespace orv {

// One row of the live sample history. An empty time marks a row that was never filled; empty
// values mark a no-data tick or a sensor error code (never an invented 0).
struct Sample {
    std::optional<double> timeOfDay;  // fraction of a day, 0 <= t < 1
    std::optional<float> temperature; // in the display unit of the moment
    std::optional<float> channel2;    // humidity in %, or the dew point in the display unit

    friend bool operator==(const Sample&, const Sample&) = default;
};

// Row 0 of the history: what the values of rows 1..250 are.
struct SampleLabels {
    std::string serial;   // field 3 of the newest good frame (empty for the H layout)
    std::string tempUnit; // LiveTempUnit when the newest sample was taken
    std::string ch2Unit;  // LiveCh2Unit when the newest sample was taken
};

// The live sample history `OnlineData`: row 0 holds the labels, rows 1..250 the last 250
// samples in time order, row 250 the newest. The online chart draws rows 1..250 and the data
// logger records row 250.
class OnlineData {
public:
    static constexpr int kFirstRow = 1;
    static constexpr int kNewestRow = 250;
    static constexpr int kSampleRows = kNewestRow;

    // Rows 1..250; any other row throws std::out_of_range.
    [[nodiscard]] const Sample& row(int r) const;
    [[nodiscard]] Sample& row(int r);
    [[nodiscard]] const Sample& newest() const { return row(kNewestRow); }
    [[nodiscard]] Sample& newest() { return row(kNewestRow); }

    [[nodiscard]] const SampleLabels& labels() const { return labels_; }
    [[nodiscard]] SampleLabels& labels() { return labels_; }

    // Moves every sample one row up: row r-1 gets what row r held, row 1's old content is lost,
    // and row 250 still holds the previous newest sample until it is overwritten. Row 0 stays.
    void shift();

    // Empties rows 1..250 (the labels stay), e.g. after the display unit changed.
    void clearSamples();

private:
    // A ring: shifting moves the start instead of copying 249 rows per frame.
    std::array<Sample, kSampleRows> rows_{};
    int first_ = 0; // index in rows_ of row 1
    SampleLabels labels_;
};

} // namespace orv
