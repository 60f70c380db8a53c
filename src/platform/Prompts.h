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
        int filterIndex = 1; // filter selected when the dialog opens, 1-based
    };

    // A chosen path and the filter (1-based) the user had selected; path empty on cancel.
    struct FileChoice {
        std::string path;
        int filterIndex = 1;
    };

    virtual ~Prompts() = default;

    virtual Answer message(const std::string& title, const std::string& text, Icon icon,
                           Buttons buttons) = 0;
    // The chosen path, or empty when the user cancelled.
    virtual std::string chooseFile(const FileDialog& dialog) = 0;
    // For dialogs whose filters choose what is written (the export's text table or CSV).
    virtual FileChoice chooseFileAndFilter(const FileDialog& dialog) {
        return {chooseFile(dialog), dialog.filterIndex};
    }
    virtual void beep() = 0;
};

// Splits the file dialog filter text "name|pattern|name|pattern" into name/pattern pairs.
std::vector<std::pair<std::string, std::string>> splitFileFilter(const std::string& filter);

} // namespace orv
