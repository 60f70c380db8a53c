// orv-tool plot as a black box: the real binary writes a PNG, which is read back with QImage and
// checked where the picture matters (a single spike at the right edge, a gap left blank, curves
// inside the frame, the legend's language).
#include "ToolTestSupport.h"

#include "offline/DiagramPainter.h"
#include "offline/DiagramTestFiles.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace orv {
namespace {

using test::runTool;
using test::TempDir;

bool isRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}
bool isGreen(QRgb c) {
    return qGreen(c) > 200 && qRed(c) < 80 && qBlue(c) < 80;
}
bool isCurve(QRgb c) {
    return isRed(c) || isGreen(c);
}

// The plot area of a picture of `w` x `h` pixels at 96 dpi, in pixels.
struct Area {
    int left, right, top, bottom;
};
Area areaOf(int w, int h) {
    const DiagramPainter p(QSizeF(w, h), 96, 96);
    const DiagramGeometry g = p.geometry();
    return {static_cast<int>(p.xPixels(g.left())), static_cast<int>(p.xPixels(g.right())),
            static_cast<int>(p.yPixels(g.top())), static_cast<int>(p.yPixels(g.bottom()))};
}

// Pixels of the kind in columns x0..x1 and rows y0..y1.
int count(const QImage& image, int x0, int x1, int y0, int y1,
          const std::function<bool(QRgb)>& kind) {
    int n = 0;
    for (int x = std::max(0, x0); x <= std::min(image.width() - 1, x1); ++x) {
        for (int y = std::max(0, y0); y <= std::min(image.height() - 1, y1); ++y) {
            n += kind(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

QImage plot(const TempDir& dir, const std::filesystem::path& log,
            std::vector<std::string> options = {}) {
    const auto out = dir.file("out.png");
    std::filesystem::remove(out);
    std::vector<std::string> args = {"plot", log.string(), "-o", out.string()};
    args.insert(args.end(), options.begin(), options.end());
    const auto r = runTool(args);
    EXPECT_EQ(r.status, 0) << r.err;
    QImage image(QString::fromStdString(out.string()));
    EXPECT_FALSE(image.isNull());
    return image;
}

TEST(OrvToolPlot, OneSpikeRecordAtTheRightEdgeOfALongFileIsDrawn) {
    TempDir dir;
    const std::size_t n = 300000;
    std::vector<float> t(n, 20.0f);
    std::vector<float> h(n, 50.0f);
    t[n - 2] = 40.0f; // one record, far less than a pixel wide
    test::writeLog(dir.file("spike.dat"), t, h);
    const QImage image = plot(dir, dir.file("spike.dat"), {"--width", "800", "--height", "500"});
    ASSERT_EQ(image.size(), QSize(800, 500));
    const Area a = areaOf(800, 500);
    // Axis 55 .. 15: 40 lies 15/40 of the plot height below the top edge.
    const int spikeY = a.top + (a.bottom - a.top) * 15 / 40;
    EXPECT_GT(count(image, a.right - 3, a.right, spikeY - 3, spikeY + 3, isRed), 0);
    // Nowhere else does the temperature leave its flat line.
    const int flatY = a.top + (a.bottom - a.top) * 35 / 40;
    EXPECT_EQ(count(image, a.left + 2, a.right - 6, a.top + 1, flatY - 4, isRed), 0);
    EXPECT_GT(count(image, a.left + 2, a.right - 6, flatY - 2, flatY + 2, isRed), 0);
}

TEST(OrvToolPlot, RecordsWithoutValuesLeaveAGapAndTheLastRecordIsReached) {
    TempDir dir;
    const std::size_t n = 1000;
    std::vector<float> t(n);
    std::vector<float> h(n);
    for (std::size_t k = 0; k < n; ++k) {
        const bool gap = k >= 400 && k < 600;
        t[k] = gap ? test::kGap : 20.0f + static_cast<float>(k % 7);
        h[k] = gap ? test::kGap : 50.0f - static_cast<float>(k % 5);
    }
    test::writeLog(dir.file("gap.dat"), t, h);
    const QImage image = plot(dir, dir.file("gap.dat"), {"--width", "900", "--height", "500"});
    const Area a = areaOf(900, 500);
    auto xOf = [&](double k) {
        return a.left + static_cast<int>((a.right - a.left) * k / (n - 1));
    };
    EXPECT_EQ(count(image, xOf(402), xOf(597), a.top + 1, a.bottom - 1, isCurve), 0);
    EXPECT_GT(count(image, xOf(100), xOf(390), a.top + 1, a.bottom - 1, isRed), 0);
    EXPECT_GT(count(image, xOf(610), xOf(990), a.top + 1, a.bottom - 1, isGreen), 0);
    EXPECT_GT(count(image, a.right - 1, a.right, a.top, a.bottom, isRed), 0);
}

TEST(OrvToolPlot, CurvesStayInsideTheFrameForWholeFilesAndRanges) {
    TempDir dir;
    const auto log = dir.file("synth.dat");
    ASSERT_EQ(
        runTool({"synth", log.string(), "--records", "50000", "--gaps", "--seed", "7"}).status, 0);
    for (const auto& options : std::vector<std::vector<std::string>>{
             {}, {"--from", "1000", "--count", "20"}, {"--width", "1920", "--height", "1080"}}) {
        const QImage image = plot(dir, log, options);
        const Area a = areaOf(image.width(), image.height());
        // Left of the legend, every curve pixel lies within the frame.
        const int inside = count(image, a.left, a.right, a.top, a.bottom, isCurve);
        const int all = count(image, 0, a.right + 5, 0, image.height() - 1, isCurve);
        EXPECT_GT(inside, 0);
        EXPECT_EQ(inside, all);
    }
}

TEST(OrvToolPlot, FewerThanTwoRecordsShowOnlyTheMessage) {
    TempDir dir;
    test::writeFlatLog(dir.file("flat.dat"), 10);
    const QImage image = plot(dir, dir.file("flat.dat"), {"--from", "3", "--count", "1"});
    auto grey = [](QRgb c) {
        return c == diagram_colour::kGrid;
    };
    auto ink = [](QRgb c) {
        return qRed(c) < 128 && qGreen(c) < 128 && qBlue(c) < 128;
    };
    EXPECT_EQ(count(image, 0, image.width(), 0, image.height(), grey), 0);
    EXPECT_GT(count(image, 0, image.width(), 0, image.height(), ink), 0);
}

TEST(OrvToolPlot, TheLegendFollowsTheLanguage) {
    TempDir dir;
    test::writeWaveLog(dir.file("wave.dat"), 500);
    const QImage de = plot(dir, dir.file("wave.dat"), {"--lang", "de", "--locale", "de_DE"});
    const QImage en = plot(dir, dir.file("wave.dat"), {"--lang", "eng", "--locale", "de_DE"});
    ASSERT_EQ(de.size(), en.size());
    // "r.F. (%)" against "r.H. (%)": only the legend, right of the plot, differs.
    const DiagramPainter p(QSizeF(de.size()), 96, 96);
    const int legendLeft = static_cast<int>(p.xPixels(p.geometry().boxWidth() - 700)) - 1;
    int differing = 0;
    int outsideLegend = 0;
    for (int y = 0; y < de.height(); ++y) {
        for (int x = 0; x < de.width(); ++x) {
            if (de.pixel(x, y) != en.pixel(x, y)) {
                ++differing;
                outsideLegend += x < legendLeft ? 1 : 0;
            }
        }
    }
    EXPECT_GT(differing, 0);
    EXPECT_EQ(outsideLegend, 0);
}

TEST(OrvToolPlot, BadCommandLinesAndFilesGiveOneClearLine) {
    TempDir dir;
    test::writeFlatLog(dir.file("ok.dat"), 10);
    test::writeFile(dir.file("text.dat"), "this is not a log file at all");
    const std::string ok = dir.file("ok.dat").string();
    const std::string out = dir.file("o.png").string();
    const std::vector<test::Refusal> cases = {
        {{"plot", ok}, 2, "-o OUT.png is required"},
        {{"plot", ok, "-o", out, "--width", "50"},
         2,
         "--width wants a whole number of at least 200"},
        {{"plot", ok, "-o", out, "--height", "20000"}, 2, "--height may be at most 16384"},
        {{"plot", ok, "-o", out, "--lang", "fr"}, 2, "--lang must be de or eng"},
        {{"plot", ok, "-o", out, "--locale", "fr_FR"}, 2, "--locale must be de_DE or en_US"},
        {{"plot", ok, "-o", out, "--from", "8", "--count", "3"}, 2, "do not lie within the 10"},
        {{"plot", dir.file("text.dat").string(), "-o", out}, 1, "not a valid log file"},
        {{"plot", ok, "-o", dir.file("no/such/dir/o.png").string()}, 1, "cannot write"},
    };
    test::expectRefusals({ORV_TOOL_PATH}, cases, "orv-tool: ", false);
    EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
} // namespace orv
