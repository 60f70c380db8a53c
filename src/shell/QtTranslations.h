#pragma once

#include <QString>

#include <string>

namespace orv {

// Qt's own texts (the standard buttons Yes, No, Cancel, the file dialogs, the edit menus) in the
// program's language: for "de" the German translations that come with Qt (qtbase_de in Qt's
// translations folder) are installed, for "eng" none, so Qt speaks its own English. Switching
// replaces the previous choice; a missing translation file leaves Qt's English.
void useQtTranslations(const std::string& language);

// The translation file in use now, empty for none.
[[nodiscard]] QString qtTranslationsInUse();

} // namespace orv
