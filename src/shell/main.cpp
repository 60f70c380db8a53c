// VisualORV: live temperature, humidity and dew point from one sensor on a serial port or the
// network, in German or English, with every setting remembered in VisualORV.Ini.
#include "link/frmAutoScan.h"
#include "offline/DiagramWindows.h"
#include "platform/SignalBridge.h"
#include "shell/Program.h"
#include "state/SettingsLocation.h"
#include "views/frmMonitor.h"
#include "views/frmOnlGraf.h"
#include "views/frmOnline.h"
#include "views/LiveWindows.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <cstdio>

namespace {

// The network scan derives its address range from this address. ORV_LOCAL_ADDRESS overrides the
// system's (the demo sets 127.0.0.1, so a scan there only ever probes loopback).
std::function<std::string()> localAddressSource() {
    const QByteArray configured = qgetenv("ORV_LOCAL_ADDRESS").trimmed();
    if (!configured.isEmpty()) {
        return [address = configured.toStdString()] {
            return address;
        };
    }
    return [] {
        return orv::systemLocalAddress();
    };
}

// ORV_SCREENSHOT=path: the demo on a machine without a display grabs the main window once it
// has shown live values for a while (ORV_SCREENSHOT_DELAY_MS, default 4000);
// ORV_SCREENSHOT_DIAGRAM=path grabs the first diagram window at the same moment.
void scheduleScreenshot(QWidget& window) {
    const QString path = qEnvironmentVariable("ORV_SCREENSHOT");
    if (path.isEmpty()) {
        return;
    }
    bool ok = false;
    int delay = qEnvironmentVariableIntValue("ORV_SCREENSHOT_DELAY_MS", &ok);
    if (!ok) {
        delay = 4000;
    }
    QTimer::singleShot(delay, &window, [&window, path] {
        const QString diagramPath = qEnvironmentVariable("ORV_SCREENSHOT_DIAGRAM");
        const auto* area = window.findChild<QMdiArea*>();
        if (!diagramPath.isEmpty() && area && !area->subWindowList().isEmpty()) {
            if (area->subWindowList().first()->grab().save(diagramPath)) {
                std::fprintf(stderr, "VisualORV: screenshot of the diagram window written to %s\n",
                             qPrintable(diagramPath));
            }
        }
        if (window.grab().save(path)) {
            std::fprintf(stderr, "VisualORV: screenshot of the main window written to %s\n",
                         qPrintable(path));
        } else {
            std::fprintf(stderr, "VisualORV: could not write the screenshot %s\n",
                         qPrintable(path));
        }
    });
}

// ORV_VALUE_TEXTS=path: the end-to-end tests read what the main window shows. Once the start
// sequence is done and whenever a value box changes, one line with the texts of the three value
// boxes (temperature, humidity, dew point), separated by tabs, is appended to that file.
void reportValueTexts(orv::frmMain& window) {
    const QString path = qEnvironmentVariable("ORV_VALUE_TEXTS");
    if (path.isEmpty()) {
        return;
    }
    const auto write = [&window, path] {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString line = window.txtTemp()->text() + u'\t' + window.txtRH()->text() + u'\t' +
                                 window.txtTp()->text() + u'\n';
            file.write(line.toUtf8());
        }
    };
    for (QLineEdit* box : {window.txtTemp(), window.txtRH(), window.txtTp()}) {
        QObject::connect(box, &QLineEdit::textChanged, &window, write);
    }
    write();
}

// ORV_WINDOW_REPORT=path: the end-to-end tests see which live windows are open. Every half
// second the file is rewritten with one line per open live window: its name, whether it is
// visible, its title, and for the chart the number of redraws so far.
void reportLiveWindows(orv::frmMain& window) {
    const QString path = qEnvironmentVariable("ORV_WINDOW_REPORT");
    if (path.isEmpty()) {
        return;
    }
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, path] {
        const orv::LiveWindows& live = *window.liveWindows();
        QString report;
        if (const orv::frmOnline* online = live.online()) {
            report += QStringLiteral("frmOnline\t%1\t%2\n")
                          .arg(online->isVisible() ? 1 : 0)
                          .arg(online->windowTitle());
        }
        if (const orv::frmOnlGraf* chart = live.chart()) {
            report += QStringLiteral("frmOnlGraf\t%1\t%2\tredraws=%3\n")
                          .arg(chart->subWindow()->isVisible() ? 1 : 0)
                          .arg(chart->subWindow()->windowTitle())
                          .arg(chart->redrawCount());
        }
        if (const orv::frmMonitor* monitor = live.monitor()) {
            report += QStringLiteral("frmMonitor\t%1\t%2\n")
                          .arg(monitor->subWindow()->isVisible() ? 1 : 0)
                          .arg(monitor->subWindow()->windowTitle());
        }
        QFile file(path + QStringLiteral(".new"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(report.toUtf8());
            file.close();
            QFile::remove(path);
            file.rename(path);
        }
    });
    timer->start(500);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VisualORV"));
    // Lets the desktop match the windows to the installed entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("visualorv"));
    // Only the shutdown sequence ends the program, not the last dialog of the first run.
    QApplication::setQuitOnLastWindowClosed(false);

    orv::ProgramOptions options;
    // The settings file is named after the executable: VisualORV -> VisualORV.Ini.
    options.location = orv::settingsLocation(orv::processEnvironment(argc > 0 ? argv[0] : ""));
    orv::ensureSettingsFolder(options.location);
    options.localAddress = localAddressSource();

    orv::Program program(std::move(options));
    orv::frmMain& window = *program.window;
    QObject::connect(&window, &orv::frmMain::programEnded, &application, &QApplication::quit,
                     Qt::QueuedConnection);

    orv::SignalBridge signalBridge;
    QObject::connect(&signalBridge, &orv::SignalBridge::terminationRequested, &window,
                     [&window](int) { window.requestClose(); });

    program.start();
    reportValueTexts(window);
    // Log files named on the command line (file managers, the desktop entry) open in diagrams.
    std::vector<std::string> files;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(u'-')) {
            files.push_back(QFileInfo(arguments[i]).absoluteFilePath().toStdString());
        }
    }
    if (!files.empty()) {
        window.diagrams().openFiles(files);
    }
    reportLiveWindows(window);
    scheduleScreenshot(window);
    return QApplication::exec();
}
