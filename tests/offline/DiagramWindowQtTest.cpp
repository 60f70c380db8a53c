// The diagram windows inside the live program: opening through the file dialog, the slot limit,
// loading off the window's thread, the status bar, zoom and markers by mouse, reloading a file
// that a recording is still writing, texts in both languages, and the picture itself.
#include "shell/ShellTestSupport.h"

#include "logging/LogFileWriter.h"
#include "offline/DiagramTestFiles.h"
#include "offline/DiagramWindows.h"
#include "offline/frmData.h"
#include "offline/frmOfflGraf.h"
#include "offline/NumberText.h"
#include "platform/ScreenTwips.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::ShellProgram;
using test::TempDir;
using test::waitFor;

std::string str(const QString& s) {
    return s.toStdString();
}

class DiagramWindowTest : public ::testing::Test {
protected:
    explicit DiagramWindowTest(const char* ini = "[Main]\nLanguage=eng\n",
                               const QLocale& locale = test::kEnglishLocale)
        : p(ini, locale) {
        p.program->start();
    }

    DiagramWindows& diagrams() { return p.window().diagrams(); }

    // Opens `path` through File > View and waits until it is shown.
    frmOfflGraf* open(const std::filesystem::path& path) {
        const auto before = diagrams().windows();
        p.prompts.files.push_back(path.string());
        diagrams().mnuLogView_Click();
        const auto after = diagrams().windows();
        if (after.size() != before.size() + 1) {
            ADD_FAILURE() << "no window for " << path;
            return nullptr;
        }
        frmOfflGraf* w = after.back();
        EXPECT_TRUE(waitFor([w] { return !w->loading(); }, 20000));
        return w;
    }

    // Wider than any status bar needs, so the picture keeps its size through zooms.
    static void roomy(frmOfflGraf& w) {
        qobject_cast<QMdiSubWindow*>(w.parentWidget())->resize(900, 600);
        QTest::qWait(20);
    }

    // A click on the pixel that holds picture twips (x, y).
    static void click(frmOfflGraf& w, Qt::MouseButton button, double x, double y) {
        const QPointF at = w.plot()->toPixels({x, y});
        QTest::mouseClick(
            w.plot(), button, {},
            QPoint(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y()))));
    }

    TempDir dir;
    ShellProgram p;
};

class GermanDiagramWindowTest : public DiagramWindowTest {
protected:
    GermanDiagramWindowTest() : DiagramWindowTest("[Main]\nLanguage=de\n", test::kGermanLocale) {}
};

TEST_F(DiagramWindowTest, FiveWindowsOpenAndASixthIsRefused) {
    for (int i = 0; i < 6; ++i) {
        test::writeWaveLog(dir.file("f" + std::to_string(i) + ".dat"), 50);
    }
    p.app().ViewFileDir = "/nowhere/";
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(open(dir.file("f" + std::to_string(i) + ".dat")), nullptr);
    }
    const Prompts::FileDialog& first = p.prompts.fileDialogs.front();
    EXPECT_EQ(first.title, "Open sourcefile");
    EXPECT_EQ(first.filter, "dat-Files (*.dat)|*.dat|all Files (*.*)|*.*");
    EXPECT_EQ(first.folder, "/nowhere/");
    EXPECT_FALSE(first.save);
    // The folder of the last choice is where the next dialog starts.
    EXPECT_EQ(p.prompts.fileDialogs.back().folder, dir.path().string() + "/");
    EXPECT_EQ(diagrams().diagramSlots().used(), 5);

    const auto dialogs = p.prompts.fileDialogs.size();
    p.prompts.files.push_back(dir.file("f5.dat").string());
    diagrams().mnuLogView_Click();
    EXPECT_TRUE(p.asked("Only 5 Diagramwindows can be open at one time!"));
    EXPECT_EQ(p.prompts.fileDialogs.size(), dialogs);
    EXPECT_EQ(diagrams().windows().size(), 5U);

    // Closing any one frees its slot for the next.
    p.prompts.files.clear();
    frmOfflGraf* third = diagrams().windows()[2];
    qobject_cast<QMdiSubWindow*>(third->parentWidget())->close();
    ASSERT_TRUE(waitFor([&] { return diagrams().windows().size() == 4; }));
    EXPECT_EQ(diagrams().diagramSlots().used(), 4);
    ASSERT_NE(open(dir.file("f5.dat")), nullptr);
    EXPECT_EQ(diagrams().diagramSlots().at(2).fileTitle, "f5.dat");
}

TEST_F(DiagramWindowTest, ACancelledDialogOrAMissingFileOpensNothing) {
    diagrams().mnuLogView_Click(); // dialog cancelled
    p.prompts.files.push_back(dir.file("missing.dat").string());
    diagrams().mnuLogView_Click();
    EXPECT_TRUE(diagrams().windows().empty());
    EXPECT_TRUE(p.prompts.asked.empty());
    EXPECT_EQ(diagrams().diagramSlots().used(), 0);
}

TEST_F(DiagramWindowTest, CommandLineFilesOpenUpToFiveWindows) {
    std::vector<std::string> files;
    for (int i = 0; i < 7; ++i) {
        files.push_back(dir.file("c" + std::to_string(i) + ".dat").string());
        test::writeFlatLog(files.back(), 5);
    }
    diagrams().openFiles(files);
    EXPECT_EQ(diagrams().windows().size(), 5U);
    EXPECT_EQ(p.prompts.asked.size(), 1U);
    EXPECT_TRUE(p.asked("Only 5 Diagramwindows can be open at one time!"));
    for (frmOfflGraf* w : diagrams().windows()) {
        ASSERT_TRUE(waitFor([w] { return w->loaded(); }));
    }
}

TEST_F(DiagramWindowTest, TheStatusBarTellsFileRecordsAndTimes) {
    test::writeWaveLog(dir.file("three.dat"), 3);
    frmOfflGraf* w = open(dir.file("three.dat"));
    ASSERT_NE(w, nullptr);
    const double start = test::LogTraits{}.startTime;
    const std::pair<int, std::string> panels[] = {
        {1, "three.dat"}, {3, "Frames: 3"},
        {5, "from:"},     {6, p.app().locale.generalDate(start)},
        {7, "to:"},       {8, "1/1/2024 8:02:00 AM"},
    };
    for (const auto& [n, textExpected] : panels) {
        EXPECT_EQ(str(w->panel(n)->text()), textExpected) << "panel " << n;
    }
    EXPECT_EQ(str(w->panel(1)->toolTip()), "filename");
    EXPECT_EQ(str(w->panel(3)->toolTip()), "number of records");
    EXPECT_EQ(str(w->panel(6)->toolTip()), "begin of record");
    EXPECT_EQ(str(w->panel(8)->toolTip()), "end of record");
    EXPECT_EQ(str(w->toolbarButton(1)->toolTip()), "Open and view file");
    EXPECT_EQ(str(w->toolbarButton(2)->toolTip()), "reload diagram");
    EXPECT_EQ(str(w->chkDrag()->text()), "Zoom mode");
    EXPECT_EQ(str(w->chkDate()->text()), "Date");
    EXPECT_EQ(str(w->windowTitle()), "Data diagram (offline) – three.dat");
    EXPECT_EQ(w->plot()->content().languageCode, "eng");
    EXPECT_TRUE(w->plot()->content().message.empty());
}

TEST_F(DiagramWindowTest, AFileCutShortShowsItsCompleteRecordsAndSaysSo) {
    test::writeFlatLog(dir.file("cut.dat"), 5);
    std::string bytes = test::readFile(dir.file("cut.dat"));
    bytes[0] = 9; // the header claims nine records, five are there
    test::writeFile(dir.file("cut.dat"), bytes);
    frmOfflGraf* w = open(dir.file("cut.dat"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(str(w->panel(3)->text()), "Frames: 5");
    EXPECT_EQ(str(w->panel(2)->text()), "incomplete");
    EXPECT_FALSE(w->panel(2)->isHidden());

    test::writeFlatLog(dir.file("whole.dat"), 5);
    frmOfflGraf* whole = open(dir.file("whole.dat"));
    ASSERT_NE(whole, nullptr);
    EXPECT_TRUE(whole->panel(2)->isHidden());
}

// Another program (here the real `truncate`) cuts the shown file short: the window notices by
// itself, keeps going, draws the lost records as a gap and says the file changed.
TEST_F(DiagramWindowTest, AFileCutShortByAnotherProgramWhileShownSaysSo) {
    const auto path = dir.file("shown.dat");
    test::writeWaveLog(path, 200'000);
    frmOfflGraf* w = open(path);
    ASSERT_NE(w, nullptr);
    roomy(*w);
    EXPECT_TRUE(w->panel(2)->isHidden());
    const std::string cut = "truncate -s 4047 '" + path.string() + "'";
    ASSERT_EQ(std::system(cut.c_str()), 0);
    EXPECT_TRUE(waitFor([w] { return !w->panel(2)->isHidden(); }, 5000));
    EXPECT_EQ(str(w->panel(2)->text()), "file changed");
    EXPECT_EQ(str(w->panel(2)->toolTip()),
              "Another program has shortened the file while it is shown: records past its new "
              "end appear as a gap. Open the file again.");
    EXPECT_EQ(str(w->panel(3)->text()), "Frames: 200000");
    QTest::qWait(50); // the status bar lays out its new texts
    qobject_cast<QMdiSubWindow*>(w->parentWidget())
        ->grab()
        .save(QStringLiteral(ORV_BINARY_DIR "/screenshot-diagram-file-changed.png"));
}

TEST_F(GermanDiagramWindowTest, GermanTextsAndDates) {
    test::writeWaveLog(dir.file("drei.dat"), 3, {.ch2Unit = 'C'});
    frmOfflGraf* w = open(dir.file("drei.dat"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(str(w->panel(5)->text()), "von:");
    EXPECT_EQ(str(w->panel(7)->text()), "bis:");
    EXPECT_EQ(str(w->panel(8)->text()), "01.01.2024 08:02:00");
    EXPECT_EQ(str(w->chkDrag()->text()), "Zoom-Modus");
    EXPECT_EQ(str(w->chkTime()->text()), "Uhrzeit");
    EXPECT_EQ(str(w->windowTitle()), "Messwerte-Diagramm (Offline) – drei.dat");
    EXPECT_EQ(w->plot()->content().languageCode, "de");
    EXPECT_EQ(w->plot()->content().ch2UnitText, "°C");

    // The language buttons relabel an open diagram.
    p.window().menus().cmdUk->click();
    EXPECT_EQ(str(w->panel(5)->text()), "from:");
    EXPECT_EQ(str(w->chkDrag()->text()), "Zoom mode");
    EXPECT_EQ(w->plot()->content().languageCode, "eng");
}

TEST_F(DiagramWindowTest, FilesThatCannotBeShownAreReportedAndTheWindowCloses) {
    test::writeFlatLog(dir.file("lower.dat"), 3);
    std::string bytes = test::readFile(dir.file("lower.dat"));
    bytes.replace(9, 5, "orv32");
    test::writeFile(dir.file("lower.dat"), bytes);
    bytes.replace(9, 5, "ORV32");
    bytes.replace(0, 4, std::string("\xff\xff\xff\xff", 4)); // count -1
    test::writeFile(dir.file("negative.dat"), bytes);
    const std::pair<const char*, const char*> cases[] = {
        {"lower.dat", "File is no valid logfile."},
        {"negative.dat", "Data failure, maybe file is damaged."},
    };
    for (const auto& [file, message] : cases) {
        p.prompts.files.push_back(dir.file(file).string());
        diagrams().mnuLogView_Click();
        ASSERT_TRUE(waitFor([&] { return diagrams().windows().empty(); })) << file;
        ASSERT_FALSE(p.prompts.asked.empty());
        EXPECT_EQ(p.prompts.asked.back().text,
                  message + std::string("\n") + dir.file(file).string());
        EXPECT_EQ(p.prompts.asked.back().icon, Prompts::Icon::Exclamation);
        EXPECT_EQ(diagrams().diagramSlots().used(), 0);
    }
}

TEST_F(DiagramWindowTest, WhileLoadingTheWindowSaysSoAndClosingItStopsTheLoad) {
    test::writeWaveLog(dir.file("big.dat"), 2'000'000);
    for (const bool closeEarly : {false, true}) {
        SCOPED_TRACE(closeEarly ? "closed while loading" : "loaded");
        p.prompts.files.push_back(dir.file("big.dat").string());
        diagrams().mnuLogView_Click();
        ASSERT_EQ(diagrams().windows().size(), 1U);
        frmOfflGraf* w = diagrams().windows().front();
        // The result arrives through the event loop, so right after opening the load is under way.
        EXPECT_TRUE(w->loading());
        EXPECT_EQ(w->plot()->content().message, "Loading big.dat");
        EXPECT_EQ(w->plot()->cursor().shape(), Qt::BusyCursor);
        if (closeEarly) {
            qobject_cast<QMdiSubWindow*>(w->parentWidget())->close();
            ASSERT_TRUE(waitFor([&] { return diagrams().windows().empty(); }));
            EXPECT_EQ(diagrams().diagramSlots().used(), 0);
            EXPECT_TRUE(p.prompts.asked.empty());
            continue;
        }
        ASSERT_TRUE(waitFor([w] { return w->loaded(); }, 30000));
        EXPECT_EQ(w->plot()->cursor().shape(), Qt::CrossCursor);
        EXPECT_TRUE(w->plot()->content().message.empty());
        EXPECT_FALSE(w->progressBar()->isVisible());
        EXPECT_EQ(str(w->panel(3)->text()), "Frames: 2000000");
        qobject_cast<QMdiSubWindow*>(w->parentWidget())->close();
        ASSERT_TRUE(waitFor([&] { return diagrams().windows().empty(); }));
    }
}

// The model's own tests cover every drag direction; here one goes from bottom right to top left.
TEST_F(DiagramWindowTest, ZoomByMouseShowsTheRectanglesRecordsAndQuitZoomTheWholeFile) {
    test::writeWaveLog(dir.file("wave.dat"), 1001);
    frmOfflGraf* w = open(dir.file("wave.dat"));
    ASSERT_NE(w, nullptr);
    roomy(*w);
    const DiagramGeometry g = w->plot()->geometry();
    w->chkDrag()->setChecked(true);
    EXPECT_EQ(w->plot()->cursor().shape(), Qt::ArrowCursor);
    const PointTw from{g.left() + 0.6 * g.areaWidth(), g.top() + 0.8 * g.areaHeight()};
    const PointTw to{g.left() + 0.2 * g.areaWidth(), g.top() + 0.3 * g.areaHeight()};
    click(*w, Qt::LeftButton, from.x, from.y);
    EXPECT_TRUE(w->interaction()->zoomDrag().dragging());
    w->plot_MouseMove(to.x, to.y);
    ASSERT_TRUE(w->plot()->content().rubberBand.has_value());
    click(*w, Qt::LeftButton, to.x, to.y);
    EXPECT_FALSE(w->chkDrag()->isChecked());
    EXPECT_FALSE(w->plot()->content().rubberBand.has_value());
    ASSERT_TRUE(w->interaction()->zoomActive());
    const ViewRange view = w->interaction()->view();
    EXPECT_NEAR(static_cast<double>(view.start), 200, 2);
    EXPECT_NEAR(static_cast<double>(view.last()), 600, 2);
    EXPECT_EQ(str(w->panel(3)->text()), "Frames (Zoom): " + std::to_string(view.count));
    EXPECT_EQ(str(w->panel(6)->text()),
              p.app().locale.generalDate(w->log()->recordTime(view.start)));

    w->cmdQuitZoom()->click();
    EXPECT_FALSE(w->interaction()->zoomActive());
    EXPECT_EQ(w->interaction()->view().count, 1001);
    EXPECT_EQ(str(w->panel(3)->text()), "Frames: 1001");
}

TEST_F(DiagramWindowTest, MarkersFillTheDataWindowAndItsStatistics) {
    test::writeWaveLog(dir.file("wave.dat"), 1001);
    frmOfflGraf* w = open(dir.file("wave.dat"));
    ASSERT_NE(w, nullptr);
    const DiagramGeometry g = w->plot()->geometry();
    auto xOf = [&](double record) {
        return g.left() + g.areaWidth() * record / 1000;
    };
    click(*w, Qt::LeftButton, xOf(100), 1000);
    click(*w, Qt::RightButton, xOf(300), 1000);
    const Markers& m = w->interaction()->markers();
    ASSERT_TRUE(m.left() && m.right());
    EXPECT_NEAR(static_cast<double>(m.left()->record), 100, 1);
    EXPECT_NEAR(static_cast<double>(m.right()->record), 300, 1);
    EXPECT_EQ(w->plot()->content().markerLeft, m.left()->record);
    EXPECT_EQ(w->plot()->content().markerRight, m.right()->record);

    frmData& data = diagrams().data();
    const LogData& log = *w->log();
    const RecordReadout left = recordReadout(log, m.left()->record, m.left()->time, p.app().locale);
    EXPECT_EQ(str(data.value(3).text()), left.temperature);
    EXPECT_EQ(str(data.value(4).text()), left.channel2);
    const StatisticsReadout stats = statisticsReadout(
        markerStatistics(log, {m.left()->record, m.right()->record}), p.app().locale);
    EXPECT_EQ(str(data.value(9).text()), stats.tempMax);
    EXPECT_EQ(str(data.value(14).text()), stats.ch2Average);

    // The pointer read-out follows the mouse.
    w->plot_MouseMove(xOf(500), 2000);
    const auto at = pointerAt(xOf(500), g, w->interaction()->view(),
                              {log.header().startTime, log.header().interval});
    ASSERT_TRUE(at);
    EXPECT_EQ(at->record, 500);
    const RecordReadout pointer = recordReadout(log, 500, at->time, p.app().locale);
    EXPECT_EQ(str(data.value(0).text()), pointer.temperature);
    EXPECT_EQ(str(data.value(2).text()), pointer.time);

    QTest::qWait(50); // the status bar lays out its new texts
    // A picture of the window with both markers, for people to look at.
    qobject_cast<QMdiSubWindow*>(w->parentWidget())
        ->grab()
        .save(QStringLiteral(ORV_BINARY_DIR "/screenshot-diagram-markers.png"));

    // Another window cleared the data window; activating this one replays its markers.
    data.Rubber();
    ASSERT_TRUE(data.value(3).text().isEmpty());
    w->Form_Activate();
    EXPECT_EQ(str(data.value(3).text()), left.temperature);
    EXPECT_EQ(str(data.value(9).text()), stats.tempMax);

    // Zoom mode removes both markers and clears the data window.
    w->chkDrag()->setChecked(true);
    EXPECT_FALSE(w->interaction()->markers().left());
    EXPECT_FALSE(w->plot()->content().markerLeft);
    EXPECT_TRUE(data.value(3).text().isEmpty());
    EXPECT_TRUE(data.value(9).text().isEmpty());
}

TEST_F(DiagramWindowTest, ReloadShowsTheRecordsARecordingAppended) {
    LogFileWriter writer;
    ASSERT_TRUE(writer.create(dir.file("rec.dat"), test::headerOf({})));
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(writer.append(20.0f + static_cast<float>(i), 50.0f));
    }
    frmOfflGraf* w = open(dir.file("rec.dat"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(str(w->panel(3)->text()), "Frames: 10");
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(writer.append(30.0f, 50.0f));
    }
    w->toolbarButton(2)->trigger();
    EXPECT_EQ(str(w->panel(6)->text()), "00.00.0000 00:00:00");
    ASSERT_TRUE(waitFor([w] { return w->loaded(); }));
    EXPECT_EQ(str(w->panel(3)->text()), "Frames: 15");
    EXPECT_EQ(w->log()->size(), 15);
    EXPECT_FLOAT_EQ(w->log()->value(Channel::Temperature, 14), 30.0f);
}

TEST_F(DiagramWindowTest, OpenAnotherFileInTheWindowOrKeepItWhenCancelled) {
    test::writeFlatLog(dir.file("one.dat"), 4);
    test::writeFlatLog(dir.file("two.dat"), 7);
    frmOfflGraf* w = open(dir.file("one.dat"));
    ASSERT_NE(w, nullptr);
    w->toolbarButton(1)->trigger(); // cancelled
    EXPECT_TRUE(w->loaded());
    EXPECT_EQ(str(w->panel(3)->text()), "Frames: 4");
    EXPECT_EQ(diagrams().diagramSlots().at(0).fileTitle, "one.dat");

    p.prompts.files.push_back(dir.file("two.dat").string());
    w->toolbarButton(1)->trigger();
    ASSERT_TRUE(waitFor([w] { return w->loaded(); }));
    EXPECT_EQ(str(w->panel(1)->text()), "two.dat");
    EXPECT_EQ(str(w->panel(3)->text()), "Frames: 7");
    EXPECT_EQ(diagrams().diagramSlots().at(0).filePath, dir.file("two.dat").string());
}

TEST_F(DiagramWindowTest, OneRecordShowsTooFewRecordsAndNoRecordsShowNothing) {
    test::writeFlatLog(dir.file("one.dat"), 1);
    test::writeFlatLog(dir.file("none.dat"), 0);
    frmOfflGraf* one = open(dir.file("one.dat"));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->plot()->content().message, "Too less records");
    frmOfflGraf* none = open(dir.file("none.dat"));
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->plot()->content().message.empty());
    EXPECT_EQ(none->plot()->content().data, nullptr);
    EXPECT_EQ(str(none->panel(3)->text()), "");
}

TEST_F(DiagramWindowTest, TheWindowsPictureKeepsCurvesInsideTheFrameWhenZoomed) {
    test::writeWaveLog(dir.file("wave.dat"), 5000);
    frmOfflGraf* w = open(dir.file("wave.dat"));
    ASSERT_NE(w, nullptr);
    roomy(*w);
    // A zoom into the upper humidity values cuts that curve at the bottom edge.
    const DiagramGeometry g = w->plot()->geometry();
    w->chkDrag()->setChecked(true);
    click(*w, Qt::LeftButton, g.left() + 0.1 * g.areaWidth(), g.top() + 0.05 * g.areaHeight());
    click(*w, Qt::LeftButton, g.left() + 0.9 * g.areaWidth(), g.top() + 0.3 * g.areaHeight());
    ASSERT_TRUE(w->interaction()->zoomActive());
    QTest::qWait(20);
    ASSERT_EQ(w->plot()->geometry().boxWidth(), g.boxWidth());
    const QImage image = w->plot()->grab().toImage();
    const double ratio = image.devicePixelRatio();
    const QPointF topLeft = w->plot()->toPixels({g.left(), g.top()}) * ratio;
    const QPointF bottomRight = w->plot()->toPixels({g.right(), g.bottom()}) * ratio;
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < static_cast<int>(bottomRight.x()) + 3; ++x) {
            const QRgb c = image.pixel(x, y);
            const bool curve = (qRed(c) > 200 || qGreen(c) > 200) && qBlue(c) < 80 &&
                               (qRed(c) < 80 || qGreen(c) < 80);
            if (!curve) {
                continue;
            }
            const bool in = x >= topLeft.x() - 1 && x <= bottomRight.x() + 1 &&
                            y >= topLeft.y() - 1 && y <= bottomRight.y() + 1;
            (in ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
}

TEST_F(DiagramWindowTest, PlacementIsSavedInTwipsAndTheWindowHasAMinimumSize) {
    test::writeFlatLog(dir.file("a.dat"), 5);
    frmOfflGraf* w = open(dir.file("a.dat"));
    ASSERT_NE(w, nullptr);
    auto* child = qobject_cast<QMdiSubWindow*>(w->parentWidget());
    const ScreenDpi dpi = screenDpi(child);
    child->resize(100, 100);
    EXPECT_GE(child->width(), twipsToPixels(8000, dpi.x));
    EXPECT_GE(child->height(), twipsToPixels(6000, dpi.y));
    EXPECT_GE(child->width(), child->minimumSizeHint().width());
    child->setGeometry(10, 20, 700, 500);
    child->close();
    ASSERT_TRUE(waitFor([&] { return diagrams().windows().empty(); }));
    const IniStore ini = p.store();
    EXPECT_EQ(ini.ReadIniLong("OfflDiagrWindow", "Width", 0), pixelsToTwips(700, dpi.x));
    EXPECT_EQ(ini.ReadIniLong("OfflDiagrWindow", "Left", -1), pixelsToTwips(10, dpi.x));
    frmOfflGraf* again = open(dir.file("a.dat"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(qobject_cast<QMdiSubWindow*>(again->parentWidget())->geometry(),
              QRect(10, 20, 700, 500));
}

} // namespace
} // namespace orv
