#include "alarms/dlgAlarms.h"

#include "alarms/AlarmRule.h"
#include "core/Texts.h"
#include "state/SettingsKeys.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

dlgAlarms::dlgAlarms(const Texts& texts, const std::vector<std::string>& rules, QWidget* parent)
    : QDialog(parent), texts_(texts) {
    setObjectName(QStringLiteral("dlgAlarms"));
    setWindowTitle(qs(texts.textOr(353, "Alarms")));

    lstRules_ = new QListWidget(this);
    lstRules_->setObjectName(QStringLiteral("lstRules"));
    for (const std::string& r : rules) {
        lstRules_->addItem(qs(r));
    }
    txtRule_ = new QLineEdit(this);
    txtRule_->setObjectName(QStringLiteral("txtRule"));
    txtRule_->setPlaceholderText(QStringLiteral("margin<2"));
    lblCheck_ = new QLabel(this);
    lblCheck_->setObjectName(QStringLiteral("lblCheck"));
    lblCheck_->setWordWrap(true);
    auto* help = new QLabel(qs(texts.textOr(357, "")), this);
    help->setObjectName(QStringLiteral("lblHelp"));
    help->setWordWrap(true);

    cmdAdd_ = new QPushButton(qs(texts.textOr(354, "Add")), this);
    cmdAdd_->setObjectName(QStringLiteral("cmdAdd"));
    cmdChange_ = new QPushButton(qs(texts.textOr(355, "Change")), this);
    cmdChange_->setObjectName(QStringLiteral("cmdChange"));
    cmdRemove_ = new QPushButton(qs(texts.textOr(356, "Remove")), this);
    cmdRemove_->setObjectName(QStringLiteral("cmdRemove"));
    // Enter in the rule line adds the rule; it must not close the dialog.
    cmdAdd_->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* b : buttons->buttons()) {
        if (auto* push = qobject_cast<QPushButton*>(b)) {
            push->setAutoDefault(false);
            push->setDefault(false);
        }
    }

    auto* grid = new QGridLayout;
    grid->addWidget(lstRules_, 0, 0, 4, 1);
    grid->addWidget(cmdAdd_, 0, 1);
    grid->addWidget(cmdChange_, 1, 1);
    grid->addWidget(cmdRemove_, 2, 1);
    grid->addWidget(txtRule_, 4, 0);
    grid->addWidget(lblCheck_, 5, 0, 1, 2);
    grid->addWidget(help, 6, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    connect(txtRule_, &QLineEdit::textChanged, this, &dlgAlarms::check);
    connect(txtRule_, &QLineEdit::returnPressed, this, &dlgAlarms::add);
    connect(lstRules_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            txtRule_->setText(lstRules_->item(row)->text());
        }
        check();
    });
    connect(cmdAdd_, &QPushButton::clicked, this, &dlgAlarms::add);
    connect(cmdChange_, &QPushButton::clicked, this, &dlgAlarms::change);
    connect(cmdRemove_, &QPushButton::clicked, this, &dlgAlarms::remove);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 360);
    txtRule_->setFocus();
    check();
}

std::vector<std::string> dlgAlarms::rules() const {
    std::vector<std::string> out;
    for (int i = 0; i < lstRules_->count(); ++i) {
        out.push_back(lstRules_->item(i)->text().toStdString());
    }
    return out;
}

void dlgAlarms::check() {
    const std::string text = txtRule_->text().toStdString();
    const auto parsed = parseAlarmRule(text);
    ruleOk_ = std::holds_alternative<AlarmRule>(parsed);
    if (txtRule_->text().trimmed().isEmpty()) {
        lblCheck_->clear();
    } else if (ruleOk_) {
        lblCheck_->setStyleSheet(QStringLiteral("color: #2e7d32;"));
        lblCheck_->setText(qs(texts_.textOr(371, "Rule is fine")));
    } else {
        lblCheck_->setStyleSheet(QStringLiteral("color: #c62828;"));
        lblCheck_->setText(qs(alarmRuleErrorText(std::get<AlarmRuleError>(parsed), &texts_)));
    }
    const bool selected = lstRules_->currentRow() >= 0;
    cmdAdd_->setEnabled(ruleOk_ && lstRules_->count() < keys::MaxAlarmRules);
    cmdChange_->setEnabled(ruleOk_ && selected);
    cmdRemove_->setEnabled(selected);
}

void dlgAlarms::add() {
    check();
    if (!cmdAdd_->isEnabled()) {
        return;
    }
    lstRules_->addItem(txtRule_->text().trimmed());
    lstRules_->setCurrentRow(-1);
    txtRule_->clear();
}

void dlgAlarms::change() {
    check();
    const int row = lstRules_->currentRow();
    if (!cmdChange_->isEnabled() || row < 0) {
        return;
    }
    lstRules_->item(row)->setText(txtRule_->text().trimmed());
}

void dlgAlarms::remove() {
    const int row = lstRules_->currentRow();
    if (row < 0) {
        return;
    }
    delete lstRules_->takeItem(row);
    lstRules_->setCurrentRow(-1);
    txtRule_->clear();
    check();
}

} // namespace orv
