#pragma once

#include <QDialog>
#include <QTimer>
#include <QUrl>

class QFrame;
class QLabel;
class QPushButton;

namespace orv {

class StringTable;

// The about box: logo, name, version and maker, and a button that opens the web page. On the
// very first start it is shown modally and closes itself after three seconds; from the Help menu
// it stays until clicked and does not block the main window. Any click or key closes it.
class Splash final : public QDialog {
    Q_OBJECT
public:
    explicit Splash(const StringTable& strings, QWidget* parent = nullptr);

    // The web page the button and the logo open.
    [[nodiscard]] static QUrl webPage();

    // "Version 3.1.0".
    [[nodiscard]] static QString versionLine();

    [[nodiscard]] QTimer& Timer1() { return Timer1_; }
    [[nodiscard]] QLabel* lblVersion() const { return lblVersion_; }
    [[nodiscard]] QPushButton* cmdWeb() const { return cmdWeb_; }

    void cmdWeb_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QTimer Timer1_;
    QFrame* Frame1_ = nullptr;
    QLabel* imgLogo_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QPushButton* cmdWeb_ = nullptr;
};

} // namespace orv
