#include "mqtt/dlgMqtt.h"

#include "platform/Prompts.h"
#include "state/ModMain.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace orv {

namespace {

enum Text {
    kCaption = 399,
    kEnabled = 389,
    kHost = 390,
    kPort = 391,
    kPrefix = 392,
    kUser = 393,
    kPassword = 394,
    kCaFile = 395,
    kPasswordNote = 343,
    kCaFileFilter = 344,
    kErrorTitle = 225,
};

QString text(const ModMain& app, int id) {
    return QString::fromStdString(app.text(id));
}

QLineEdit* field(QWidget* parent, const char* name, const std::string& value) {
    auto* edit = new QLineEdit(QString::fromStdString(value), parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

} // namespace

dlgMqtt::dlgMqtt(ModMain& app, Prompts& prompts, QWidget* parent)
    : QDialog(parent), app_(app), prompts_(prompts) {
    setObjectName(QStringLiteral("dlgMqtt"));
    setWindowTitle(text(app_, kCaption));
    setModal(true);
    const MqttPreferences p = readMqttPreferences(app_.ini);

    chkEnabled_ = new QCheckBox(text(app_, kEnabled), this);
    chkEnabled_->setObjectName(QStringLiteral("chkEnabled"));
    chkEnabled_->setChecked(p.enabled);

    fields_ = new QWidget(this);
    auto* form = new QFormLayout(fields_);
    form->setContentsMargins(0, 0, 0, 0);
    txtHost_ = field(fields_, "txtHost", p.settings.host);
    txtPort_ = new QSpinBox(fields_);
    txtPort_->setObjectName(QStringLiteral("txtPort"));
    txtPort_->setRange(1, 65535);
    txtPort_->setValue(p.settings.port);
    txtPrefix_ = field(fields_, "txtPrefix", p.settings.prefix);
    txtUser_ = field(fields_, "txtUser", p.settings.user);
    txtPassword_ = field(fields_, "txtPassword", p.settings.password);
    txtPassword_->setEchoMode(QLineEdit::Password);
    txtCaFile_ = field(fields_, "txtCaFile", p.settings.caFile);
    auto* browse = new QToolButton(fields_);
    browse->setText(QStringLiteral("..."));
    browse->setObjectName(QStringLiteral("cmdCaFile"));
    connect(browse, &QToolButton::clicked, this, &dlgMqtt::chooseCaFile);
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(txtCaFile_, 1);
    caRow->addWidget(browse);
    form->addRow(text(app_, kHost), txtHost_);
    form->addRow(text(app_, kPort), txtPort_);
    form->addRow(text(app_, kPrefix), txtPrefix_);
    form->addRow(text(app_, kUser), txtUser_);
    form->addRow(text(app_, kPassword), txtPassword_);
    form->addRow(text(app_, kCaFile), caRow);
    auto* note = new QLabel(text(app_, kPasswordNote), fields_);
    note->setWordWrap(true);
    form->addRow(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &dlgMqtt::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chkEnabled_);
    layout->addWidget(fields_);
    layout->addWidget(buttons);
    connect(chkEnabled_, &QCheckBox::toggled, this, &dlgMqtt::enableFields);
    enableFields();
    setMinimumWidth(420);
}

void dlgMqtt::enableFields() {
    fields_->setEnabled(chkEnabled_->isChecked());
}

MqttPreferences dlgMqtt::preferences() const {
    MqttPreferences p;
    p.enabled = chkEnabled_->isChecked();
    p.settings.host = txtHost_->text().trimmed().toStdString();
    p.settings.port = txtPort_->value();
    p.settings.prefix = txtPrefix_->text().trimmed().toStdString();
    p.settings.user = txtUser_->text().toStdString();
    p.settings.password = txtPassword_->text().toStdString();
    p.settings.caFile = txtCaFile_->text().trimmed().toStdString();
    return p;
}

void dlgMqtt::chooseCaFile() {
    Prompts::FileDialog d;
    d.title = text(app_, kCaFile).toStdString();
    d.filter = app_.text(kCaFileFilter);
    d.folder = txtCaFile_->text().toStdString();
    const std::string path = prompts_.chooseFile(d);
    if (!path.empty()) {
        txtCaFile_->setText(QString::fromStdString(path));
    }
}

void dlgMqtt::accept() {
    const MqttPreferences p = preferences();
    if (const auto problem = mqttPreferencesProblem(p)) {
        // Nothing is written: the user corrects the field and tries again.
        prompts_.message(app_.text(kErrorTitle), app_.text(*problem), Prompts::Icon::Exclamation,
                         Prompts::Buttons::Ok);
        (*problem == kMqttNoHostText ? txtHost_ : txtPrefix_)->setFocus();
        return;
    }
    writeMqttPreferences(app_.ini, p);
    QDialog::accept();
}

} // namespace orv
