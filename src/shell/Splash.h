#pragma once

#include <QDialog>
#include <QTimer>
#include <QUrl>

class QFrame;
class QLabel;
class QPushButton;

namespace orv {

class StringTable;

// The about box: logo, name, version and maker, and a button that opens the maker's web page, or
// the program's own help when the build names no web page. On the very first start it is shown
// modally and closes itself after three seconds; from the Help menu it stays until clicked and
// does not block the main window. Any click or key closes it.
class Splash final : public QDialog {
    Q_OBJECT
public:
    explicit Splash(const StringTable& strings, QWidget* parent = nullptr);

    // The web page configured at build time; empty when there is none.
    [[nodiscard]] static QUrl webPage();

    // The page the button and the logo open (the configured one unless set); with an empty
    // page they ask for the help instead (helpWanted) and the button says so.
    void setWebPage(const QUrl& page);
    [[nodiscard]] const QUrl& page() const { return page_; }

    // "Version 3.1.0".
    [[nodiscard]] static QString versionLine();

    [[nodiscard]] QTimer& Timer1() { return Timer1_; }
    [[nodiscard]] QLabel* lblVersion() const { return lblVersion_; }
    [[nodiscard]] QPushButton* cmdWeb() const { return cmdWeb_; }

    void cmdWeb_Click();

signals:
    // The button or the logo was used while no web page is known: show the program's help.
    void helpWanted();

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
    QLabel* maker_ = nullptr;
    QUrl page_;
    const StringTable& strings_;
};

} // namespace orv
