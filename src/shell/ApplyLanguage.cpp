#include "shell/ApplyLanguage.h"

#include "offline/frmData.h"
#include "shell/frmMain.h"
#include "shell/MainMenus.h"
#include "shell/QtTranslations.h"
#include "state/LanguageLayout.h"
#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "views/LiveWindows.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QToolBar>
#include <QWidget>

namespace orv {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

void applyMainWindowTexts(QWidget& mainWindow, const StringTable& strings) {
    for (const auto& [control, id] : language::ValueBoxTips) {
        if (auto* box = mainWindow.findChild<QWidget*>(qs(control))) {
            if (const auto tip = strings.text(id)) {
                box->setToolTip(QString::fromStdString(*tip));
            }
        }
    }
    for (const auto& [control, id] : language::MenuCaptions) {
        const auto caption = strings.text(id);
        if (!caption) {
            continue;
        }
        const QString text = QString::fromStdString(*caption);
        if (auto* menu = mainWindow.findChild<QMenu*>(qs(control))) {
            menu->setTitle(text);
        } else if (auto* action = mainWindow.findChild<QAction*>(qs(control))) {
            action->setText(text);
        }
    }
    if (auto* toolbar = mainWindow.findChild<QToolBar*>(QStringLiteral("Toolbar1"))) {
        for (QAction* action : toolbar->actions()) {
            const int number = action->property(kToolbarButtonProperty).toInt();
            for (const auto& [button, id] : language::ToolbarTips) {
                if (button != number) {
                    continue;
                }
                if (const auto tip = strings.text(id)) {
                    action->setToolTip(QString::fromStdString(*tip));
                }
            }
        }
    }
}

void ApplyLanguage(ModMain& app, const std::string& language) {
    if (app.strings.selectLanguage(language)) {
        useQtTranslations(language);
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        applyTagTexts(window, app.strings);
        // The data window's value captions carry the file's units besides the words.
        if (auto* data = qobject_cast<frmData*>(window)) {
            data->LabelAktualisieren();
        }
    }
    for (QWidget* window : windows) {
        if (window->objectName() == QLatin1String("frmMain")) {
            applyMainWindowTexts(*window, app.strings);
        }
        if (auto* main = qobject_cast<frmMain*>(window); main && main->liveWindows()) {
            main->liveWindows()->languageApplied();
        }
    }
}

} // namespace orv
