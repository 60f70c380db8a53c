// orv-tool read: runs received sensor text through the program's own frame parser and display
// code and prints what it makes of every frame as one JSON object per line.
#include "ByteSource.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Json.h"

#include "core/Clock.h"
#include "core/LinkControl.h"
#include "core/LocaleFormat.h"
#include "core/Measurement.h"
#include "core/Texts.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace orv::tool {
namespace {

constexpr const char* kReadUsage =
    "usage: orv-tool read [--tcp HOST:PORT | --serial DEVICE | --file PATH | -]\n"
    "                     [--unit C|F|K] [--channel2 humidity|dewpoint] [--locale de_DE|en_US]\n"
    "                     [--chunk N] [--count N]\n"
    "Reads sensor text (standard input by default) and prints one JSON line per frame that\n"
    "passes the length check: frame, valid, and for a good checksum fields, txtTemp, txtRH,\n"
    "txtTp, temperature, humidity, dewpoint, channel2, serial, tempUnit, channel2Unit.\n"
    "Like the program, each read yields at most its newest frame; --chunk N hands the input\n"
    "to the parser in pieces of N bytes instead of as it was read. --count N stops after N\n"
    "frames.\n";

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
    std::size_t chunk = 0; // 0: as read
    std::optional<std::uint64_t> count;
};

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
            const std::string v = reader.value(arg);
            if (v == "C") {
                o.unit = TempUnit::Celsius;
            } else if (v == "F") {
                o.unit = TempUnit::Fahrenheit;
            } else if (v == "K") {
                o.unit = TempUnit::Kelvin;
            } else {
                usageError("--unit wants C, F or K, not '" + v + "'");
            }
        } else if (arg == "--channel2") {
            const std::string v = reader.value(arg);
            if (v == "humidity") {
                o.channel2 = Channel2Mode::Humidity;
            } else if (v == "dewpoint") {
                o.channel2 = Channel2Mode::DewPoint;
            } else {
                usageError("--channel2 wants humidity or dewpoint, not '" + v + "'");
            }
        } else if (arg == "--locale") {
            const std::string v = reader.value(arg);
            if (v != "de_DE" && v != "en_US") {
                usageError("--locale wants de_DE or en_US, not '" + v + "'");
            }
            o.german = v == "de_DE";
        } else if (arg == "--chunk") {
            o.chunk = static_cast<std::size_t>(parseCount(arg, reader.value(arg), 1));
        } else if (arg == "--count") {
            o.count = parseCount(arg, reader.value(arg), 1);
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

    std::vector<char> buffer(o.chunk > 0 ? std::max<std::size_t>(o.chunk, 4096) : 4096);
    std::string pending; // with --chunk: read but not handed over yet
    for (;;) {
        const std::size_t n = source.read(buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        if (o.chunk == 0) {
            if (!feed({buffer.data(), n})) {
                return 0;
            }
            continue;
        }
        pending.append(buffer.data(), n);
        std::size_t used = 0;
        for (; pending.size() - used >= o.chunk; used += o.chunk) {
            if (!feed(std::string_view(pending).substr(used, o.chunk))) {
                return 0;
            }
        }
        pending.erase(0, used);
    }
    if (!pending.empty()) {
        feed(pending);
    }
    return 0;
}

} // namespace orv::tool
