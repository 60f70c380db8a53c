// orv-tool read: runs received sensor text through the program's own frame parser and display
// code and prints what it makes of every frame as one JSON object per line.
#include "ByteSource.h"
#include "CommandLine.h"
#include "Commands.h"
#include "core/Json.h"

#include "core/Clock.h"
#include "core/FrameParser.h"
#include "core/LinkControl.h"
#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/Texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

namespace orv::tool {
namespace {

constexpr const char* kReadUsage =
    "usage: orv-tool read [--tcp HOST:PORT | --serial DEVICE | --file PATH | -]\n"
    "                     [--unit C|F|K] [--channel2 humidity|dewpoint] [--locale de_DE|en_US]\n"
    "                     [--chunk N] [--count N] [--timeout S]\n"
    "Reads sensor text (standard input by default) and prints one JSON line per frame that\n"
    "passes the length check: frame, valid, and for a good checksum fields, txtTemp, txtRH,\n"
    "txtTp, temperature, humidity, dewpoint, channel2, serial, tempUnit, channel2Unit.\n"
    "Like the program, each read yields at most its newest frame; --chunk N hands the input\n"
    "to the parser in pieces of N bytes instead of as it was read. --count N stops after N\n"
    "frames. The end of a file or of standard input ends normally; a TCP or serial link that\n"
    "is lost before N frames (or at all, without --count) exits with status 1, and so does a\n"
    "source that sends nothing for S seconds with --timeout S.\n";

// The online window's texts are not printed, so no string table is needed.
class NoTexts final : public Texts {
public:
    [[nodiscard]] std::optional<std::string> text(int /*germanId*/) const override {
        return std::nullopt;
    }
};

struct ReadOptions {
    enum class Kind { Stdin, File, Tcp, Serial } kind = Kind::Stdin;
    std::string where;
    TempUnit unit = TempUnit::Celsius;
    Channel2Mode channel2 = Channel2Mode::Humidity;
    bool german = false;
    std::uint64_t chunk = 0; // 0: as read
    std::optional<std::uint64_t> count;
    int timeoutMs = -1; // -1: wait for ever
    std::string timeoutText;
};

// Seconds as a plain decimal number (locale-independent), more than 0 and small enough for
// poll(2); rounded up to whole milliseconds.
int parseTimeout(const std::string& text) {
    double s = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, s, std::chars_format::fixed);
    if (text.empty() || ec != std::errc{} || ptr != end || !(s > 0) || s > 2'000'000) {
        usageError("--timeout wants a number of seconds above 0 and at most 2000000, not '" + text +
                   "'");
    }
    return static_cast<int>(std::ceil(s * 1000));
}

ReadOptions parseReadOptions(const CommandArgs& args) {
    ReadOptions o;
    bool sourceGiven = false;
    const auto setSource = [&](ReadOptions::Kind kind, std::string where, const std::string& opt) {
        if (sourceGiven) {
            usageError("read takes one source, " + opt + " is a second one");
        }
        sourceGiven = true;
        o.kind = kind;
        o.where = std::move(where);
    };
    ArgReader reader(args);
    while (!reader.done()) {
        const std::string arg = reader.take();
        if (arg == "-") {
            setSource(ReadOptions::Kind::Stdin, "", arg);
        } else if (arg == "--tcp") {
            setSource(ReadOptions::Kind::Tcp, reader.value(arg), arg);
        } else if (arg == "--serial") {
            setSource(ReadOptions::Kind::Serial, reader.value(arg), arg);
        } else if (arg == "--file") {
            setSource(ReadOptions::Kind::File, reader.value(arg), arg);
        } else if (arg == "--unit") {
            o.unit = parseUnit(reader.value(arg));
        } else if (arg == "--channel2") {
            o.channel2 = parseChannel2(reader.value(arg));
        } else if (arg == "--locale") {
            const std::string v = reader.value(arg);
            if (v != "de_DE" && v != "en_US") {
                usageError("--locale wants de_DE or en_US, not '" + v + "'");
            }
            o.german = v == "de_DE";
        } else if (arg == "--chunk") {
            o.chunk = parseCount(arg, reader.value(arg), 1);
        } else if (arg == "--count") {
            o.count = parseCount(arg, reader.value(arg), 1);
        } else if (arg == "--timeout") {
            o.timeoutText = reader.value(arg);
            o.timeoutMs = parseTimeout(o.timeoutText);
        } else {
            usageError("read: unknown argument '" + arg + "' (see orv-tool read --help)");
        }
    }
    return o;
}

ByteSource openSource(const ReadOptions& o) {
    switch (o.kind) {
    case ReadOptions::Kind::File:
        return ByteSource::file(o.where);
    case ReadOptions::Kind::Tcp:
        return ByteSource::tcp(o.where);
    case ReadOptions::Kind::Serial:
        return ByteSource::serial(o.where);
    case ReadOptions::Kind::Stdin:
        break;
    }
    return ByteSource::standardInput();
}

std::string frameLine(const Measurement& m) {
    JsonObject json;
    json.text("frame", m.receivedFrame()).boolean("valid", m.FrameValid());
    if (m.FrameValid()) {
        const FrameFields& f = m.fields();
        const SampleValues& v = m.values();
        json.texts("fields", {f.temperature, f.humidity, f.serial})
            .text("txtTemp", m.txtTemp())
            .text("txtRH", m.txtRH())
            .text("txtTp", m.txtTp())
            .number("temperature", v.temperature)
            .number("humidity", v.humidity)
            .number("dewpoint", v.dewPoint)
            .number("channel2", v.channel2)
            .text("serial", f.serial)
            .text("tempUnit", m.LiveTempUnit())
            .text("channel2Unit", m.LiveCh2Unit());
    }
    return json.str() + "\n";
}

void writeLine(const std::string& line) {
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
        std::fflush(stdout) != 0) {
        failure("cannot write the output");
    }
}

} // namespace

int runRead(const CommandArgs& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kReadUsage, stdout);
            return 0;
        }
    }
    const ReadOptions o = parseReadOptions(args);
    ByteSource source = openSource(o);

    GermanFormat german;
    EnglishFormat english;
    NoTexts texts;
    SystemClock clock;
    LinkControl noLink;
    Measurement m(o.german ? static_cast<const LocaleFormat&>(german) : english, texts, clock,
                  noLink);
    m.settings().unit = o.unit;
    m.settings().channel2 = o.channel2;
    m.settings().DecimalComma = o.german;

    std::uint64_t frames = 0;
    const auto feed = [&](std::string_view chunk) {
        const FrameStatus status = m.ParseFrame(chunk);
        if (status == FrameStatus::Good || status == FrameStatus::BadChecksum) {
            writeLine(frameLine(m));
            ++frames;
        }
        return !(o.count && frames >= *o.count);
    };

    // With --chunk the parser gets pieces of N bytes. It keeps only the newest kRxBufferLimit
    // bytes of what it is given, so handing it the tail of a piece is the same as handing it the
    // whole piece: the tool holds at most that tail, whatever N is.
    char buffer[4096];
    std::string pieceTail;
    std::uint64_t pieceBytes = 0;
    const auto collect = [&](std::string_view data) {
        while (!data.empty()) {
            const auto take = static_cast<std::size_t>(
                std::min<std::uint64_t>(data.size(), o.chunk - pieceBytes));
            pieceTail.append(data.substr(0, take));
            if (pieceTail.size() > kRxBufferLimit) {
                pieceTail.erase(0, pieceTail.size() - kRxBufferLimit);
            }
            pieceBytes += take;
            data.remove_prefix(take);
            if (pieceBytes == o.chunk) {
                const bool more = feed(pieceTail);
                pieceTail.clear();
                pieceBytes = 0;
                if (!more) {
                    return false;
                }
            }
        }
        return true;
    };
    for (;;) {
        const std::optional<std::size_t> n = source.read(buffer, sizeof buffer, o.timeoutMs);
        if (!n) {
            failure("read: nothing received from " + source.name() + " for " + o.timeoutText +
                    " s");
        }
        if (*n == 0) {
            break;
        }
        const std::string_view data(buffer, *n);
        if (!(o.chunk == 0 ? feed(data) : collect(data))) {
            return 0;
        }
    }
    if (pieceBytes > 0 && !feed(pieceTail)) {
        return 0;
    }
    if (source.isLink()) {
        failure("read: lost the link to " + source.name() + " after " + std::to_string(frames) +
                (frames == 1 ? " frame" : " frames") + ": " + source.endReason());
    }
    return 0;
}

} // namespace orv::tool
