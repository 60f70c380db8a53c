// Reads an installed tree the way the program and the desktops do, for tests/install/check-install:
//   install-check help PROGRAM_FOLDER   the help folder the program finds from there, then the
//                                       title of each manual as the help window shows it
//   install-check mime FILE...          the MIME type Qt's database (as KDE uses it) gives each
//   file
#include "shell/HelpWindow.h"

#include <QApplication>
#include <QDir>
#include <QMimeDatabase>

#include <cstdio>

namespace {

int help(const QString& programFolder) {
    const QString folder = orv::findHelpFolder(programFolder);
    std::printf("folder %s\n", qPrintable(folder));
    int status = 0;
    for (const char* language : {"de", "en"}) {
        orv::HelpWindow window;
        if (window.showFile(QDir(folder).filePath(orv::helpFileName(language)))) {
            std::printf("%s %s\n", language, qPrintable(window.windowTitle()));
        } else {
            std::printf("%s missing\n", language);
            status = 1;
        }
    }
    return status;
}

int mime(const QStringList& files) {
    const QMimeDatabase db;
    for (const QString& file : files) {
        std::printf("%s\n", qPrintable(db.mimeTypeForFile(file).name()));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() == 2 && args[0] == u"help") {
        return help(args[1]);
    }
    if (args.size() >= 2 && args[0] == u"mime") {
        return mime(args.mid(1));
    }
    std::fprintf(stderr, "usage: install-check help PROGRAM_FOLDER | mime FILE...\n");
    return 2;
}
