#pragma once

#include <QWidget>

#include <string>

class QMdiArea;
class QMdiSubWindow;
class QPlainTextEdit;

namespace orv {

class ModMain;

// The RS232 monitor: a fixed-size child window showing the raw frames as they arrive, newest at
// the bottom, at most the last 9 display lines (a frame that wraps in the narrow box takes
// several). Frames with a bad checksum are shown like any other.
class frmMonitor final : public QWidget {
    Q_OBJECT
public:
    static frmMonitor* open(ModMain& app, QMdiArea& area);

    explicit frmMonitor(ModMain& app, QWidget* parent = nullptr);
    ~frmMonitor() override;

    [[nodiscard]] QMdiSubWindow* subWindow() const;
    [[nodiscard]] QPlainTextEdit* txtMon() const { return txtMon_; }
    // Characters one display line of the box holds (its font is fixed-pitch).
    [[nodiscard]] int charsPerLine() const;

    // The whole monitor text (frames each followed by CR LF); the box keeps its last lines.
    void showMonitorText(const std::string& text);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ModMain& app_;
    QPlainTextEdit* txtMon_ = nullptr;
    bool unloaded_ = false;
};

} // namespace orv
