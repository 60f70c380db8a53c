#pragma once

#include "offline/DiagramSlots.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace orv {

class frmData;
class frmOfflGraf;
class ModMain;
class Prompts;

// The offline diagrams of the program: opens diagram windows in the main window's work area
// (at most five, one per slot), chooses their files with the open dialog, and owns the one
// marker data window that all diagrams share.
class DiagramWindows final : public QObject {
    Q_OBJECT
public:
    DiagramWindows(ModMain& app, Prompts& prompts, QMdiArea& area, QWidget* mainWindow);
    ~DiagramWindows() override;

    // File > View and the toolbar's view button: a sixth window is refused with text 233; a
    // cancelled dialog or a path that does not exist opens nothing.
    void mnuLogView_Click();
    // Files given on the command line, each in a window of its own; beyond five, text 233 once.
    void openFiles(const std::vector<std::string>& paths);
    // A window on `path` without asking; null when all five slots are taken.
    frmOfflGraf* openWindow(const std::string& path);

    // The open dialog (initial folder ViewFileDir, title 240, filters 241). On a choice it sets
    // ViewFilePath, ViewFileTitle and ViewFileDir and returns true; Cancel changes nothing.
    bool Source();
    std::string ViewFilePath;
    std::string ViewFileTitle;

    // The language changed: every diagram and the data window take the new texts.
    void applyLanguage();
    // Program end: the data window saves its placement.
    void unload();

    [[nodiscard]] std::vector<frmOfflGraf*> windows() const;
    // The diagram window active in the work area, if any.
    [[nodiscard]] frmOfflGraf* activeWindow() const;
    // File > Report: enabled while a diagram window is active, reports that window.
    void setReportItem(QAction* item);
    [[nodiscard]] DiagramSlots& diagramSlots() { return slots_; }
    [[nodiscard]] frmData& data() { return *data_; }
    [[nodiscard]] ModMain& app() { return app_; }
    [[nodiscard]] Prompts& prompts() { return prompts_; }
    [[nodiscard]] QMdiArea& area() { return area_; }

private:
    void placeWindow(QMdiSubWindow& child, bool first);

    ModMain& app_;
    Prompts& prompts_;
    QMdiArea& area_;
    DiagramSlots slots_;
    frmData* data_ = nullptr; // a window of its own, owned by the main window
    QPointer<QAction> reportItem_;
};

} // namespace orv
