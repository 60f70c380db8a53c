#pragma once

#include <QTimer>
#include <QWidget>

class QMdiArea;
class QMdiSubWindow;

namespace orv {

class ModMain;
class OnlineChart;

// The online chart: a child window of the main window charting the 250 samples of the live
// history, redrawn from it every 10 seconds. Closing it keeps nothing; the next one starts from
// the history as it is then.
class frmOnlGraf final : public QWidget {
    Q_OBJECT
public:
    // Opens the chart as a child window of `area`, placed from the settings.
    static frmOnlGraf* open(ModMain& app, QMdiArea& area);

    explicit frmOnlGraf(ModMain& app, QWidget* parent = nullptr);

    [[nodiscard]] QMdiSubWindow* subWindow() const;
    [[nodiscard]] OnlineChart* chart() const { return chart_; }
    [[nodiscard]] QTimer& Timer1() { return Timer1_; }
    // Redraw from the history; the timer calls it every 10 seconds.
    void Timer1_Timer();
    [[nodiscard]] int redrawCount() const { return redraws_; }
    // The window caption in the current language.
    void applyLanguage();

signals:
    void closed();
    void redrawn();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ModMain& app_;
    OnlineChart* chart_ = nullptr;
    QTimer Timer1_;
    int redraws_ = 0;
    bool unloaded_ = false;
};

} // namespace orv
