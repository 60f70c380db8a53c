#pragma once

#include <string>
#include <vector>

namespace orv {

// Everything the user must answer goes through here, so tests can script the answers and check
// what was asked. The program's implementation shows Qt message boxes and file dialogs.
class Prompts {
public:
    enum class Icon { None, Information, Exclamation, Question, Critical };
    enum class Answer { Ok, Cancel, Yes, No };
    enum class Buttons { Ok, YesNo, OkCancel };

    struct FileDialog {
        std::string title;
        std::string filter; // "dat-Dateien (*.dat)|*.dat|alle Dateien (*.*)|*.*"
        std::string folder;
        std::string fileName; // suggested name
        bool save = false;
        bool confirmOverwrite = true;
    };

    virtual ~Prompts() = default;

    virtual Answer message(const std::string& title, const std::string& text, Icon icon,
                           Buttons buttons) = 0;
    // The chosen path, or empty when the user cancelled.
    virtual std::string chooseFile(const FileDialog& dialog) = 0;
    virtual void beep() = 0;
};

// Splits the file dialog filter text "name|pattern|name|pattern" into name/pattern pairs.
std::vector<std::pair<std::string, std::string>> splitFileFilter(const std::string& filter);

} // namespace orv
