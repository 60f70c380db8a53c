#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orv {

class Texts;

// The alarm dialog: the list of rules, a line to write one in, and Add, Change and Remove. The
// line is checked as it is typed by the same reader as the settings file and the command line,
// and a rule that it refuses cannot be added.
class dlgAlarms final : public QDialog {
    Q_OBJECT
public:
    dlgAlarms(const Texts& texts, const std::vector<std::string>& rules, QWidget* parent = nullptr);

    [[nodiscard]] std::vector<std::string> rules() const;

    [[nodiscard]] QListWidget* lstRules() const { return lstRules_; }
    [[nodiscard]] QLineEdit* txtRule() const { return txtRule_; }
    [[nodiscard]] QLabel* lblCheck() const { return lblCheck_; }
    [[nodiscard]] QPushButton* cmdAdd() const { return cmdAdd_; }
    [[nodiscard]] QPushButton* cmdChange() const { return cmdChange_; }
    [[nodiscard]] QPushButton* cmdRemove() const { return cmdRemove_; }

private:
    void check();
    void add();
    void change();
    void remove();

    const Texts& texts_;
    QListWidget* lstRules_ = nullptr;
    QLineEdit* txtRule_ = nullptr;
    QLabel* lblCheck_ = nullptr;
    QPushButton* cmdAdd_ = nullptr;
    QPushButton* cmdChange_ = nullptr;
    QPushButton* cmdRemove_ = nullptr;
    bool ruleOk_ = false;
};

} // namespace orv
