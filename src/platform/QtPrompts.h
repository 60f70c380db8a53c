#pragma once

#include "platform/Prompts.h"

#include <QStringList>

class QWidget;

namespace orv {

// Message boxes and file dialogs owned by the main window.
class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    Answer message(const std::string& title, const std::string& text, Icon icon,
                   Buttons buttons) override;
    std::string chooseFile(const FileDialog& dialog) override;
    FileChoice chooseFileAndFilter(const FileDialog& dialog) override;
    void beep() override;

private:
    QWidget* owner_;
};

// The file dialog filter text "name|pattern|..." as Qt name filters: "dat-Dateien (*.dat)",
// "Logs (*.dat *.DAT)" for "Logs|*.dat;*.DAT".
[[nodiscard]] QStringList qtNameFilters(const std::string& filter);

} // namespace orv
