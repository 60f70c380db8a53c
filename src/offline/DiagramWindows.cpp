#include "offline/DiagramWindows.h"

#include "offline/frmData.h"
#include "offline/frmOfflGraf.h"
#include "platform/Prompts.h"
#include "platform/ScreenTwips.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <filesystem>
#include <system_error>

namespace orv {

DiagramWindows::DiagramWindows(ModMain& app, Prompts& prompts, QMdiArea& area, QWidget* mainWindow)
    : QObject(&area), app_(app), prompts_(prompts), area_(area),
      data_(new frmData(app, mainWindow)) {
    connect(&area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* child) {
        auto* window = qobject_cast<frmOfflGraf*>(child ? child->widget() : nullptr);
        if (window) {
            window->Form_Activate();
        }
        if (reportItem_) {
            reportItem_->setEnabled(window != nullptr);
        }
    });
}

DiagramWindows::~DiagramWindows() = default;

frmOfflGraf* DiagramWindows::activeWindow() const {
    QMdiSubWindow* child = area_.activeSubWindow();
    return qobject_cast<frmOfflGraf*>(child ? child->widget() : nullptr);
}

void DiagramWindows::setReportItem(QAction* item) {
    reportItem_ = item;
    item->setEnabled(activeWindow() != nullptr);
    item->setText(QString::fromStdString(app_.text(383, "Bericht (PDF)")));
    connect(item, &QAction::triggered, this, [this] {
        if (frmOfflGraf* window = activeWindow()) {
            window->cmdReport_Click();
        }
    });
}

bool DiagramWindows::Source() {
    Prompts::FileDialog dialog;
    dialog.title = app_.text(240, "Quelldatei öffnen ");
    dialog.filter = app_.text(241, "dat-Dateien (*.dat)|*.dat|alle Dateien (*.*)|*.*");
    dialog.folder = app_.ViewFileDir;
    dialog.save = false;
    const std::string chosen = prompts_.chooseFile(dialog);
    if (chosen.empty()) {
        return false;
    }
    const std::filesystem::path path(chosen);
    ViewFilePath = chosen;
    ViewFileTitle = path.filename().string();
    std::string folder = path.parent_path().string();
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    app_.ViewFileDir = folder;
    return true;
}

void DiagramWindows::mnuLogView_Click() {
    if (!slots_.firstFree()) {
        prompts_.message("VisualORV", app_.text(233), Prompts::Icon::Information,
                         Prompts::Buttons::Ok);
        return;
    }
    ViewFileTitle.clear();
    if (!Source()) {
        return;
    }
    std::error_code ec;
    if (!std::filesystem::exists(ViewFilePath, ec)) {
        return;
    }
    openWindow(ViewFilePath);
}

void DiagramWindows::openFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (!slots_.firstFree()) {
            prompts_.message("VisualORV", app_.text(233), Prompts::Icon::Information,
                             Prompts::Buttons::Ok);
            return;
        }
        // A file that is not there is reported by its window, like any unreadable file.
        openWindow(path);
    }
}

frmOfflGraf* DiagramWindows::openWindow(const std::string& path) {
    if (!slots_.firstFree()) {
        return nullptr;
    }
    const bool first = slots_.used() == 0;
    auto* window = new frmOfflGraf(*this, path);
    QMdiSubWindow* child = area_.addSubWindow(window);
    child->setAttribute(Qt::WA_DeleteOnClose);
    child->setWindowIcon(area_.window()->windowIcon());
    window->updateMinimumSize();
    placeWindow(*child, first);
    data_->Rubber();
    child->show();
    area_.setActiveSubWindow(child);
    // Activation loads the file; without a focused main window (offscreen, minimised) the work
    // area may not report the activation, so the first one is made here if it did not happen.
    window->Form_Activate();
    return window;
}

void DiagramWindows::placeWindow(QMdiSubWindow& child, bool first) {
    const ScreenDpi dpi = screenDpi(&area_);
    const IniStore& ini = app_.ini;
    child.resize(twipsToPixels(readSetting(ini, keys::OfflDiagrWindowWidth), dpi.x),
                 twipsToPixels(readSetting(ini, keys::OfflDiagrWindowHeight), dpi.y));
    // The first diagram goes where the last one was closed; further ones are placed by the work
    // area beside it.
    if (first) {
        child.move(twipsToPixels(readSetting(ini, keys::OfflDiagrWindowLeft), dpi.x),
                   twipsToPixels(readSetting(ini, keys::OfflDiagrWindowTop), dpi.y));
    }
}

void DiagramWindows::applyLanguage() {
    for (frmOfflGraf* window : windows()) {
        window->applyTexts();
    }
    data_->applyLanguage();
    if (reportItem_) {
        reportItem_->setText(QString::fromStdString(app_.text(383, "Bericht (PDF)")));
    }
}

void DiagramWindows::unload() {
    if (data_) {
        data_->unload();
    }
}

std::vector<frmOfflGraf*> DiagramWindows::windows() const {
    std::vector<frmOfflGraf*> out;
    for (QMdiSubWindow* child : area_.subWindowList(QMdiArea::CreationOrder)) {
        if (auto* window = qobject_cast<frmOfflGraf*>(child->widget())) {
            out.push_back(window);
        }
    }
    return out;
}

} // namespace orv
