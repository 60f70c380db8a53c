#pragma once

#include "offline/DiagramInteraction.h"
#include "offline/DiagramView.h"
#include "offline/ExportCommand.h"
#include "offline/LogLoader.h"
#include "offline/ReportCommand.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class QAction;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace orv {

class DiagramWindows;

// A diagram window over one log file: toolbar (open another file, reload), the date/time check
// boxes, zoom mode and its quit button, the data window check box, export, the picture box and
// an eight-panel status bar. The file is read on a worker thread; meanwhile the picture says
// "Loading <file>", the pointer shows that the window is busy, and a load that takes longer than
// a third of a second shows its progress in the status bar.
class frmOfflGraf final : public QWidget {
    Q_OBJECT
public:
    // The window takes a slot for `filePath` (Form_Load); it loads when first activated.
    frmOfflGraf(DiagramWindows& windows, const std::string& filePath, QWidget* parent = nullptr);
    ~frmOfflGraf() override;

    // Activation: the first one loads the file, later ones refill the data window.
    void Form_Activate();
    // Reads the slot's file anew (view, markers and zoom start afresh).
    void LoadLogFile();
    // 1: open another file in this window, 2: reload.
    void Toolbar1_ButtonClick(int button);
    // Repaints; without keepScale (and not zoomed) the value axis follows the visible records.
    void DrawDiagram(bool keepScale);
    void plot_MouseDown(MouseButton button, double x, double y);
    void plot_MouseMove(double x, double y);
    void chkDrag_Click();
    void cmdQuitZoom_Click();
    void cmData_Click();
    void cmdExport_Click();
    // The toolbar's report button and File > Report: a PDF of the visible records.
    void cmdReport_Click();
    // Captions, tips and panel texts in the current language.
    void applyTexts();
    // The window cannot be made smaller than 8000 x 6000 twips, nor so small that the status bar
    // cuts its counts and times.
    void updateMinimumSize();

    // --- state and controls for the diagram windows' manager and tests -------------------
    [[nodiscard]] bool loading() const { return loading_; }
    [[nodiscard]] bool loaded() const { return data_ != nullptr; }
    [[nodiscard]] const LogData* log() const { return data_.get(); }
    [[nodiscard]] const DiagramInteraction* interaction() const {
        return interaction_ ? &*interaction_ : nullptr;
    }
    [[nodiscard]] const std::string& filePath() const { return filePath_; }
    [[nodiscard]] const std::string& fileTitle() const { return fileTitle_; }
    [[nodiscard]] DiagramView* plot() const { return plot_; }
    // Status bar panel 1..8.
    [[nodiscard]] QLabel* panel(int n) const { return panels_.at(static_cast<std::size_t>(n)); }
    [[nodiscard]] QProgressBar* progressBar() const { return progress_; }
    [[nodiscard]] QAction* toolbarButton(int n) const {
        return buttons_.at(static_cast<std::size_t>(n));
    }
    [[nodiscard]] QCheckBox* chkDate() const { return chkDate_; }
    [[nodiscard]] QCheckBox* chkTime() const { return chkTime_; }
    [[nodiscard]] QCheckBox* chkDrag() const { return chkDrag_; }
    [[nodiscard]] QCheckBox* cmData() const { return cmData_; }
    [[nodiscard]] QPushButton* cmdQuitZoom() const { return cmdQuitZoom_; }
    [[nodiscard]] QToolButton* cmdExport() const { return cmdExport_; }
    [[nodiscard]] QAction* reportButton() const { return reportButton_; }

signals:
    // A load ended: the file is shown, or the window is about to close with a message.
    void loadFinished(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void startLoad();
    void stopLoad();
    void finishLoad(std::uint64_t generation, const std::shared_ptr<LoadResult>& result);
    void showProgress();
    void setBusy(bool busy);
    void failLoad(int textId);
    void resetDatePanels();
    void setPanel(int n, const QString& text);
    void showViewStatus(bool zoomed);
    void showFileState();
    [[nodiscard]] TimeGrid timeGrid() const;
    [[nodiscard]] std::string text(int germanId, const std::string& fallback = {}) const;
    void closeSoon();

    DiagramWindows& windows_;
    std::string filePath_;
    std::string fileTitle_;
    ExportCommand exporter_;
    ReportCommand reporter_;

    QToolBar* toolbar_ = nullptr;
    std::array<QAction*, 3> buttons_{}; // 1, 2
    QCheckBox* chkDate_ = nullptr;
    QCheckBox* chkTime_ = nullptr;
    QCheckBox* chkDrag_ = nullptr;
    QCheckBox* cmData_ = nullptr;
    QPushButton* cmdQuitZoom_ = nullptr;
    QToolButton* cmdExport_ = nullptr;
    QAction* reportButton_ = nullptr;
    DiagramView* plot_ = nullptr;
    QStatusBar* sbrNLog_ = nullptr;
    std::array<QLabel*, 9> panels_{}; // 1..8
    QProgressBar* progress_ = nullptr;

    std::shared_ptr<const LogData> data_;
    std::vector<AlarmInterval> alarms_; // of the events file beside the log, if there is one
    std::optional<DiagramInteraction> interaction_;
    bool everActivated_ = false;
    bool unloaded_ = false;

    // The load in flight.
    bool loading_ = false;
    bool busy_ = false;
    std::uint64_t generation_ = 0;
    std::shared_ptr<LoadProgress> loadProgress_;
    std::jthread worker_;
    QTimer progressTimer_;
    int progressTicks_ = 0;
    // Looks now and then whether another program has cut the shown file short.
    QTimer fileWatch_;
};

} // namespace orv
