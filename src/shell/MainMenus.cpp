#include "shell/MainMenus.h"

#include "shell/ShellIcons.h"
#include "state/LanguageTags.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSizePolicy>
#include <QToolBar>
#include <QToolButton>

namespace orv {

namespace {

constexpr char kChildEntryProperty[] = "childWindowEntry";

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QMenu* addSubMenu(QMenu* parent, const char* name, const QString& caption) {
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* addItem(QMenu* menu, const char* name, const QString& caption, bool enabled = true) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(enabled);
    return action;
}

QAction* addButton(QToolBar* bar, int number, ShellPicture picture) {
    QAction* action = bar->addAction(shellIcon(picture), QString());
    action->setObjectName(QStringLiteral("Toolbar1Button%1").arg(number));
    action->setProperty(kToolbarButtonProperty, number);
    return action;
}

QAction* addSeparator(QToolBar* bar, int number) {
    QAction* action = bar->addSeparator();
    action->setObjectName(QStringLiteral("Toolbar1Button%1").arg(number));
    action->setProperty(kToolbarButtonProperty, number);
    return action;
}

QToolButton* languageButton(QWidget* parent, const char* name, int tag, ShellPicture flag) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(shellIcon(flag));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    setTag(button, tag);
    return button;
}

} // namespace

MainMenus buildMainMenus(QMainWindow& window) {
    MainMenus m;
    QMenuBar* bar = window.menuBar();

    // Recording (mnuOpenLog, mnuCloseLog, mnuStartLog), the offline view (mnuLogView) and the
    // live windows start disabled: the window wiring them enables what its state allows.
    m.mnu1 = addMenu(bar, "mnu1", QStringLiteral("&Datei"));
    m.mnuOpenLog = addItem(m.mnu1, "mnuOpenLog", QStringLiteral("&Neu"), false);
    m.mnuCloseLog = addItem(m.mnu1, "mnuCloseLog", QStringLiteral("&Schließen"), false);
    m.mnuLogView = addItem(m.mnu1, "mnuLogView", QStringLiteral("&Ansehen"), false);
    m.mnuReport = addItem(m.mnu1, "mnuReport", QStringLiteral("Bericht (PDF)"), false);
    m.mnuStartLog = addItem(m.mnu1, "mnuStartLog", QStringLiteral("S&tart"), false);
    m.mnu1->addSeparator()->setObjectName(QStringLiteral("mnu0"));
    m.mnuEnd = addItem(m.mnu1, "mnuEnd", QStringLiteral("&Beenden"));

    m.mnu3 = addMenu(bar, "mnu3", QStringLiteral("&Einstellungen"));
    m.mnuPort = addItem(m.mnu3, "mnuPort", QStringLiteral("&Schnittstelle"));
    m.mnuMessw = addItem(m.mnu3, "mnuMessw", QStringLiteral("&Messwerteinstellungen"));
    m.mnuAlarms = addItem(m.mnu3, "mnuAlarms", QStringLiteral("&Alarme..."));
    m.mnuReset = addItem(m.mnu3, "mnuReset", QStringLiteral("&Reset"));

    m.mnu4 = addMenu(bar, "mnu4", QStringLiteral("&Fenster"));
    m.mnuOnline = addItem(m.mnu4, "mnuOnline", QStringLiteral("&Online-Messwerte"), false);
    m.mnuMon = addItem(m.mnu4, "mnuMon", QStringLiteral("RS232-&Monitor"), false);
    m.mnuOnlGraf = addItem(m.mnu4, "mnuOnlGraf", QStringLiteral("Online-&Diagramm"), false);
    for (QAction* live : {m.mnuOnline, m.mnuMon, m.mnuOnlGraf}) {
        live->setCheckable(true);
    }
    m.mnu4->addSeparator()->setObjectName(QStringLiteral("mnu9"));
    m.mnu8 = addSubMenu(m.mnu4, "mnu8", QStringLiteral("Fenster &anpassen"));
    m.mnuWSet = addItem(m.mnu8, "mnuWSet", QStringLiteral("a&ktives Fenster"));
    m.mnuWMainSet = addItem(m.mnu8, "mnuWMainSet", QStringLiteral("&Hauptfenster"));

    m.mnuHelp = addMenu(bar, "mnuHelp", QStringLiteral("&Hilfe"));
    m.mnuHilfe = addItem(m.mnuHelp, "mnuHilfe", QStringLiteral("&Hilfe"));
    m.mnuInfo = addItem(m.mnuHelp, "mnuInfo", QStringLiteral("&Info"));

    m.Toolbar1 = window.addToolBar(QStringLiteral("Toolbar1"));
    m.Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m.Toolbar1->setMovable(false);
    m.Toolbar1->setFloatable(false);
    m.Toolbar1->setIconSize(QSize(24, 24));
    m.Toolbar1->toggleViewAction()->setEnabled(false);
    m.Toolbar1->setContextMenuPolicy(Qt::PreventContextMenu);
    m.button[1] = addSeparator(m.Toolbar1, 1);
    m.button[2] = addButton(m.Toolbar1, 2, ShellPicture::OnlineChart);
    m.button[3] = addButton(m.Toolbar1, 3, ShellPicture::ViewFile);
    m.button[4] = addSeparator(m.Toolbar1, 4);
    m.button[5] = addButton(m.Toolbar1, 5, ShellPicture::NewFile);
    m.button[6] = addButton(m.Toolbar1, 6, ShellPicture::StartRecord);
    m.button[7] = addButton(m.Toolbar1, 7, ShellPicture::StopRecord);
    // Enabled by the recording commands, the diagram windows and the live windows once wired.
    for (int n : {2, 3, 5, 6, 7}) {
        m.button[static_cast<std::size_t>(n)]->setEnabled(false);
    }

    auto* spacer = new QWidget(m.Toolbar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m.Toolbar1->addWidget(spacer);
    m.cmdGer = languageButton(m.Toolbar1, "cmdGer", 1, ShellPicture::FlagGerman);
    m.cmdUk = languageButton(m.Toolbar1, "cmdUk", 2, ShellPicture::FlagUk);
    m.Toolbar1->addWidget(m.cmdGer);
    m.Toolbar1->addWidget(m.cmdUk);
    return m;
}

void refreshWindowList(QMenu& windowMenu, QMdiArea& area) {
    for (QAction* action : windowMenu.actions()) {
        if (action->property(kChildEntryProperty).toBool()) {
            windowMenu.removeAction(action);
            action->deleteLater();
        }
    }
    const QList<QMdiSubWindow*> children = area.subWindowList();
    if (children.isEmpty()) {
        return;
    }
    QAction* separator = windowMenu.addSeparator();
    separator->setProperty(kChildEntryProperty, true);
    int number = 1;
    for (QMdiSubWindow* child : children) {
        QAction* entry =
            windowMenu.addAction(QStringLiteral("&%1 %2").arg(number++).arg(child->windowTitle()));
        entry->setProperty(kChildEntryProperty, true);
        entry->setCheckable(true);
        entry->setChecked(child == area.activeSubWindow());
        QObject::connect(entry, &QAction::triggered, &area,
                         [&area, target = QPointer<QMdiSubWindow>(child)] {
                             if (target) {
                                 area.setActiveSubWindow(target);
                             }
                         });
    }
}

} // namespace orv
