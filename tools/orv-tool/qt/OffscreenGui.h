#pragma once

#include "core/Texts.h"
#include "offline/DiagramPainter.h"

#include <QGuiApplication>

#include <memory>
#include <string>

namespace orv::tool {

// The diagram of records view.start .. view.start+view.count-1 as the diagram window first shows
// it: scaled to the records, the file's units, the legend of `languageCode`, or the "too few
// records" text.
[[nodiscard]] DiagramContent logDiagram(const LogData& log, ViewRange view,
                                        const std::string& languageCode, const Texts& texts);

// A GUI application on the offscreen platform: fonts need one, a display is not needed. Qt's own
// notes (a missing runtime folder and the like) are not the user's business; its errors go to
// standard error behind "orv-tool: COMMAND: ".
[[nodiscard]] std::unique_ptr<QGuiApplication> offscreenApplication(const char* command);

} // namespace orv::tool
