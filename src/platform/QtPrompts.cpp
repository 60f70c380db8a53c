#include "platform/QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace orv {

std::vector<std::pair<std::string, std::string>> splitFileFilter(const std::string& filter) {
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t pos = 0;
    while (pos <= filter.size()) {
        const std::size_t bar = filter.find('|', pos);
        if (bar == std::string::npos) {
            break;
        }
        const std::size_t next = filter.find('|', bar + 1);
        out.emplace_back(
            filter.substr(pos, bar - pos),
            filter.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1));
        if (next == std::string::npos) {
            break;
        }
        pos = next + 1;
    }
    return out;
}

Prompts::Answer QtPrompts::message(const std::string& title, const std::string& text, Icon icon,
                                   Buttons buttons) {
    QMessageBox box(owner_);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setIcon(icon == Icon::Information   ? QMessageBox::Information
                : icon == Icon::Exclamation ? QMessageBox::Warning
                : icon == Icon::Question    ? QMessageBox::Question
                : icon == Icon::Critical    ? QMessageBox::Critical
                                            : QMessageBox::NoIcon);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    }
    const int result = box.exec();
    if (box.clickedButton() == nullptr) {
        // Closed without a button (a termination request cancels every open message): the
        // answer that commits to nothing.
        return buttons == Buttons::YesNo      ? Answer::No
               : buttons == Buttons::OkCancel ? Answer::Cancel
                                              : Answer::Ok;
    }
    switch (result) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return Answer::Ok;
    }
}

std::string QtPrompts::chooseFile(const FileDialog& dialog) {
    return chooseFileAndFilter(dialog).path;
}

QStringList qtNameFilters(const std::string& filter) {
    QStringList filters;
    for (const auto& [name, pattern] : splitFileFilter(filter)) {
        const QString patterns = QString::fromStdString(pattern).replace(';', ' ');
        const QString text = QString::fromStdString(name);
        // "txt-Dateien (*.txt)" names its pattern already; Qt reads it from there.
        filters << (text.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')'))
                        ? text
                        : text + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters;
}

Prompts::FileChoice QtPrompts::chooseFileAndFilter(const FileDialog& dialog) {
    const QStringList filters = qtNameFilters(dialog.filter);
    QFileDialog fd(owner_, QString::fromStdString(dialog.title),
                   QString::fromStdString(dialog.folder));
    fd.setNameFilters(filters);
    fd.setAcceptMode(dialog.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    fd.setFileMode(dialog.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!dialog.confirmOverwrite) {
        fd.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (dialog.filterIndex >= 1 && dialog.filterIndex <= filters.size()) {
        fd.selectNameFilter(filters.at(dialog.filterIndex - 1));
    }
    if (!dialog.fileName.empty()) {
        fd.selectFile(QString::fromStdString(dialog.fileName));
    }
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty()) {
        return {{}, dialog.filterIndex};
    }
    const auto chosen = static_cast<int>(filters.indexOf(fd.selectedNameFilter()));
    return {fd.selectedFiles().first().toStdString(),
            chosen >= 0 ? chosen + 1 : dialog.filterIndex};
}

void QtPrompts::beep() {
    QApplication::beep();
}

} // namespace orv
