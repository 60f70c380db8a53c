#pragma once

// What the export tests share: a program state with German texts in a temporary folder, scripted
// file dialogs, the export command of one diagram window and a synthetic log loaded into it.
#include "core/Clock.h"
#include "logging/SyntheticLog.h"
#include "LogTestData.h"
#include "offline/ExportCommand.h"
#include "state/ModMain.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace orv::test {

class ExportRig : public ::testing::Test {
protected:
    // Writes `options` as `name` in the temporary folder and loads it as the window's log.
    void loadSynthetic(const std::string& name, const SyntheticLogOptions& options) {
        ASSERT_EQ(writeSyntheticLog(dir.file(name), options), std::nullopt);
        log = loadOrFail(dir.file(name));
    }

    TempDir dir;
    IniStore ini{dir.file("VisualORV.Ini")};
    StringTable strings = textsIn("de");
    GermanFormat locale;
    ManualClock clock;
    ModMain app{ini, strings, locale, clock};
    ScriptedPrompts prompts;
    ExportCommand exporter{app, prompts};
    LogData log;
};

} // namespace orv::test
