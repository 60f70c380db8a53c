#pragma once

#include "platform/Prompts.h"

#include <deque>
#include <string>
#include <vector>

namespace orv::test {

// Prompts for tests: answers come from a script, and every question is recorded so a test can
// assert what the user was asked. An unscripted message is answered with its first button (Ok
// or Yes); an unscripted file dialog is cancelled.
class ScriptedPrompts final : public Prompts {
public:
    struct Asked {
        std::string title;
        std::string text;
        Icon icon;
        Buttons buttons;
    };

    std::deque<Answer> answers;
    std::deque<std::string> files;
    // The filter (1-based) the user picks in the next file dialogs; unscripted: the one preset.
    std::deque<int> filters;
    std::vector<Asked> asked;
    std::vector<FileDialog> fileDialogs;
    int beeps = 0;

    Answer message(const std::string& title, const std::string& text, Icon icon,
                   Buttons buttons) override {
        asked.push_back({title, text, icon, buttons});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    }

    std::string chooseFile(const FileDialog& dialog) override {
        fileDialogs.push_back(dialog);
        if (files.empty()) {
            return {};
        }
        std::string f = files.front();
        files.pop_front();
        return f;
    }

    FileChoice chooseFileAndFilter(const FileDialog& dialog) override {
        FileChoice choice{chooseFile(dialog), dialog.filterIndex};
        if (!filters.empty()) {
            choice.filterIndex = filters.front();
            filters.pop_front();
        }
        return choice;
    }

    void beep() override { ++beeps; }
};

} // namespace orv::test
