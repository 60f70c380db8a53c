#pragma once

#include <QObject>
#include <QPointer>

#include <string>

class QAction;
class QMdiArea;
class QWidget;

namespace orv {

class ModMain;
class frmMonitor;
class frmOnlGraf;
class frmOnline;

// The three live windows of the main window: the online values window (separate, large type),
// the online chart and the RS232 monitor (child windows). Opens and closes them for the menu
// items and the toolbar, keeps the items' check marks in step with the windows (a window closed
// by its title bar clears its mark), restores them at start and hands them the measurement's
// display texts.
class LiveWindows final : public QObject {
    Q_OBJECT
public:
    struct Items {
        QAction* mnuOnline = nullptr;
        QAction* mnuMon = nullptr;
        QAction* mnuOnlGraf = nullptr;
        QAction* chartButton = nullptr; // toolbar button 2
    };

    // `mainWindow` is minimised when the online values window opens; child windows open in
    // `area`.
    LiveWindows(ModMain& app, QWidget& mainWindow, QMdiArea& area, Items items);
    ~LiveWindows() override;

    // Menu and toolbar commands.
    void mnuOnline_Click();
    void mnuMon_Click();
    void mnuOnlGraf_Click();

    // Start: the marks of WindowGraph, WindowMonitor and WindowOnline, in this order; a marked
    // window opens (the online values window after minimising the main window).
    void restoreFromSettings();
    // Closes the chart, shown or hidden; true when it was shown (its item ticked).
    bool closeChart();
    // Shutdown: the online values window is a separate window and closes with the dialogs.
    void closeOnlineWindow();
    // After a language switch: texts that are values, not words, come back at once.
    void languageApplied();

    // The measurement's texts for the open windows.
    void onlineLabelChanged(int index, const std::string& text);
    void onlineCaptionChanged(const std::string& text);
    void monitorTextChanged(const std::string& text);
    // The alarm colour of the online values window's two values, kept for a window opened later.
    void setAlarmColours(bool temperature, bool channel2);

    [[nodiscard]] frmOnline* online() const;
    [[nodiscard]] frmOnlGraf* chart() const;
    [[nodiscard]] frmMonitor* monitor() const;

private:
    void openOnline();
    void openMonitor();
    void showChart();

    ModMain& app_;
    QWidget& mainWindow_;
    QMdiArea& area_;
    Items items_;
    QPointer<frmOnline> online_;
    QPointer<frmOnlGraf> chart_;
    QPointer<frmMonitor> monitor_;
    bool alarm_[2] = {false, false};
};

} // namespace orv
