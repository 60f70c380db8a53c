#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace orv {

// The program's own help viewer: a plain window with the manual of the current language. The
// manuals are HTML files in the help folder (see findHelpFolder).
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

// The folder with the manuals for a program in `programFolder`: the program's own folder (the
// build folder), else the installed help folder relative to it (bin/../share/visualorv/help).
// The first of the two that holds a manual in either language wins; when neither does, the
// program's folder, so that the missing manual is reported there.
[[nodiscard]] QString findHelpFolder(const QString& programFolder);

} // namespace orv
