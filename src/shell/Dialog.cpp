#include "shell/Dialog.h"

#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orv {

namespace {

QRadioButton* option(QWidget* parent, const QString& name, const QString& caption, int tag) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(name);
    setTag(button, tag);
    return button;
}

} // namespace

Dialog::Dialog(ModMain& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName(QStringLiteral("Dialog"));
    setTag(this, 12);
    setWindowTitle(QStringLiteral("Messwertanzeige (Einstellungen)"));
    setModal(true);

    Frame2_ = new QGroupBox(QStringLiteral("Messwerte"), this);
    Frame2_->setObjectName(QStringLiteral("Frame2"));
    setTag(Frame2_, 3);
    optTCF_[0] =
        option(Frame2_, QStringLiteral("optTCF(0)"), QStringLiteral("Temperatur in °C"), 4);
    optTCF_[1] =
        option(Frame2_, QStringLiteral("optTCF(1)"), QStringLiteral("Temperatur in °F"), 5);
    optTCF_[2] = option(Frame2_, QStringLiteral("optTCF(2)"), QStringLiteral("Temperatur in K"), 6);
    unitGroup_ = new QButtonGroup(this);
    auto* unitLayout = new QVBoxLayout(Frame2_);
    for (int i = 0; i < 3; ++i) {
        unitGroup_->addButton(optTCF_[static_cast<std::size_t>(i)], i);
        unitLayout->addWidget(optTCF_[static_cast<std::size_t>(i)]);
    }

    Frame1_ = new QGroupBox(QStringLiteral("Kanal 2 als"), this);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    setTag(Frame1_, 8);
    optFT_[0] = option(Frame1_, QStringLiteral("optFT(0)"), QStringLiteral("Feuchte (% r.F.)"), 9);
    optFT_[1] = option(Frame1_, QStringLiteral("optFT(1)"), QStringLiteral("Taupunkt"), 10);
    channelGroup_ = new QButtonGroup(this);
    auto* channelLayout = new QVBoxLayout(Frame1_);
    for (int i = 0; i < 2; ++i) {
        channelGroup_->addButton(optFT_[static_cast<std::size_t>(i)], i);
        channelLayout->addWidget(optFT_[static_cast<std::size_t>(i)]);
    }
    channelLayout->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    OKButton_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    OKButton_->setDefault(true);
    CancelButton_ = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    setTag(CancelButton_, 11);
    connect(OKButton_, &QPushButton::clicked, this, &Dialog::OKButton_Click);
    connect(CancelButton_, &QPushButton::clicked, this, &Dialog::CancelButton_Click);

    auto* groups = new QHBoxLayout;
    groups->addWidget(Frame2_);
    groups->addWidget(Frame1_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(unitGroup_, &QButtonGroup::idToggled, this, [this] { syncMeasurement(); });
    connect(channelGroup_, &QButtonGroup::idToggled, this, [this] { syncMeasurement(); });

    applyTagTexts(this, app_.strings);
}

void Dialog::loadFromSettings() {
    const IniStore& ini = app_.ini;
    // Read in the order Celsius, Fahrenheit, Kelvin: selecting an option clears the others, so
    // with several true the last one wins, and with none true no unit is selected at all.
    const std::array<bool, 3> stored{readSetting(ini, keys::DialogCelsius),
                                     readSetting(ini, keys::DialogFahrenheit),
                                     readSetting(ini, keys::DialogKelvin)};
    int unit = -1;
    for (int i = 0; i < 3; ++i) {
        if (stored[static_cast<std::size_t>(i)]) {
            unit = i;
        }
    }
    // An exclusive group refuses to clear its checked button, which "no unit" needs.
    unitGroup_->setExclusive(false);
    for (int i = 0; i < 3; ++i) {
        optTCF_[static_cast<std::size_t>(i)]->setChecked(i == unit);
    }
    unitGroup_->setExclusive(true);

    const bool humidity = readSetting(ini, keys::DialogTP);
    optFT_[0]->setChecked(humidity);
    optFT_[1]->setChecked(!humidity);
    syncMeasurement();
}

void Dialog::syncMeasurement() {
    MeasurementSettings& s = app_.measurement.settings();
    s.unit = optTCF_[0]->isChecked()   ? TempUnit::Celsius
             : optTCF_[1]->isChecked() ? TempUnit::Fahrenheit
             : optTCF_[2]->isChecked() ? TempUnit::Kelvin
                                       : TempUnit::None;
    s.channel2 = optFT_[0]->isChecked() ? Channel2Mode::Humidity : Channel2Mode::DewPoint;
}

void Dialog::OKButton_Click() {
    IniStore& ini = app_.ini;
    writeSetting(ini, keys::DialogCelsius, optTCF_[0]->isChecked());
    writeSetting(ini, keys::DialogFahrenheit, optTCF_[1]->isChecked());
    writeSetting(ini, keys::DialogKelvin, optTCF_[2]->isChecked());
    writeSetting(ini, keys::DialogTP, optFT_[0]->isChecked());
    QDialog::accept();
}

void Dialog::CancelButton_Click() {
    loadFromSettings();
    QDialog::reject();
}

void Dialog::reject() {
    CancelButton_Click();
}

} // namespace orv
