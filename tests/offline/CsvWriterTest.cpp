#include "offline/CsvWriter.h"

#include "core/DayNumber.h"
#include "LogTestData.h"

#include <gtest/gtest.h>

#include <limits>

namespace orv {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

LogData threeRecords(float interval, char ch2Unit) {
    LogHeader h;
    h.recordCount = 3;
    h.startTime = fromCivil({2004, 12, 31, 23, 59, 0});
    h.interval = interval;
    h.ch2UnitCode = ch2Unit;
    return LogData(h, {21.125F, -0.5F, 20.0F}, {45.5F, kNaN, 1e-3F});
}

TEST(CsvWriter, RowsOfTheRangeOnlyWithTheirOwnTimes) {
    struct Case {
        float interval;
        std::int64_t first;
        std::int64_t count;
        const char* rows;
    };
    const Case cases[] = {
        // the range crosses midnight and the new year
        {30.0F, 1, 2, "2004-12-31 23:59:30,-0.5,\r\n2005-01-01 00:00:00,20,0.001\r\n"},
        // a fractional interval gets milliseconds
        {0.25F, 2, 1, "2004-12-31 23:59:00.500,20,0.001\r\n"},
        // ranges beyond the records are cut to them
        {60.0F, -5, 6, "2004-12-31 23:59:00,21.125,45.5\r\n"},
        {60.0F, 2, 100, "2005-01-01 00:01:00,20,0.001\r\n"},
        {60.0F, 3, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + " " + std::to_string(c.count));
        EXPECT_EQ(test::csvText(threeRecords(c.interval, '%'), c.first, c.count, {}),
                  "time,temperature (°C),humidity (%)\r\n" + std::string(c.rows));
    }
}

TEST(CsvWriter, GermanOptionsAndNamesThatNeedQuotes) {
    CsvOptions o = germanCsvOptions();
    o.byteOrderMark = true;
    o.timeName = "Zeit; lokal";
    o.temperatureName = "T \"innen\"";
    o.channel2Name = "Taupunkt";
    o.dateTimeSeparator = 'T'; // the ISO form
    EXPECT_EQ(test::csvText(threeRecords(60.0F, 'C'), 0, 2, o),
              "\xEF\xBB\xBF\"Zeit; lokal\";\"T \"\"innen\"\" (°C)\";Taupunkt (°C)\r\n"
              "2004-12-31T23:59:00;21,125;45,5\r\n"
              "2005-01-01T00:00:00;-0,5;\r\n");
    // Without a name of its own the channel is named by its unit.
    EXPECT_EQ(test::csvText(threeRecords(60.0F, 'F'), 0, 0, {}),
              "time,temperature (°C),dew point (°F)\r\n");
}

} // namespace
} // namespace orv
