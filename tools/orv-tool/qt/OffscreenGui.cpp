#include "OffscreenGui.h"

#include "offline/DataWindow.h"

#include <cstdio>
#include <cstdlib>

namespace orv::tool {
namespace {

const char* gCommand = "";

} // namespace

DiagramContent logDiagram(const LogData& log, ViewRange view, const std::string& languageCode,
                          const Texts& texts) {
    DiagramContent content;
    content.data = &log;
    content.view = view;
    content.scale = autoScaleOf(log, content.view);
    content.tempUnitText = log.header().tempUnitText();
    content.ch2UnitText = log.header().ch2UnitText();
    content.languageCode = languageCode;
    if (!content.view.drawable()) {
        content.message = texts.textOr(257, "Zu wenig Datensätze");
    }
    return content;
}

std::unique_ptr<QGuiApplication> offscreenApplication(const char* command) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    gCommand = command;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "orv-tool: %s: %s\n", gCommand, qPrintable(message));
        }
    });
    static int argc = 1;
    static char name[] = "orv-tool";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace orv::tool
