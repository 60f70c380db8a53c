#include "link/frmAutoScan.h"

#include "LinkTestSupport.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include <map>
#include <tuple>

namespace orv {
namespace {

using test::LoopbackHost;
using test::waitFor;

// Reverse lookups answered from a table when the test releases them. The system resolver is never
// asked, so no query leaves the machine.
struct FakeResolver {
    std::map<QString, QString> names;
    std::vector<std::pair<QString, std::function<void(const QString&)>>> held;

    HostLookup lookup() {
        return [this](const QString& ip, QObject*, std::function<void(const QString&)> done) {
            held.emplace_back(ip, std::move(done));
        };
    }
    void releaseAll() {
        for (auto& [ip, done] : held) {
            done(names[ip]);
        }
        held.clear();
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
        return std::make_unique<frmAutoScan>(
            state_->app, state_->prompts, field_, port_, [local] { return local; },
            ScanOptions{.checkMs = 20,
                        .tickMs = 25,
                        .silentHostMs = silentHostMs,
                        .lookupHost = resolver_.lookup()});
    }

    static bool runToEnd(frmAutoScan& scan) {
        QSignalSpy finished(&scan, &frmAutoScan::scanFinished);
        scan.show();
        return finished.wait(10000);
    }

    bool startSensors() {
        return five_.tcp(port_, {"--serial-number", "SENSOR05"}, QStringLiteral("127.0.0.5")) &&
               // The second sensor's frames arrive in pieces of 7 bytes.
               nine_.tcp(port_, {"--serial-number", "SENSOR09", "--split", "7"},
                         QStringLiteral("127.0.0.9"));
    }

    static int rowOf(QTableWidget& grid, const QString& ip) {
        const auto items = grid.findItems(ip, Qt::MatchExactly);
        return items.isEmpty() ? -1 : items.front()->row();
    }

    static void doubleClickRow(QTableWidget& grid, int row) {
        const QRect cell = grid.visualRect(grid.model()->index(row, 1));
        // A real double-click starts with a plain click; the view needs its press.
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    }

    std::unique_ptr<test::AppState> state_ = std::make_unique<test::AppState>("de");
    QLineEdit field_;
    FakeResolver resolver_;
    quint16 port_ = 0;
    test::Sim five_;
    test::Sim nine_;
};

// Both sensors are listed with serial number, port and host name; a host that connects but never
// answers is closed when its time is up; the sweep ends at .253; the progress dots cycle; the
// results fit the window.
TEST_F(ScanTest, FindsBothSensorsClosesTheSilentHostAndFitsInBothLanguages) {
    ASSERT_TRUE(startSensors());
    const std::tuple<std::string, const char*, const char*, QString> cases[] = {
        {"de", "Übernehmen der Daten mit Doppelklick in die Tabelle", "&Beenden",
         "Scanne Netzwerk "},
        {"eng", "Doubleclick in table to choose data", "&Quit", "network scan "}};
    for (const auto& [language, info, close, progress] : cases) {
        SCOPED_TRACE(language);
        state_ = std::make_unique<test::AppState>(language);
        LoopbackHost silent;
        LoopbackHost last;
        LoopbackHost beyond;
        ASSERT_TRUE(silent.listen(QStringLiteral("127.0.0.7"), port_, LoopbackHost::Mode::Silent));
        ASSERT_TRUE(last.listen(QStringLiteral("127.0.0.253"), port_, LoopbackHost::Mode::HangUp));
        ASSERT_TRUE(
            beyond.listen(QStringLiteral("127.0.0.254"), port_, LoopbackHost::Mode::HangUp));

        auto scan = makeScan(600);
        std::vector<int> dots; // at each progress tick
        QObject::connect(&scan->tmrTick(), &QTimer::timeout, scan.get(), [&] {
            const QString text = scan->lblInfo().text();
            if (text.startsWith(progress)) {
                dots.push_back(static_cast<int>(text.size() - progress.size()));
                EXPECT_EQ(text.mid(progress.size()), QString(dots.back(), QLatin1Char('.')));
            }
        });
        EXPECT_EQ(scan->NetPrefix(), "127.0.0.");
        EXPECT_EQ(scan->windowTitle(), "Network Scan");
        EXPECT_EQ(scan->lblScanInfo().text().toStdString(), info);
        EXPECT_EQ(scan->Command2().text().toStdString(), close);
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(runToEnd(*scan));

        EXPECT_EQ(scan->FoundCount(), 2);
        QTableWidget& grid = scan->Grid();
        ASSERT_EQ(grid.rowCount(), 2);
        EXPECT_EQ(resolver_.held.size(), 2u); // also the sensor found in the last ticks
        resolver_.releaseAll();
        const std::tuple<const char*, const char*, const char*> rows[] = {
            {"127.0.0.5", "SENSOR05", "sensor-five.lab.example"},
            {"127.0.0.9", "SENSOR09", "<nicht verfügbar>"}};
        for (const auto& [ip, serial, host] : rows) {
            const int r = rowOf(grid, QString::fromUtf8(ip));
            ASSERT_GE(r, 0) << ip;
            EXPECT_EQ(grid.item(r, 2)->text().toStdString(), serial);
            EXPECT_EQ(grid.item(r, 3)->text().toInt(), port_);
            EXPECT_EQ(grid.item(r, 0)->text().toStdString(), host);
        }

        EXPECT_EQ(silent.accepted(), 1);
        EXPECT_TRUE(waitFor([&] { return silent.closedByPeer() == 1; }, 2000));
        EXPECT_GE(clock.elapsed(), 600);
        ASSERT_GE(dots.size(), 11u);
        for (std::size_t i = 0; i < dots.size(); ++i) {
            EXPECT_EQ(dots[i], static_cast<int>(i % 9) + 1) << i;
        }
        EXPECT_EQ(last.accepted(), 1);
        EXPECT_EQ(beyond.accepted(), 0);
        EXPECT_EQ(scan->Label2().text(), "127.0.0.253");
        EXPECT_FALSE(scan->tmrCheck().isActive());
        EXPECT_FALSE(scan->tmrTick().isActive());
        EXPECT_TRUE(scan->lblInfo().text().isEmpty());
        EXPECT_EQ(scan->socketCount(), 0);
        EXPECT_TRUE(state_->prompts.asked.empty()); // sensors found: no message

        grid.sortItems(1);
        EXPECT_EQ(test::clippedTexts(*scan), std::vector<std::string>{});
        // Address, serial number and port show whole (a host name too long for its column
        // shows whole as a tip), and no column needs a horizontal scroll.
        const QFontMetrics fm(grid.font());
        for (int r = 0; r < grid.rowCount(); ++r) {
            EXPECT_EQ(grid.item(r, 0)->toolTip(), grid.item(r, 0)->text());
            for (int col = 0; col < grid.columnCount(); ++col) {
                EXPECT_LT(fm.horizontalAdvance(grid.item(r, col)->text()), grid.columnWidth(col))
                    << r << "/" << col;
            }
        }
        EXPECT_LE(grid.horizontalHeader()->length(), grid.viewport()->width());
        scan->lblInfo().setText(language == "de" ? "Scanne Netzwerk ....." : "network scan .....");
        test::saveScreenshot(*scan, QString::fromStdString("frmAutoScan-" + language + ".png"));
    }
}

TEST_F(ScanTest, NothingFoundShowsOneMessageInTheCurrentLanguage) {
    const std::string port = std::to_string(port_);
    const std::string english =
        "No sensors are found on port " + port + "Please check network connection.";
    // Language, our own address, the message.
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"de", "127.0.0.1",
         "Es wurde keine Sensoren im Netzwerk auf Port " + port +
             " gefunden. Prüfen Sie, ob eine Netzwerkverbindung besteht und wiederholen Sie den "
             "Vorgang."},
        {"eng", "127.0.0.1", english},
        // No IPv4 address of our own: nothing to sweep, the same message at once.
        {"eng", "", english},
    };
    for (const auto& [language, local, text] : cases) {
        SCOPED_TRACE(std::string(language) + " " + local);
        state_ = std::make_unique<test::AppState>(language);
        auto scan = makeScan(400, local);
        ASSERT_TRUE(runToEnd(*scan));
        QTest::qWait(60); // a second end-of-scan message would come with the next ticks
        const auto& asked = state_->prompts.asked;
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, text);
        EXPECT_EQ(asked[0].buttons, Prompts::Buttons::Ok);
        EXPECT_FALSE(scan->tmrCheck().isActive());
        EXPECT_FALSE(scan->tmrTick().isActive());
        EXPECT_EQ(scan->FoundCount(), 0);
        EXPECT_EQ(scan->Grid().rowCount(), 0);
    }
}

// Rows are adopted while the scan still runs (a name not known yet adopts the address); closing
// then tears down every socket, also the one the silent host holds, and reports nothing.
TEST_F(ScanTest, DoubleClickAdoptsNameOrAddressAndClosingTearsDownEverySocket) {
    ASSERT_TRUE(startSensors());
    LoopbackHost silent;
    ASSERT_TRUE(silent.listen(QStringLiteral("127.0.0.7"), port_, LoopbackHost::Mode::Silent));
    auto scan = makeScan(60000);
    QSignalSpy finished(scan.get(), &frmAutoScan::scanFinished);
    scan->show();
    ASSERT_TRUE(waitFor([&] { return silent.accepted() == 1 && scan->FoundCount() == 2; }));
    QTableWidget& grid = scan->Grid();
    const int five = rowOf(grid, QStringLiteral("127.0.0.5"));
    const int nine = rowOf(grid, QStringLiteral("127.0.0.9"));
    ASSERT_GE(five, 0);
    ASSERT_GE(nine, 0);

    field_.setText(QStringLiteral("old"));
    doubleClickRow(grid, five);
    EXPECT_EQ(field_.text(), "127.0.0.5");
    resolver_.releaseAll();
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
    EXPECT_TRUE(state_->prompts.asked.empty());
}

} // namespace
} // namespace orv
