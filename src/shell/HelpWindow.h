#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace orv {

// The program's own help viewer: a plain window with the manual of the current language. The
// manuals are HTML files in the help folder (next to the executable in a normal installation).
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows `file`; false when it does not exist or cannot be read (the window stays hidden).
    bool showFile(const QString& file);

    [[nodiscard]] QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

// The manual's file name for the language: "de" gets the German one, anything else English.
[[nodiscard]] QString helpFileName(const std::string& language);

} // namespace orv
