#include "alarms/AlarmEventsFile.h"

#include "core/DayNumber.h"
#include "core/WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

namespace orv {
namespace {

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    return out + "\"";
}

std::string valueText(double v) {
    char b[64];
    const auto [end, ec] = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 2);
    std::string s(b, ec == std::errc{} ? end : b);
    return s == "-0.00" ? "0.00" : s;
}

// Splits one CSV line; nullopt for an unterminated quote.
std::optional<std::vector<std::string>> splitCsv(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

bool readInt(std::string_view s, std::size_t pos, std::size_t len, int& out) {
    if (pos + len > s.size()) {
        return false;
    }
    for (std::size_t i = pos; i < pos + len; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
    }
    return std::from_chars(s.data() + pos, s.data() + pos + len, out).ec == std::errc{};
}

// "YYYY-MM-DDTHH:MM:SS" with an optional "Z" or "+HH:MM" / "-HH:MM".
std::optional<double> parseIsoTime(std::string_view s) {
    CivilTime t;
    if (s.size() < 19 || s[4] != '-' || s[7] != '-' || (s[10] != 'T' && s[10] != ' ') ||
        s[13] != ':' || s[16] != ':' || !readInt(s, 0, 4, t.year) || !readInt(s, 5, 2, t.month) ||
        !readInt(s, 8, 2, t.day) || !readInt(s, 11, 2, t.hour) || !readInt(s, 14, 2, t.minute) ||
        !readInt(s, 17, 2, t.second)) {
        return std::nullopt;
    }
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 60) {
        return std::nullopt;
    }
    const std::string_view zone = s.substr(19);
    int hh = 0;
    int mm = 0;
    const bool zoneOk = zone.empty() || zone == "Z" ||
                        (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':' &&
                         readInt(zone, 1, 2, hh) && readInt(zone, 4, 2, mm));
    if (!zoneOk) {
        return std::nullopt;
    }
    return fromCivil(t);
}

std::optional<AlarmEventRow> parseRow(std::string_view line, std::string& why) {
    const std::optional<std::vector<std::string>> f = splitCsv(line);
    if (!f || f->size() != 4) {
        why = "expected 4 fields: time,rule,value,event";
        return std::nullopt;
    }
    AlarmEventRow row;
    const std::optional<double> time = parseIsoTime((*f)[0]);
    if (!time) {
        why = "bad time '" + (*f)[0] + "'";
        return std::nullopt;
    }
    row.time = *time;
    row.rule = (*f)[1];
    if (!(*f)[2].empty()) {
        double v = 0.0;
        const std::string& t = (*f)[2];
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (ec != std::errc{} || end != t.data() + t.size()) {
            why = "bad value '" + t + "'";
            return std::nullopt;
        }
        row.value = v;
    }
    if ((*f)[3] == "start") {
        row.start = true;
    } else if ((*f)[3] == "end") {
        row.start = false;
    } else {
        why = "event must be start or end, not '" + (*f)[3] + "'";
        return std::nullopt;
    }
    return row;
}

} // namespace

std::filesystem::path alarmEventsPathFor(const std::filesystem::path& logPath) {
    std::filesystem::path p = logPath;
    if (p.extension() == ".dat" || p.extension() == ".DAT") {
        p.replace_extension();
    }
    p += ".events.csv";
    return p;
}

std::string alarmEventRow(const AlarmEvent& event, int utcOffsetSeconds) {
    std::string row = isoLocalTime(event.time, utcOffsetSeconds);
    row += ',';
    row += csvField(event.ruleText);
    row += ',';
    if (event.value && std::isfinite(*event.value)) {
        row += valueText(*event.value);
    }
    row += event.start ? ",start\n" : ",end\n";
    return row;
}

AlarmEventsWriter::~AlarmEventsWriter() {
    close();
}

bool AlarmEventsWriter::fail(const std::string& what) {
    error_ = path_ + ": " + what + ": " + std::strerror(errno);
    close();
    return false;
}

bool AlarmEventsWriter::create(const std::filesystem::path& path, bool append) {
    close();
    path_ = path.string();
    error_.clear();
    fd_ =
        ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0644);
    if (fd_ < 0) {
        return fail("cannot create");
    }
    if (append && ::lseek(fd_, 0, SEEK_END) > 0) {
        return true;
    }
    if (!writeAll(fd_, kAlarmEventsHeader) || ::fdatasync(fd_) != 0) {
        return fail("cannot write");
    }
    // The new file's name must survive a power cut as well as its bytes.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool AlarmEventsWriter::append(const AlarmEvent& event) {
    if (fd_ < 0) {
        return false;
    }
    if (!writeAll(fd_, alarmEventRow(event, offset_(event.time))) || ::fdatasync(fd_) != 0) {
        return fail("cannot write");
    }
    return true;
}

void AlarmEventsWriter::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

AlarmEventsText parseAlarmEvents(std::string_view text) {
    AlarmEventsText out;
    std::size_t lineNo = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const bool complete = nl != std::string_view::npos;
        std::string_view line = text.substr(0, complete ? nl : text.size());
        text.remove_prefix(complete ? nl + 1 : text.size());
        ++lineNo;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || (lineNo == 1 && line.starts_with("time,"))) {
            continue;
        }
        std::string why;
        if (std::optional<AlarmEventRow> row = parseRow(line, why)) {
            out.rows.push_back(std::move(*row));
        } else if (complete) {
            out.problems.push_back("line " + std::to_string(lineNo) + ": " + why);
        }
    }
    return out;
}

std::vector<AlarmInterval> alarmIntervals(const std::vector<AlarmEventRow>& rows) {
    std::vector<AlarmInterval> out;
    std::map<std::string, std::size_t> open; // rule -> index in out
    for (const AlarmEventRow& row : rows) {
        const auto it = open.find(row.rule);
        if (row.start) {
            // A second start without an end: the first one's end was never written.
            open[row.rule] = out.size();
            out.push_back(AlarmInterval{row.rule, row.time, std::nullopt, row.value});
        } else if (it != open.end()) {
            out[it->second].end = row.time;
            open.erase(it);
        }
    }
    return out;
}

std::string durationText(double seconds) {
    const long long total = std::max(0LL, std::llround(seconds));
    const long long days = total / 86400;
    char b[48];
    std::snprintf(b, sizeof b, "%lld:%02lld:%02lld", (total % 86400) / 3600, (total % 3600) / 60,
                  total % 60);
    return days > 0 ? std::to_string(days) + " d " + b : std::string(b);
}

std::vector<AlarmListRow> alarmListRows(const std::vector<AlarmInterval>& intervals,
                                        const LocaleFormat& locale, const std::string& openText) {
    std::vector<AlarmListRow> rows;
    for (const AlarmInterval& a : intervals) {
        AlarmListRow row;
        row.start = locale.generalDate(a.start);
        row.rule = a.rule;
        if (a.value) {
            row.value = formatFixed(locale, *a.value, 1);
        }
        row.duration = a.end ? durationText((*a.end - a.start) * kSecondsPerDay) : openText;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<std::vector<AlarmInterval>> loadAlarmIntervals(const std::filesystem::path& logPath) {
    std::ifstream in(alarmEventsPathFor(logPath), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return alarmIntervals(parseAlarmEvents(text).rows);
}

} // namespace orv
