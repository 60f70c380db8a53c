#pragma once

#include <array>

class QAction;
class QMainWindow;
class QMdiArea;
class QMenu;
class QToolBar;
class QToolButton;

namespace orv {

// The menu tree, toolbar and language buttons of the main window. Every item carries its design
// name as object name, so the language switch and tests find it. Items whose windows belong to
// later parts of the program (recording, offline view) exist but stay disabled until those
// windows enable them.
struct MainMenus {
    QMenu* mnu1 = nullptr;
    QAction* mnuOpenLog = nullptr;
    QAction* mnuCloseLog = nullptr;
    QAction* mnuLogView = nullptr;
    QAction* mnuReport = nullptr; // the active diagram window's PDF report
    QAction* mnuStartLog = nullptr;
    QAction* mnuEnd = nullptr;

    QMenu* mnu3 = nullptr;
    QAction* mnuPort = nullptr;
    QAction* mnuMessw = nullptr;
    QAction* mnuAlarms = nullptr;
    QAction* mnuReset = nullptr;

    QMenu* mnu4 = nullptr;
    QAction* mnuOnline = nullptr;
    QAction* mnuMon = nullptr;
    QAction* mnuOnlGraf = nullptr;
    QMenu* mnu8 = nullptr;
    QAction* mnuWSet = nullptr;
    QAction* mnuWMainSet = nullptr;

    QMenu* mnuHelp = nullptr;
    QAction* mnuHilfe = nullptr;
    QAction* mnuInfo = nullptr;

    QToolBar* Toolbar1 = nullptr;
    // Toolbar buttons by their number 1..7 (index 0 unused); 1 and 4 are separators.
    std::array<QAction*, 8> button{};

    QToolButton* cmdGer = nullptr;
    QToolButton* cmdUk = nullptr;
};

// The toolbar property holding a button's number, read by the language switch.
inline constexpr char kToolbarButtonProperty[] = "toolbarButton";

// Builds the menus into the window's menu bar and adds the toolbar. Captions are the German
// design texts until the first language switch.
[[nodiscard]] MainMenus buildMainMenus(QMainWindow& window);

// Rebuilds the list of open child windows at the end of the Window menu (one checkable entry per
// child, the active one checked), so choosing an entry activates that child.
void refreshWindowList(QMenu& windowMenu, QMdiArea& area);

} // namespace orv
