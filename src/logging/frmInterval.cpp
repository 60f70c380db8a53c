#include "logging/frmInterval.h"

#include "platform/ScreenTwips.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

namespace orv {

namespace {

// The scale marks and the slider position of each (5 s, 60 s, 10, 30 and 60 minutes).
struct ScaleMark {
    const char* text;
    int seconds;
};
constexpr ScaleMark kScaleMarks[] = {
    {"5s", 5}, {"60s", 60}, {"10min", 600}, {"30min", 1800}, {"60min", 3600},
};

// The slider starts at one minute.
constexpr int kInitialSeconds = 60;

} // namespace

frmInterval::frmInterval(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInterval"));
    setWindowTitle(QStringLiteral("Intervall einstellen"));
    setModal(false);
    setSizeGripEnabled(false);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("Slider1"));
    slider_->setRange(kSliderMinPosition, kSliderMaxPosition);
    slider_->setSingleStep(1);
    slider_->setPageStep(20);
    slider_->setMinimumWidth(360);

    markRow_ = new QWidget(this);
    for (std::size_t i = 0; i < marks_.size(); ++i) {
        auto* mark = new QLabel(QString::fromLatin1(kScaleMarks[i].text), markRow_);
        mark->setObjectName(QStringLiteral("Label2_%1").arg(i));
        marks_[i] = mark;
    }
    markRow_->setMinimumHeight(marks_[0]->sizeHint().height());

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("Label1"));
    label_->setAlignment(Qt::AlignCenter);
    QFont big = label_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    label_->setFont(big);
    label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(QStringLiteral("60 Min 59s")) +
                            16);

    down_ = new QPushButton(QStringLiteral("<"), this);
    down_->setObjectName(QStringLiteral("Command2"));
    up_ = new QPushButton(QStringLiteral(">"), this);
    up_->setObjectName(QStringLiteral("Command3"));
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setObjectName(QStringLiteral("Command1"));
    ok_->setDefault(true);
    for (QPushButton* arrow : {down_, up_}) {
        arrow->setAutoRepeat(true);
        arrow->setFixedWidth(arrow->fontMetrics().horizontalAdvance(QStringLiteral("<<")) + 24);
    }

    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(down_);
    valueRow->addWidget(label_, 1);
    valueRow->addWidget(up_);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(ok_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(slider_);
    layout->addWidget(markRow_);
    layout->addSpacing(6);
    layout->addLayout(valueRow);
    layout->addSpacing(6);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(slider_, &QSlider::valueChanged, this, &frmInterval::Slider1_Change);
    connect(down_, &QPushButton::clicked, this, &frmInterval::Command2_Click);
    connect(up_, &QPushButton::clicked, this, &frmInterval::Command3_Click);
    connect(ok_, &QPushButton::clicked, this, &frmInterval::Command1_Click);

    // The load handler runs the slider handler once, so label and value start from the slider.
    {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(sliderPositionFor(kInitialSeconds));
    }
    Slider1_Change(slider_->value());
}

void frmInterval::showDialog() {
    if (!placed_) {
        const ScreenDpi dpi = screenDpi(this);
        move(twipsToPixels(600, dpi.x), twipsToPixels(600, dpi.y));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void frmInterval::Slider1_Change(int position) {
    scale_.setPosition(position);
    label_->setText(QString::fromStdString(scale_.label()));
}

void frmInterval::moveSliderQuietly() {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(scale_.position());
}

void frmInterval::Command2_Click() {
    scale_.stepDown();
    moveSliderQuietly();
    label_->setText(QString::fromStdString(scale_.label()));
}

void frmInterval::Command3_Click() {
    scale_.stepUp();
    moveSliderQuietly();
    label_->setText(QString::fromStdString(scale_.label()));
}

void frmInterval::Command1_Click() {
    emit intervalConfirmed(scale_.seconds());
    hide();
}

void frmInterval::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeScaleMarks();
}

void frmInterval::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    placeScaleMarks();
}

// Each mark is centred under the handle's position for its value, kept inside the row.
void frmInterval::placeScaleMarks() {
    QStyleOptionSlider option;
    option.initFrom(slider_);
    option.orientation = Qt::Horizontal;
    option.minimum = slider_->minimum();
    option.maximum = slider_->maximum();
    const QRect groove = slider_->style()->subControlRect(QStyle::CC_Slider, &option,
                                                          QStyle::SC_SliderGroove, slider_);
    const QRect handle = slider_->style()->subControlRect(QStyle::CC_Slider, &option,
                                                          QStyle::SC_SliderHandle, slider_);
    const int span = std::max(1, groove.width() - handle.width());
    const int origin = slider_->x() - markRow_->x() + groove.x() + handle.width() / 2;
    for (std::size_t i = 0; i < marks_.size(); ++i) {
        QLabel* mark = marks_[i];
        mark->adjustSize();
        // The first position that reaches the mark's value.
        int position = kSliderMinPosition;
        while (position < kSliderMaxPosition && sliderSeconds(position) < kScaleMarks[i].seconds) {
            ++position;
        }
        const int centre = origin + QStyle::sliderPositionFromValue(
                                        slider_->minimum(), slider_->maximum(), position, span);
        const int left = std::clamp(centre - mark->width() / 2, 0,
                                    std::max(0, markRow_->width() - mark->width()));
        mark->move(left, 0);
    }
}

} // namespace orv
