#pragma once

#include "core/LocaleFormat.h"
#include "offline/DiagramPainter.h"
#include "offline/ReportContent.h"

#include <string>

namespace orv {

// Writes the report as a PDF file: the texts of `content` and the diagram of `diagram` (drawn
// as vector graphics by the diagram window's own painter) on A4 or Letter pages, each with a
// footer. The file appears complete or not at all. Returns an empty string on success, else
// the reason.
[[nodiscard]] std::string writeReportPdf(const std::string& path, const ReportContent& content,
                                         const DiagramContent& diagram, const LocaleFormat& locale);

} // namespace orv
