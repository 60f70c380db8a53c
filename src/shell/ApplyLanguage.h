#pragma once

#include <string>

class QWidget;

namespace orv {

class ModMain;
class StringTable;

// Switches the language ("de" or "eng"; any other code keeps the current one) and relabels every
// open window at once: each top-level window and its controls by their tags, then the main
// window's value-box tips, menu captions and toolbar tips, found by their object names. Qt's own
// texts (standard buttons, file dialogs) switch with it (QtTranslations.h).
//
// Message texts shown later (errors, logger status, file dialog titles) are not pushed anywhere:
// every window looks them up in the string table at the moment it shows them, which always gives
// the language in force then.
void ApplyLanguage(ModMain& app, const std::string& language);

// The main-window part of the switch, for one window: value-box tips (they win over the tag
// texts), menu captions and toolbar tips. Controls that are missing are skipped.
void applyMainWindowTexts(QWidget& mainWindow, const StringTable& strings);

} // namespace orv
