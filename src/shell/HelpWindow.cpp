#include "shell/HelpWindow.h"

#include "shell/ShellIcons.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace orv {

QString helpFileName(const std::string& language) {
    return language == "de" ? QStringLiteral("VisualORV_hilfe_de.html")
                            : QStringLiteral("VisualORV_help_eng.html");
}

QString findHelpFolder(const QString& programFolder) {
    const QDir program(programFolder);
    const QString candidates[] = {
        program.absolutePath(),
        QDir::cleanPath(program.absoluteFilePath(QStringLiteral(ORV_HELP_FROM_PROGRAM))),
    };
    for (const QString& folder : candidates) {
        const QDir dir(folder);
        for (const char* language : {"de", "en"}) {
            if (QFileInfo(dir.filePath(helpFileName(language))).isFile()) {
                return folder;
            }
        }
    }
    return candidates[0];
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowIcon(productIcon());
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(true);
    browser_->document()->setDocumentMargin(14);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    // Never larger than most of the screen, so that it can be centred over the main window.
    QSize size(720, 640);
    if (const QScreen* screen = this->screen()) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
}

bool HelpWindow::showFile(const QString& file) {
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable()) {
        return false;
    }
    browser_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    if (browser_->toPlainText().isEmpty()) {
        return false;
    }
    setWindowTitle(browser_->documentTitle().isEmpty() ? QStringLiteral("VisualORV")
                                                       : browser_->documentTitle());
    show();
    raise();
    activateWindow();
    return true;
}

} // namespace orv
