#pragma once

#include <QString>

class QObject;
class QWidget;

namespace orv {

class StringTable;

// Windows and controls that take their texts from the string table carry their design tag as the
// dynamic property "tag" (an int). A tag n gives the caption `LangBase`+2n-1 and the tip
// `LangBase`+2n; a text the table does not have leaves the old one.
inline constexpr char kTagProperty[] = "tag";

void setTag(QObject* object, int tag);

// Applies the tag texts to `root` and every widget and action below it: window title, text of
// buttons, labels, check boxes, group boxes and actions, tool tips.
void applyTagTexts(QWidget* root, const StringTable& strings);

// The caption shown by a widget or action (window title for windows).
void setCaption(QObject* object, const QString& caption);
[[nodiscard]] QString captionOf(const QObject* object);

} // namespace orv
