#include "offline/frmOfflGraf.h"

#include "offline/DataWindow.h"
#include "offline/DiagramWindows.h"
#include "offline/frmData.h"
#include "platform/Prompts.h"
#include "platform/ScreenTwips.h"
#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>

namespace orv {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The date panels before a file's first and last record are known.
constexpr char kNoDate[] = "00.00.0000 00:00:00";
// A load that takes longer than this many progress ticks of 100 ms shows its progress.
constexpr int kProgressAfterTicks = 3;

std::string titleOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

QCheckBox* checkBox(QWidget* parent, const char* name, int tag, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFocusPolicy(Qt::TabFocus);
    setTag(box, tag);
    return box;
}

} // namespace

frmOfflGraf::frmOfflGraf(DiagramWindows& windows, const std::string& filePath, QWidget* parent)
    : QWidget(parent), windows_(windows), filePath_(filePath), fileTitle_(titleOf(filePath)),
      exporter_(windows.app(), windows.prompts()), reporter_(windows.app(), windows.prompts()) {
    setObjectName(QStringLiteral("frmOfflGraf"));
    setTag(this, 41);
    buildWindow();
    // Form_Load: the slot of this window, with its file.
    windows_.diagramSlots().claim(reinterpret_cast<DiagramSlots::Owner>(this), fileTitle_,
                                  filePath_);
    progressTimer_.setInterval(100);
    connect(&progressTimer_, &QTimer::timeout, this, &frmOfflGraf::showProgress);
    fileWatch_.setInterval(1000);
    connect(&fileWatch_, &QTimer::timeout, this, &frmOfflGraf::showFileState);
    applyTexts();
}

frmOfflGraf::~frmOfflGraf() {
    stopLoad();
    windows_.diagramSlots().release(reinterpret_cast<DiagramSlots::Owner>(this));
    setBusy(false);
}

void frmOfflGraf::buildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("Toolbar1"));
    toolbar_->setIconSize(QSize(20, 20));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    buttons_[1] =
        toolbar_->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), QString());
    buttons_[1]->setObjectName(QStringLiteral("Toolbar1Button1"));
    buttons_[2] = toolbar_->addAction(style()->standardIcon(QStyle::SP_BrowserReload), QString());
    buttons_[2]->setObjectName(QStringLiteral("Toolbar1Button2"));
    connect(buttons_[1], &QAction::triggered, this, [this] { Toolbar1_ButtonClick(1); });
    connect(buttons_[2], &QAction::triggered, this, [this] { Toolbar1_ButtonClick(2); });
    toolbar_->addSeparator();

    chkDate_ = checkBox(toolbar_, "chkDate", 35, QStringLiteral("Datum"));
    chkTime_ = checkBox(toolbar_, "chkTime", 36, QStringLiteral("Uhrzeit"));
    chkDate_->setChecked(true);
    chkTime_->setChecked(true);
    chkDrag_ = checkBox(toolbar_, "chkDrag", 37, QStringLiteral("Zoom-Modus"));
    cmdQuitZoom_ = new QPushButton(QStringLiteral("Zoom verlassen"), toolbar_);
    cmdQuitZoom_->setObjectName(QStringLiteral("cmdQuitZoom"));
    setTag(cmdQuitZoom_, 38);
    cmData_ = checkBox(toolbar_, "cmData", 39, QStringLiteral("Data"));
    cmdExport_ = new QToolButton(toolbar_);
    cmdExport_->setObjectName(QStringLiteral("cmdExport"));
    cmdExport_->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    cmdExport_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cmdExport_->setAutoRaise(true);
    setTag(cmdExport_, 40);
    toolbar_->addWidget(chkDate_);
    toolbar_->addWidget(chkTime_);
    toolbar_->addSeparator();
    toolbar_->addWidget(chkDrag_);
    toolbar_->addWidget(cmdQuitZoom_);
    toolbar_->addSeparator();
    toolbar_->addWidget(cmData_);
    toolbar_->addWidget(cmdExport_);
    reportButton_ =
        toolbar_->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView), QString());
    reportButton_->setObjectName(QStringLiteral("cmdReport"));
    connect(reportButton_, &QAction::triggered, this, &frmOfflGraf::cmdReport_Click);
    for (QWidget* w : std::initializer_list<QWidget*>{chkDate_, chkTime_, chkDrag_, cmData_}) {
        w->setContentsMargins(6, 0, 6, 0);
    }

    connect(chkDate_, &QCheckBox::toggled, this, [this] { DrawDiagram(true); });
    connect(chkTime_, &QCheckBox::toggled, this, [this] { DrawDiagram(true); });
    connect(chkDrag_, &QCheckBox::toggled, this, &frmOfflGraf::chkDrag_Click);
    connect(cmdQuitZoom_, &QPushButton::clicked, this, &frmOfflGraf::cmdQuitZoom_Click);
    connect(cmData_, &QCheckBox::clicked, this, &frmOfflGraf::cmData_Click);
    connect(cmdExport_, &QToolButton::clicked, this, &frmOfflGraf::cmdExport_Click);

    plot_ = new DiagramView(windows_.app().locale, this);
    connect(plot_, &DiagramView::mouseDown, this, &frmOfflGraf::plot_MouseDown);
    connect(plot_, &DiagramView::mouseMoved, this, &frmOfflGraf::plot_MouseMove);

    sbrNLog_ = new QStatusBar(this);
    sbrNLog_->setObjectName(QStringLiteral("sbrNLog"));
    sbrNLog_->setSizeGripEnabled(false);
    for (int n = 1; n <= 8; ++n) {
        auto* panel = new QLabel(sbrNLog_);
        panel->setObjectName(QStringLiteral("sbrNLogPanel%1").arg(n));
        panel->setContentsMargins(3, 0, 3, 0);
        sbrNLog_->addWidget(panel, n == 1 ? 1 : 0);
        panels_[static_cast<std::size_t>(n)] = panel;
    }
    // In a narrow window the file name gives way first, so counts and times stay readable.
    panels_[1]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panels_[1]->setMinimumWidth(40);
    // Panel 4 has nothing to say; panel 2 only tells of a file cut short.
    panels_[2]->hide();
    panels_[4]->hide();
    progress_ = new QProgressBar(sbrNLog_);
    progress_->setObjectName(QStringLiteral("loadProgress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(true);
    progress_->setMaximumWidth(160);
    progress_->hide();
    sbrNLog_->insertWidget(4, progress_);
    resetDatePanels();

    layout->addWidget(toolbar_);
    layout->addWidget(plot_, 1);
    layout->addWidget(sbrNLog_);
}

std::string frmOfflGraf::text(int germanId, const std::string& fallback) const {
    return windows_.app().text(germanId, fallback);
}

void frmOfflGraf::setPanel(int n, const QString& text) {
    QLabel* panel = panels_.at(static_cast<std::size_t>(n));
    panel->setText(text);
    // Counts and times are never cut off; the window grows a little instead in a narrow layout.
    const QMargins m = panel->contentsMargins();
    panel->setMinimumWidth(panel->fontMetrics().horizontalAdvance(text) + m.left() + m.right() + 2);
    updateMinimumSize();
}

void frmOfflGraf::updateMinimumSize() {
    auto* child = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!child) {
        return;
    }
    const ScreenDpi dpi = screenDpi(child);
    const QSize least(twipsToPixels(static_cast<std::int64_t>(kMinDiagramWindowWidth), dpi.x),
                      twipsToPixels(static_cast<std::int64_t>(kMinDiagramWindowHeight), dpi.y));
    // The status bar does not add up its panels for its minimum, so they are counted here.
    int panelsWidth = 0;
    for (int n = 1; n <= 8; ++n) {
        const QLabel* panel = panels_.at(static_cast<std::size_t>(n));
        if (!panel->isHidden()) {
            panelsWidth += std::max(panel->minimumWidth(), n == 1 ? 40 : 0) + 6;
        }
    }
    const int frame = std::max(0, child->width() - width());
    child->setMinimumSize(
        least.expandedTo(child->minimumSizeHint()).expandedTo(QSize(panelsWidth + frame + 8, 0)));
}

TimeGrid frmOfflGraf::timeGrid() const {
    if (!data_) {
        return {};
    }
    return {data_->header().startTime, data_->header().interval};
}

void frmOfflGraf::applyTexts() {
    ModMain& app = windows_.app();
    applyTagTexts(this, app.strings);
    chkDrag_->setText(qs(text(330, "Zoom-Modus")));
    cmdQuitZoom_->setText(qs(text(331, "Zoom verlassen")));
    cmdExport_->setText(qs(text(332, "Exportieren")));
    reportButton_->setText(qs(text(383, "Bericht (PDF)")));
    buttons_[1]->setToolTip(qs(text(295)));
    buttons_[2]->setToolTip(qs(text(296)));
    panels_[1]->setToolTip(qs(text(297)));
    panels_[3]->setToolTip(qs(text(298)));
    setPanel(5, qs(text(299, "von:")));
    panels_[6]->setToolTip(qs(text(301)));
    setPanel(7, qs(text(300, "bis:")));
    panels_[8]->setToolTip(qs(text(302)));
    panels_[1]->setText(qs(fileTitle_));
    showFileState();
    setWindowTitle(qs(text(181, "Messwerte-Diagramm (Offline)") + " – " + fileTitle_));
    if (loading_) {
        DiagramContent c;
        c.message = text(254, "Lade ") + fileTitle_;
        plot_->setContent(c);
    } else {
        DrawDiagram(true);
    }
}

void frmOfflGraf::Form_Activate() {
    const bool first = !everActivated_;
    everActivated_ = true;
    if (first && !data_ && !loading_) {
        LoadLogFile();
        return;
    }
    if (data_ && interaction_) {
        // The data window shows this diagram's file: its units, then the markers replayed.
        frmData& dataWindow = windows_.data();
        dataWindow.setUnits(data_->header().tempUnitText(), data_->header().ch2UnitText());
        dataWindow.Rubber();
        dataWindow.setAlarms(alarms_);
        dataWindow.showMarkers(*data_, interaction_->markers());
        if (const auto span = interaction_->markers().statisticsSpan()) {
            dataWindow.showDerived(data_, *span);
        }
    }
    applyTexts();
}

void frmOfflGraf::LoadLogFile() {
    stopLoad();
    loading_ = true;
    setBusy(true);
    data_.reset();
    interaction_.reset();
    panels_[1]->setText(qs(fileTitle_));
    DiagramContent c;
    c.message = text(254, "Lade ") + fileTitle_;
    plot_->setContent(c);
    startLoad();
}

void frmOfflGraf::startLoad() {
    auto progress = std::make_shared<LoadProgress>();
    loadProgress_ = progress;
    const std::uint64_t generation = ++generation_;
    progressTicks_ = 0;
    progressTimer_.start();
    worker_ = std::jthread([this, generation, progress, path = filePath_] {
        auto result = std::make_shared<LoadResult>(loadLogFile(path, progress.get()));
        // Delivered on the window's thread; dropped if the window is gone by then.
        QMetaObject::invokeMethod(
            this, [this, generation, result] { finishLoad(generation, result); },
            Qt::QueuedConnection);
    });
}

void frmOfflGraf::stopLoad() {
    if (loadProgress_) {
        loadProgress_->cancel = true;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    ++generation_; // a result still queued is stale now
    loadProgress_.reset();
    progressTimer_.stop();
    progress_->hide();
    loading_ = false;
}

void frmOfflGraf::showProgress() {
    if (!loading_ || !loadProgress_) {
        return;
    }
    if (++progressTicks_ < kProgressAfterTicks) {
        return;
    }
    const std::int64_t total = loadProgress_->recordsTotal.load();
    const std::int64_t done = loadProgress_->recordsDone.load();
    if (total > 0) {
        progress_->setRange(0, 1000);
        progress_->setValue(static_cast<int>(done * 1000 / total));
    } else {
        progress_->setRange(0, 0); // header not read yet: a moving bar
    }
    progress_->show();
}

void frmOfflGraf::finishLoad(std::uint64_t generation, const std::shared_ptr<LoadResult>& result) {
    if (generation != generation_) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    loading_ = false;
    loadProgress_.reset();
    progressTimer_.stop();
    progress_->hide();
    setBusy(false);
    if (const auto* error = std::get_if<LoadError>(result.get())) {
        if (error->kind != LoadError::Kind::Cancelled) {
            failLoad(error->textId());
        }
        return;
    }
    data_ = std::make_shared<const LogData>(std::move(std::get<LogData>(*result)));
    fileWatch_.start();
    alarms_ = loadAlarmIntervals(filePath_).value_or(std::vector<AlarmInterval>{});
    interaction_.emplace(ViewRange{0, data_->size()});
    {
        const QSignalBlocker block(chkDrag_);
        chkDrag_->setChecked(false);
    }
    plot_->setCursor(Qt::CrossCursor);
    if (data_->size() > 0) {
        showViewStatus(false);
    }
    frmData& dataWindow = windows_.data();
    dataWindow.setUnits(data_->header().tempUnitText(), data_->header().ch2UnitText());
    dataWindow.Rubber();
    dataWindow.setAlarms(alarms_);
    applyTexts(); // panel 2 and the title; draws with a new value axis below
    if (data_->size() >= 1) {
        DrawDiagram(false);
    } else {
        plot_->setContent({});
    }
    emit loadFinished(true);
}

void frmOfflGraf::failLoad(int textId) {
    plot_->setContent({});
    Prompts& prompts = windows_.prompts();
    prompts.message("VisualORV", text(textId) + "\n" + filePath_, Prompts::Icon::Exclamation,
                    Prompts::Buttons::Ok);
    emit loadFinished(false);
    closeSoon();
}

void frmOfflGraf::closeSoon() {
    QTimer::singleShot(0, this, [this] {
        if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            child->close();
        } else {
            close();
        }
    });
}

void frmOfflGraf::setBusy(bool busy) {
    if (busy == busy_) {
        return;
    }
    busy_ = busy;
    if (busy) {
        setCursor(Qt::BusyCursor);
        plot_->setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
        plot_->setCursor(chkDrag_->isChecked() ? Qt::ArrowCursor : Qt::CrossCursor);
    }
}

// Panel 2 tells when the file is not what the diagram shows in full: cut short before it was
// loaded, or cut short by another program since (its records past the new end then read as gaps,
// while the overview still shows them as loaded).
void frmOfflGraf::showFileState() {
    const bool changed = data_ && data_->changedOnDisk();
    const bool truncated = data_ && data_->truncated();
    if (changed) {
        panels_[2]->setText(qs(text(315, "Datei geändert")));
        panels_[2]->setToolTip(qs(text(316)));
        if (fileWatch_.isActive()) {
            fileWatch_.stop(); // it stays changed
            plot_->update();   // the records past the new end now read as a gap
        }
    } else {
        panels_[2]->setText(truncated ? qs(text(333, "unvollständig")) : QString());
        panels_[2]->setToolTip(truncated ? qs(text(334)) : QString());
    }
    panels_[2]->setVisible(changed || truncated);
}

void frmOfflGraf::resetDatePanels() {
    setPanel(6, QString::fromLatin1(kNoDate));
    setPanel(8, QString::fromLatin1(kNoDate));
}

void frmOfflGraf::showViewStatus(bool zoomed) {
    const ViewStatus status =
        viewStatus(interaction_->view(), zoomed, timeGrid(), windows_.app().locale);
    setPanel(3, qs(status.frames));
    setPanel(6, qs(status.from));
    setPanel(8, qs(status.to));
}

void frmOfflGraf::Toolbar1_ButtonClick(int button) {
    if (button == 1) {
        windows_.ViewFileTitle.clear();
        if (!windows_.Source()) {
            return; // cancelled: the diagram stays
        }
        filePath_ = windows_.ViewFilePath;
        fileTitle_ = windows_.ViewFileTitle;
        if (const auto slot =
                windows_.diagramSlots().find(reinterpret_cast<DiagramSlots::Owner>(this))) {
            windows_.diagramSlots().setFile(*slot, fileTitle_, filePath_);
        }
    } else if (button != 2) {
        return;
    }
    resetDatePanels();
    windows_.data().Rubber();
    LoadLogFile();
    applyTexts();
}

void frmOfflGraf::DrawDiagram(bool keepScale) {
    if (!data_ || !interaction_) {
        return;
    }
    DiagramContent c;
    c.data = data_.get();
    c.view = interaction_->view();
    if (!c.view.drawable()) {
        c.message = text(257, "Zu wenig Datensätze");
        plot_->setContent(c);
        return;
    }
    if (!keepScale && !interaction_->zoomActive()) {
        interaction_->setAutoScale(autoScaleOf(*data_, c.view));
    }
    c.scale = interaction_->scale();
    c.showTime = chkTime_->isChecked();
    c.showDate = chkDate_->isChecked();
    const Markers& markers = interaction_->markers();
    if (markers.left()) {
        c.markerLeft = markers.left()->record;
    }
    if (markers.right()) {
        c.markerRight = markers.right()->record;
    }
    c.tempUnitText = data_->header().tempUnitText();
    c.ch2UnitText = data_->header().ch2UnitText();
    c.languageCode = windows_.app().Language.empty() ? "de" : windows_.app().Language;
    c.alarms = alarms_;
    plot_->setContent(c);
}

void frmOfflGraf::plot_MouseDown(MouseButton button, double x, double y) {
    if (!data_ || !interaction_) {
        return;
    }
    const DiagramInteraction::Effect effect =
        interaction_->mouseDown(button, x, y, plot_->geometry(), timeGrid());
    frmData& dataWindow = windows_.data();
    switch (effect) {
    case DiagramInteraction::Effect::ZoomModeOff:
        chkDrag_->setChecked(false);
        break;
    case DiagramInteraction::Effect::LeftMarker:
    case DiagramInteraction::Effect::RightMarker: {
        const MarkerSide side =
            effect == DiagramInteraction::Effect::LeftMarker ? MarkerSide::Left : MarkerSide::Right;
        const Markers& markers = interaction_->markers();
        dataWindow.showMarker(*data_, side, *markers.get(side));
        if (const auto span = markers.statisticsSpan()) {
            dataWindow.showStatistics(*data_, *span);
            dataWindow.showDerived(data_, *span);
        }
        DrawDiagram(true);
        break;
    }
    case DiagramInteraction::Effect::ZoomStarted:
        plot_MouseMove(x, y);
        break;
    case DiagramInteraction::Effect::ZoomApplied:
        chkDrag_->setChecked(false);
        showViewStatus(true);
        DrawDiagram(false);
        break;
    case DiagramInteraction::Effect::None:
        break;
    }
}

void frmOfflGraf::plot_MouseMove(double x, double y) {
    if (!data_ || !interaction_) {
        return;
    }
    const DiagramGeometry geometry = plot_->geometry();
    if (const auto readout = pointerAt(x, geometry, interaction_->view(), timeGrid())) {
        windows_.data().showPointer(*data_, *readout);
    }
    if (interaction_->zoomDrag().dragging()) {
        DiagramContent c = plot_->content();
        c.rubberBand = interaction_->zoomDrag().rubberBand(x, y, geometry);
        plot_->setContent(std::move(c));
    }
}

void frmOfflGraf::chkDrag_Click() {
    if (!interaction_) {
        return;
    }
    const bool on = chkDrag_->isChecked();
    interaction_->setZoomMode(on);
    windows_.data().Rubber();
    plot_->setCursor(on ? Qt::ArrowCursor : Qt::CrossCursor);
    DrawDiagram(true);
}

void frmOfflGraf::cmdQuitZoom_Click() {
    if (!data_ || !interaction_) {
        return;
    }
    // The whole file again, with the value axis derived anew; the file in memory is the one
    // shown, so it is not read again (the reload button does that).
    interaction_->quitZoom(ViewRange{0, data_->size()});
    {
        const QSignalBlocker block(chkDrag_);
        chkDrag_->setChecked(false);
    }
    plot_->setCursor(Qt::CrossCursor);
    windows_.data().Rubber();
    if (data_->size() > 0) {
        showViewStatus(false);
    }
    DrawDiagram(false);
}

void frmOfflGraf::cmData_Click() {
    windows_.data().cmData_Click(cmData_->isChecked());
}

void frmOfflGraf::cmdExport_Click() {
    if (!data_ || !interaction_) {
        return;
    }
    exporter_.cmdExport_Click(*data_, interaction_->view(), fileTitle_);
}

void frmOfflGraf::cmdReport_Click() {
    if (!data_ || !interaction_) {
        return;
    }
    reporter_.run(*data_, interaction_->view(), plot_->content(), filePath_);
}

void frmOfflGraf::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        // Form_Unload: the placement of a window in the normal state, in twips.
        if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget());
            child && !(child->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
            const ScreenDpi dpi = screenDpi(child);
            IniStore& ini = windows_.app().ini;
            const QRect r = child->geometry();
            auto tw = [](int px, double d) {
                return static_cast<std::int32_t>(pixelsToTwips(px, d));
            };
            writeSetting(ini, keys::OfflDiagrWindowLeft, tw(r.x(), dpi.x));
            writeSetting(ini, keys::OfflDiagrWindowTop, tw(r.y(), dpi.y));
            writeSetting(ini, keys::OfflDiagrWindowWidth, tw(r.width(), dpi.x));
            writeSetting(ini, keys::OfflDiagrWindowHeight, tw(r.height(), dpi.y));
        }
        windows_.data().hide();
        stopLoad();
        setBusy(false);
        windows_.diagramSlots().release(reinterpret_cast<DiagramSlots::Owner>(this));
    }
    event->accept();
}

} // namespace orv
