#include "platform/QtPrompts.h"

#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(FileDialogFilter, NamesShowTheirPatternOnce) {
    const std::tuple<const char*, QStringList> cases[] = {
        {"txt-Dateien (*.txt)|*.txt|CSV (*.csv)|*.csv", {"txt-Dateien (*.txt)", "CSV (*.csv)"}},
        {"alle Dateien (*.*)|*.*", {"alle Dateien (*.*)"}},
        {"Logs|*.dat;*.DAT", {"Logs (*.dat *.DAT)"}},
        {"Texte (*.txt)|*.text", {"Texte (*.txt) (*.text)"}}, // a name that says otherwise
    };
    for (const auto& [filter, expected] : cases) {
        EXPECT_EQ(qtNameFilters(filter), expected) << filter;
    }
}

// The real dialog: the filter the user picks comes back with the chosen path.
TEST(FileDialogFilter, TheChosenFilterIsReported) {
    test::TempDir dir;
    const QString path = QString::fromStdString(dir.file("werte").string());
    QtPrompts prompts;
    Prompts::FileDialog d;
    d.filter = "txt-Dateien (*.txt)|*.txt|CSV (*.csv)|*.csv";
    d.folder = dir.path().string();
    d.save = true;
    for (const int pick : {2, 1}) {
        QStringList shown;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* fd = qobject_cast<QFileDialog*>(w); fd && fd->isVisible()) {
                    shown = fd->nameFilters();
                    fd->selectNameFilter(shown.value(pick - 1));
                    fd->selectFile(path);
                    static_cast<QDialog*>(fd)->accept(); // the Save button
                }
            }
        });
        const Prompts::FileChoice choice = prompts.chooseFileAndFilter(d);
        EXPECT_EQ(shown, QStringList({"txt-Dateien (*.txt)", "CSV (*.csv)"}));
        EXPECT_EQ(choice.filterIndex, pick);
        EXPECT_EQ(choice.path, path.toStdString());
    }
}

} // namespace
} // namespace orv
