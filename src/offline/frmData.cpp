#include "offline/frmData.h"

#include "offline/DerivedStats.h"
#include "offline/ReportContent.h"
#include "platform/ScreenTwips.h"
#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace orv {
namespace {

// Tags of the four groups: their captions are texts 129, 137, 145 and 153.
constexpr std::array<int, 4> kFrameTags = {15, 19, 23, 27};
constexpr std::array<const char*, 4> kFrameNames = {"Frame1", "Frame2", "Frame3", "Frame4"};
constexpr std::array<const char*, 4> kFrameCaptions = {
    "Pointerdaten", "Marker Links", "Marker Rechts", "Messwerte zwischen Marker"};
// First label of each group.
constexpr std::array<int, 5> kGroupStart = {0, 3, 6, 9, 15};

constexpr std::array<const char*, kDataWindowLabels> kValueNames = {
    "lbltemp", "lblH",    "lbltime", "lblTM1", "lblHM1",  "lblTTM1", "lblTM2", "lblHM2",
    "lblTTM2", "lbltmax", "lbltmin", "lbltd",  "lblhmax", "lblhmin", "lblhd"};

// What the labels say before any file has been loaded.
constexpr std::array<const char*, kDataWindowLabels> kDesignCaptions = {
    "Temperatur (°C)",       "rel. Feuchte (%)",      "Zeit",
    "Temperatur (°C)",       "rel. Feuchte (%)",      "Zeit",
    "Temperatur (°C)",       "rel. Feuchte (%)",      "Zeit",
    "Max. Temperatur (°C)",  "Min. Temperatur (°C)",  "Ø Temperatur (°C)",
    "Max. rel. Feuchte (%)", "Min. rel. Feuchte (%)", "Ø rel. Feuchte (%)"};

// Wide enough for the longest value: a date with a twelve-hour time.
constexpr int kValueChars = 22;

} // namespace

frmData::frmData(ModMain& app, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      app_(app) {
    setObjectName(QStringLiteral("frmData"));
    setWindowTitle(QStringLiteral("Data"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    auto* outer = new QVBoxLayout(this);
    outer->setSizeConstraint(QLayout::SetFixedSize); // a fixed-size tool window
    for (std::size_t g = 0; g < frames_.size(); ++g) {
        auto* frame = new QGroupBox(QString::fromUtf8(kFrameCaptions[g]), this);
        frame->setObjectName(QLatin1String(kFrameNames[g]));
        setTag(frame, kFrameTags[g]);
        auto* grid = new QGridLayout(frame);
        grid->setColumnStretch(1, 1);
        for (int i = kGroupStart[g]; i < kGroupStart[g + 1]; ++i) {
            auto* caption = new QLabel(QString::fromUtf8(kDesignCaptions[i]), frame);
            caption->setObjectName(QStringLiteral("Label1_%1").arg(i));
            auto* value = new QLabel(frame);
            value->setObjectName(QLatin1String(kValueNames[i]));
            value->setFont(fixed);
            value->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QLatin1Char('0')) *
                                   kValueChars);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            const int row = i - kGroupStart[g];
            grid->addWidget(caption, row, 0);
            grid->addWidget(value, row, 1);
            captions_[i] = caption;
            values_[i] = value;
        }
        outer->addWidget(frame);
        frames_[g] = frame;
    }

    lstAlarms_ = new QTreeWidget(this);
    lstAlarms_->setObjectName(QStringLiteral("lstAlarms"));
    lstAlarms_->setRootIsDecorated(false);
    lstAlarms_->setColumnCount(4);
    lstAlarms_->setMinimumHeight(110);
    lstAlarms_->hide();
    outer->addWidget(lstAlarms_);

    buildDerivedGroup(*outer);
    alignValues();

    // Restore the placement; one that lies on no screen (a monitor since removed) is dropped.
    const ScreenDpi dpi = screenDpi(this);
    const QPoint at(twipsToPixels(readSetting(app_.ini, keys::DataWindowLeft), dpi.x),
                    twipsToPixels(readSetting(app_.ini, keys::DataWindowTop), dpi.y));
    if (QGuiApplication::screenAt(at) != nullptr) {
        move(at);
    }
}

void frmData::buildDerivedGroup(QLayout& outer) {
    derivedFrame_ = new QGroupBox(this);
    derivedFrame_->setObjectName(QStringLiteral("FrameDerived"));
    auto* grid = new QGridLayout(derivedFrame_);
    grid->setColumnStretch(0, 1);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int c = 0; c < 3; ++c) {
        derivedHeads_[c] = new QLabel(derivedFrame_);
        derivedHeads_[c]->setAlignment(Qt::AlignRight);
        grid->addWidget(derivedHeads_[c], 0, c + 1);
    }
    for (std::size_t q = 0; q < kDerivedCount; ++q) {
        const int row = static_cast<int>(q) + 1;
        derivedCaptions_[q] = new QLabel(derivedFrame_);
        grid->addWidget(derivedCaptions_[q], row, 0);
        for (int c = 0; c < 3; ++c) {
            auto* value = new QLabel(derivedFrame_);
            value->setObjectName(QStringLiteral("lblDerived%1_%2").arg(q).arg(c));
            value->setFont(fixed);
            value->setAlignment(Qt::AlignRight);
            value->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QLatin1Char('0')) * 9);
            value->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(value, row, c + 1);
            derived_[q * 3 + static_cast<std::size_t>(c)] = value;
        }
    }
    outer.addWidget(derivedFrame_);
    derivedTexts();
}

void frmData::derivedTexts() {
    derivedFrame_->setTitle(
        QString::fromStdString(app_.text(377, "Abgeleitete Größen zwischen Marker")));
    const auto heads = splitTextList(
        app_.text(380, "Statistik|Größe|Minimum|Zeitpunkt|Maximum|Zeitpunkt|Mittelwert"));
    for (std::size_t c = 0; c < 3; ++c) {
        const std::size_t part = 2 + 2 * c; // Minimum, Maximum, Mittelwert
        derivedHeads_[c]->setText(part < heads.size() ? QString::fromStdString(heads[part])
                                                      : QString());
    }
    for (std::size_t q = 0; q < kDerivedCount; ++q) {
        const auto quantity = static_cast<Derived>(q);
        derivedCaptions_[q]->setText(QString::fromStdString(
            app_.text(372 + static_cast<int>(q), std::string(derivedName(quantity))) + " (" +
            std::string(derivedUnit(quantity)) + ")"));
    }
}

void frmData::clearDerived() {
    ++derivedGeneration_;
    derivedWorker_.request_stop();
    derivedPending_ = false;
    for (QLabel* value : derived_) {
        value->clear();
    }
}

void frmData::showDerived(std::shared_ptr<const LogData> log, const RecordSpan& span) {
    clearDerived();
    if (!log) {
        return;
    }
    for (QLabel* value : derived_) {
        value->setText(QStringLiteral("..."));
    }
    derivedPending_ = true;
    const std::uint64_t generation = derivedGeneration_;
    const double pressure = parsePressureHpa(readSetting(app_.ini, keys::HumidityPressure))
                                .value_or(kStandardPressureHpa);
    // The previous worker has been asked to stop; assigning joins it (a few thousand records).
    derivedWorker_ = std::jthread(
        [this, log = std::move(log), span, pressure, generation](std::stop_token stop) {
            auto result = derivedExtremes(*log, span.first, span.last, pressure, stop);
            if (!result) {
                return;
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation, stats = *result] {
                    if (generation != derivedGeneration_) {
                        return; // a newer span or a cleared window
                    }
                    derivedPending_ = false;
                    for (std::size_t q = 0; q < kDerivedCount; ++q) {
                        const Extremes& e = stats[q];
                        const double cells[3] = {e.min, e.max, e.average()};
                        for (int c = 0; c < 3; ++c) {
                            derived_[q * 3 + static_cast<std::size_t>(c)]->setText(
                                QString::fromStdString(formatFixed(app_.locale, cells[c], 1)));
                        }
                    }
                },
                Qt::QueuedConnection);
        });
}

void frmData::cmData_Click(bool checked) {
    wanted_ = checked;
    if (!wanted_) {
        hide();
        return;
    }
    applyLanguage();
    Rubber();
    show();
    raise();
}

void frmData::setUnits(const std::string& tempUnitText, const std::string& ch2UnitText) {
    tempUnit_ = tempUnitText;
    ch2Unit_ = ch2UnitText;
}

void frmData::Rubber() {
    for (QLabel* value : values_) {
        value->clear();
    }
    clearDerived();
    LabelAktualisieren();
}

void frmData::LabelAktualisieren() {
    const auto captions = dataWindowCaptions(app_.strings, tempUnit_, ch2Unit_);
    if (!captions) {
        return;
    }
    for (std::size_t i = 0; i < captions->size(); ++i) {
        captions_[i]->setText(QString::fromStdString((*captions)[i]));
    }
    alignValues();
}

void frmData::alignValues() {
    // One caption width for all four groups, so the values stand in one column.
    int widest = 0;
    for (QLabel* caption : captions_) {
        caption->setMinimumWidth(0);
        widest = std::max(widest, caption->sizeHint().width());
    }
    for (QLabel* caption : captions_) {
        caption->setMinimumWidth(widest);
    }
}

void frmData::applyLanguage() {
    applyTagTexts(this, app_.strings);
    setWindowTitle(QStringLiteral("Data"));
    LabelAktualisieren();
    setAlarms(alarms_); // headers and numbers in the new language
    derivedTexts();
}

void frmData::setValue(int i, const std::string& text) {
    values_.at(static_cast<std::size_t>(i))->setText(QString::fromStdString(text));
}

void frmData::showReadout(int firstLabel, const RecordReadout& readout) {
    setValue(firstLabel, readout.temperature);
    setValue(firstLabel + 1, readout.channel2);
    setValue(firstLabel + 2, readout.time);
}

void frmData::showPointer(const LogData& log, const PointerReadout& pointer) {
    showReadout(0, recordReadout(log, pointer.record, pointer.time, app_.locale));
}

void frmData::showMarker(const LogData& log, MarkerSide side, const Marker& marker) {
    showReadout(side == MarkerSide::Left ? 3 : 6,
                recordReadout(log, marker.record, marker.time, app_.locale));
}

void frmData::showStatistics(const LogData& log, const RecordSpan& span) {
    const StatisticsReadout s = statisticsReadout(markerStatistics(log, span), app_.locale);
    setValue(9, s.tempMax);
    setValue(10, s.tempMin);
    setValue(11, s.tempAverage);
    setValue(12, s.ch2Max);
    setValue(13, s.ch2Min);
    setValue(14, s.ch2Average);
}

void frmData::showMarkers(const LogData& log, const Markers& markers) {
    if (markers.left()) {
        showMarker(log, MarkerSide::Left, *markers.left());
    }
    if (markers.right()) {
        showMarker(log, MarkerSide::Right, *markers.right());
    }
    if (const auto span = markers.statisticsSpan()) {
        showStatistics(log, *span);
    }
}

void frmData::savePlacement() {
    if (isMinimized() || isMaximized()) {
        return; // the normal placement stays as saved
    }
    const ScreenDpi dpi = screenDpi(this);
    const QPoint at = pos();
    writeSetting(app_.ini, keys::DataWindowLeft,
                 static_cast<std::int32_t>(pixelsToTwips(at.x(), dpi.x)));
    writeSetting(app_.ini, keys::DataWindowTop,
                 static_cast<std::int32_t>(pixelsToTwips(at.y(), dpi.y)));
}

void frmData::unload() {
    savePlacement();
    hide();
}

void frmData::closeEvent(QCloseEvent* event) {
    savePlacement();
    event->accept();
}

void frmData::setAlarms(const std::vector<AlarmInterval>& alarms) {
    alarms_ = alarms;
    const QStringList headers =
        QString::fromStdString(app_.text(369, "Start;Rule;Value;Duration")).split(QLatin1Char(';'));
    lstAlarms_->setHeaderLabels(headers);
    lstAlarms_->clear();
    for (const AlarmListRow& row : alarmListRows(alarms_, app_.locale, app_.text(370))) {
        lstAlarms_->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdString(row.start), QString::fromStdString(row.rule),
             QString::fromStdString(row.value), QString::fromStdString(row.duration)}));
    }
    int width = 2 * lstAlarms_->frameWidth() + 4;
    for (int c = 0; c < lstAlarms_->columnCount(); ++c) {
        lstAlarms_->resizeColumnToContents(c);
        width += lstAlarms_->columnWidth(c);
    }
    // The window has a fixed size: it grows to show the whole rows.
    lstAlarms_->setMinimumWidth(std::min(width, 900));
    lstAlarms_->setVisible(!alarms_.empty());
}

} // namespace orv
