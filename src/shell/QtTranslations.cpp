#include "shell/QtTranslations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace orv {

namespace {

std::unique_ptr<QTranslator>& installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

void useQtTranslations(const std::string& language) {
    std::unique_ptr<QTranslator>& current = installed();
    const QString wanted = language == "de" ? QStringLiteral("qtbase_de") : QString();
    if (current && QFileInfo(current->filePath()).completeBaseName() == wanted) {
        return;
    }
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }
    if (wanted.isEmpty()) {
        return;
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(wanted, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get())) {
        current = std::move(translator);
    }
}

QString qtTranslationsInUse() {
    const std::unique_ptr<QTranslator>& current = installed();
    return current ? current->filePath() : QString();
}

} // namespace orv
