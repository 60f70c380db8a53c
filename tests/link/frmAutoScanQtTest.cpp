#include "link/frmAutoScan.h"
#include "platform/QtTcpClient.h"
#include "ScanTestSupport.h"
#include "support/ScriptedPrompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <map>

namespace orv {
namespace {

using test::LoopbackHost;
using test::waitFor;

// Reverse lookups answered by the test: either at once from a table, or held until the test
// releases them. The system resolver is never asked, so no query leaves the machine.
struct FakeResolver {
    std::map<QString, QString> names;
    bool hold = false;
    std::vector<std::pair<QString, std::function<void(const QString&)>>> held;
    int asked = 0;

    HostLookup lookup() {
        return
            [this](const QString& ip, QObject* context, std::function<void(const QString&)> done) {
                ++asked;
                if (hold) {
                    held.emplace_back(ip, std::move(done));
                    return;
                }
                const auto it = names.find(ip);
                const QString name = it == names.end() ? QString() : it->second;
                QTimer::singleShot(0, context, [done = std::move(done), name] { done(name); });
            };
    }
    void release(const QString& ip) {
        for (auto& [address, done] : held) {
            if (address == ip && done) {
                const auto it = names.find(ip);
                done(it == names.end() ? QString() : it->second);
                done = nullptr;
            }
        }
    }
};

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = test::freeLoopbackPort();
        ASSERT_NE(port_, 0);
        resolver_.names[QStringLiteral("127.0.0.5")] = QStringLiteral("sensor-five.lab.example");
    }

    std::unique_ptr<frmAutoScan> makeScan(int silentHostMs = 400, std::string local = "127.0.0.1") {
        ScanOptions options;
        options.checkMs = 20;
        options.tickMs = 25;
        options.silentHostMs = silentHostMs;
        options.lookupHost = resolver_.lookup();
        return std::make_unique<frmAutoScan>(
            state_->app, prompts_, field_, port_, [local] { return local; }, options);
    }

    bool startSensors() {
        return five_.start(QStringLiteral("127.0.0.5"), port_, QStringLiteral("SENSOR05")) &&
               // The second sensor's frames arrive in pieces of 7 bytes.
               nine_.start(QStringLiteral("127.0.0.9"), port_, QStringLiteral("SENSOR09"),
                           {QStringLiteral("--split"), QStringLiteral("7")});
    }

    static int rowOf(QTableWidget& grid, const QString& ip) {
        for (int r = 0; r < grid.rowCount(); ++r) {
            if (grid.item(r, 1) && grid.item(r, 1)->text() == ip) {
                return r;
            }
        }
        return -1;
    }

    static void doubleClickRow(QTableWidget& grid, int row) {
        const QRect cell = grid.visualRect(grid.model()->index(row, 1));
        // A real double-click starts with a plain click; the view needs its press.
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    }

    std::unique_ptr<test::AppState> state_ = std::make_unique<test::AppState>("de");
    test::ScriptedPrompts prompts_;
    QLineEdit field_;
    FakeResolver resolver_;
    quint16 port_ = 0;
    test::SimSensor five_;
    test::SimSensor nine_;
};

TEST_F(ScanTest, FindsBothSensorsClosesTheSilentHostAndFinishes) {
    ASSERT_TRUE(startSensors()) << five_.errors().toStdString() << nine_.errors().toStdString();
    LoopbackHost silent;
    LoopbackHost last;
    LoopbackHost beyond;
    ASSERT_TRUE(silent.listen(QStringLiteral("127.0.0.7"), port_, LoopbackHost::Mode::Silent));
    ASSERT_TRUE(last.listen(QStringLiteral("127.0.0.253"), port_, LoopbackHost::Mode::HangUp));
    ASSERT_TRUE(beyond.listen(QStringLiteral("127.0.0.254"), port_, LoopbackHost::Mode::HangUp));

    auto scan = makeScan();
    EXPECT_EQ(scan->NetPrefix(), "127.0.0.");
    EXPECT_EQ(scan->windowTitle(), "Network Scan");
    EXPECT_EQ(scan->lblScanInfo().text(), "Übernehmen der Daten mit Doppelklick in die Tabelle");
    EXPECT_EQ(scan->Command2().text(), "&Beenden");
    QSignalSpy finished(scan.get(), &frmAutoScan::scanFinished);
    QElapsedTimer clock;
    clock.start();
    scan->show();
    ASSERT_TRUE(finished.wait(10000));

    EXPECT_EQ(finished.at(0).at(0).toInt(), 2);
    QTableWidget& grid = scan->Grid();
    ASSERT_EQ(grid.rowCount(), 2);
    struct Expected {
        const char* ip;
        const char* serial;
        const char* host;
    };
    const Expected rows[] = {{"127.0.0.5", "SENSOR05", "sensor-five.lab.example"},
                             {"127.0.0.9", "SENSOR09", "<nicht verfügbar>"}};
    ASSERT_TRUE(waitFor([&] { return !grid.item(rowOf(grid, "127.0.0.9"), 0)->text().isEmpty(); }));
    for (const auto& e : rows) {
        const int r = rowOf(grid, QString::fromUtf8(e.ip));
        ASSERT_GE(r, 0) << e.ip;
        EXPECT_EQ(grid.item(r, 2)->text().toStdString(), e.serial);
        EXPECT_EQ(grid.item(r, 3)->text().toInt(), port_);
        EXPECT_EQ(grid.item(r, 0)->text().toStdString(), e.host);
    }

    // The silent host held one socket until its time was up; the sweep reached .253, not .254.
    EXPECT_EQ(silent.accepted(), 1);
    EXPECT_EQ(silent.closedByPeer(), 1);
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_EQ(last.accepted(), 1);
    EXPECT_EQ(beyond.accepted(), 0);
    EXPECT_EQ(scan->Label2().text(), "127.0.0.253");

    EXPECT_FALSE(scan->tmrCheck().isActive());
    EXPECT_FALSE(scan->tmrTick().isActive());
    EXPECT_TRUE(scan->lblInfo().text().isEmpty());
    EXPECT_EQ(scan->socketCount(), 0);
    EXPECT_TRUE(prompts_.asked.empty()); // sensors found: no message
}

TEST_F(ScanTest, NothingFoundShowsOneMessageInTheCurrentLanguage) {
    struct Case {
        const char* language;
        const char* local;
        std::string text;
    };
    const std::string port = std::to_string(port_);
    const Case cases[] = {
        {"de", "127.0.0.1",
         "Es wurde keine Sensoren im Netzwerk auf Port " + port +
             " gefunden. Prüfen Sie, ob eine Netzwerkverbindung besteht und wiederholen Sie den "
             "Vorgang."},
        {"eng", "127.0.0.1",
         "No sensors are found on port " + port + "Please check network connection."},
        // No IPv4 address of our own: nothing to sweep, the same message at once.
        {"eng", "", "No sensors are found on port " + port + "Please check network connection."},
    };
    for (const auto& c : cases) {
        state_ = std::make_unique<test::AppState>(c.language);
        prompts_.asked.clear();
        auto scan = makeScan(400, c.local);
        QSignalSpy finished(scan.get(), &frmAutoScan::scanFinished);
        scan->show();
        ASSERT_TRUE(finished.wait(10000)) << c.language << c.local;
        QTest::qWait(60); // a second end-of-scan message would come with the next ticks
        ASSERT_EQ(prompts_.asked.size(), 1u) << c.language << c.local;
        EXPECT_EQ(prompts_.asked[0].text, c.text);
        EXPECT_EQ(prompts_.asked[0].buttons, Prompts::Buttons::Ok);
        EXPECT_FALSE(scan->tmrCheck().isActive());
        EXPECT_FALSE(scan->tmrTick().isActive());
        EXPECT_EQ(scan->FoundCount(), 0);
        EXPECT_EQ(scan->Grid().rowCount(), 0);
    }
}

TEST_F(ScanTest, DoubleClickAdoptsNameOrAddress) {
    ASSERT_TRUE(startSensors());
    resolver_.hold = true; // names arrive only when the test releases them
    auto scan = makeScan();
    QSignalSpy finished(scan.get(), &frmAutoScan::scanFinished);
    scan->show();
    ASSERT_TRUE(finished.wait(10000));
    QTableWidget& grid = scan->Grid();
    const int five = rowOf(grid, QStringLiteral("127.0.0.5"));
    const int nine = rowOf(grid, QStringLiteral("127.0.0.9"));
    ASSERT_GE(five, 0);
    ASSERT_GE(nine, 0);
    EXPECT_EQ(resolver_.asked, 2); // also the sensor found in the last ticks gets its lookup

    // Name not known yet: the address is adopted, not an empty name.
    field_.setText(QStringLiteral("old"));
    doubleClickRow(grid, five);
    EXPECT_EQ(field_.text(), "127.0.0.5");

    resolver_.release(QStringLiteral("127.0.0.5"));
    resolver_.release(QStringLiteral("127.0.0.9"));
    EXPECT_EQ(grid.item(five, 0)->text(), "sensor-five.lab.example");
    EXPECT_EQ(grid.item(nine, 0)->text(), "<nicht verfügbar>");
    doubleClickRow(grid, five);
    EXPECT_EQ(field_.text(), "sensor-five");
    doubleClickRow(grid, nine);
    EXPECT_EQ(field_.text(), "127.0.0.9");

    // The header row is no result.
    field_.setText(QStringLiteral("unchanged"));
    QHeaderView* header = grid.horizontalHeader();
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                       QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    EXPECT_EQ(field_.text(), "unchanged");
    EXPECT_TRUE(scan->isVisible()); // adopting keeps the window open
}

TEST_F(ScanTest, ProgressDotsCycleWhileScanning) {
    LoopbackHost silent;
    ASSERT_TRUE(silent.listen(QStringLiteral("127.0.0.7"), port_, LoopbackHost::Mode::Silent));
    auto scan = makeScan(600);
    std::vector<int> dots;
    QObject::connect(&scan->tmrTick(), &QTimer::timeout, scan.get(), [&] {
        const QString text = scan->lblInfo().text();
        if (text.startsWith(QStringLiteral("Scanne Netzwerk "))) {
            dots.push_back(static_cast<int>(text.size() - 16));
            EXPECT_EQ(text.mid(16), QString(dots.back(), QLatin1Char('.')));
        }
    });
    QSignalSpy finished(scan.get(), &frmAutoScan::scanFinished);
    scan->show();
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_GE(dots.size(), 11u);
    for (std::size_t i = 0; i < dots.size(); ++i) {
        EXPECT_EQ(dots[i], static_cast<int>(i % 9) + 1) << i;
    }
}

TEST_F(ScanTest, ClosingTearsDownEverySocket) {
    ASSERT_TRUE(startSensors());
    LoopbackHost silent;
    ASSERT_TRUE(silent.listen(QStringLiteral("127.0.0.7"), port_, LoopbackHost::Mode::Silent));
    auto scan = makeScan(60000);
    QSignalSpy finished(scan.get(), &frmAutoScan::scanFinished);
    scan->show();
    // Close while the silent host still holds its probe.
    ASSERT_TRUE(waitFor([&] { return silent.accepted() == 1 && scan->FoundCount() == 2; }));
    EXPECT_GT(scan->socketCount(), 0);
    QTest::mouseClick(&scan->Command2(), Qt::LeftButton);

    EXPECT_FALSE(scan->isVisible());
    EXPECT_TRUE(state_->app.ScanIdle);
    EXPECT_EQ(scan->socketCount(), 0);
    EXPECT_FALSE(scan->tmrCheck().isActive());
    EXPECT_FALSE(scan->tmrTick().isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(scan->findChildren<QtTcpClient*>().isEmpty());
    ASSERT_TRUE(waitFor([&] { return silent.closedByPeer() == 1; }));
    QTest::qWait(60);
    EXPECT_EQ(finished.count(), 0); // closed, not finished: no message either
    EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(ScanTest, ResultsFitTheWindowInBothLanguages) {
    ASSERT_TRUE(startSensors());
    for (const char* language : {"de", "eng"}) {
        state_ = std::make_unique<test::AppState>(language);
        auto scan = makeScan();
        QSignalSpy finished(scan.get(), &frmAutoScan::scanFinished);
        scan->show();
        ASSERT_TRUE(finished.wait(10000));
        QTableWidget& grid = scan->Grid();
        ASSERT_TRUE(waitFor([&] {
            return grid.rowCount() == 2 && !grid.item(0, 0)->text().isEmpty() &&
                   !grid.item(1, 0)->text().isEmpty();
        }));
        grid.sortItems(1);
        EXPECT_EQ(test::clippedTexts(*scan), std::vector<std::string>{}) << language;
        // Address, serial number and port show whole (a host name too long for its column
        // shows whole as a tip), and no column needs a horizontal scroll.
        const QFontMetrics fm(grid.font());
        for (int r = 0; r < grid.rowCount(); ++r) {
            EXPECT_EQ(grid.item(r, 0)->toolTip(), grid.item(r, 0)->text());
            for (int c = 0; c < grid.columnCount(); ++c) {
                EXPECT_LT(fm.horizontalAdvance(grid.item(r, c)->text()), grid.columnWidth(c))
                    << language << " " << r << "/" << c;
            }
        }
        EXPECT_LE(grid.horizontalHeader()->length(), grid.viewport()->width());
        scan->lblInfo().setText(language == std::string("de") ? "Scanne Netzwerk ....."
                                                              : "network scan .....");
        scan->Label2().setText(QStringLiteral("127.0.0.253"));
        test::saveScreenshot(*scan, QStringLiteral("frmAutoScan-%1.png").arg(language));
    }
}

} // namespace
} // namespace orv
