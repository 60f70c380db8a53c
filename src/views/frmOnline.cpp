#include "views/frmOnline.h"

#include "platform/ScreenTwips.h"
#include "state/LanguageTags.h"
#include "state/ModMain.h"
#include "state/SettingsKeys.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace orv {

frmOnline::frmOnline(ModMain& app, QWidget* parent) : QWidget(parent, Qt::Window), app_(app) {
    setObjectName(QStringLiteral("frmOnline"));
    setAttribute(Qt::WA_DeleteOnClose);
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblSen%1").arg(i));
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        setTag(label, 43 + i);
        labels_[static_cast<std::size_t>(i)] = label;
    }
    derived_ = new QLabel(this);
    derived_->setObjectName(QStringLiteral("lblDerived"));
    derived_->setAlignment(Qt::AlignCenter);
    derived_->setWordWrap(true);
    derived_->setText(QStringLiteral("--.-"));
    derivedShown_ = readSetting(app_.ini, keys::OnlineWindowDerived);
    derived_->setVisible(derivedShown_);
    auto* toggle = new QAction(this);
    derivedToggle_ = toggle;
    toggle->setObjectName(QStringLiteral("mnuDerived"));
    toggle->setCheckable(true);
    toggle->setChecked(derivedShown_);
    connect(toggle, &QAction::toggled, this, [this](bool on) {
        writeSetting(app_.ini, keys::OnlineWindowDerived, on);
        setDerivedShown(on);
    });
    addAction(toggle);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    showCurrentValues();
    app_.measurement.settings().onlineShown = true;

    const ScreenDpi dpi = screenDpi(this);
    const QPoint at(twipsToPixels(readSetting(app_.ini, keys::OnlineWindowLeft), dpi.x),
                    twipsToPixels(readSetting(app_.ini, keys::OnlineWindowTop), dpi.y));
    // A placement that lies on no screen (a monitor since removed) would hide the window.
    if (QGuiApplication::screenAt(at) != nullptr || QGuiApplication::screens().isEmpty()) {
        move(at);
    }
    applyLayout(readSetting(app_.ini, keys::OnlineWindowHeight));
    applyTagTexts(this, app_.strings);
}

frmOnline::~frmOnline() {
    if (!unloaded_) {
        app_.measurement.settings().onlineShown = false;
    }
}

long long frmOnline::heightTwipsOf(int clientPixels) const {
    // At a pixel bound the height is the bound itself, not what the pixels round to.
    const double dpi = screenDpi(this).y;
    if (clientPixels <= twipsToPixels(kOnlineMinHeight - kOnlineFrameHeight, dpi)) {
        return kOnlineMinHeight;
    }
    if (clientPixels >= twipsToPixels(kOnlineMaxHeight - kOnlineFrameHeight, dpi)) {
        return kOnlineMaxHeight;
    }
    return pixelsToTwips(clientPixels, dpi) + kOnlineFrameHeight;
}

void frmOnline::setHeightTwips(long long height) {
    applyLayout(height);
}

int frmOnline::derivedPixels() const {
    if (!derivedShown_) {
        return 0;
    }
    const ScreenDpi dpi = screenDpi(this);
    return derived_->heightForWidth(twipsToPixels(layout_.width - kOnlineFrameWidth, dpi.x)) + 4;
}

void frmOnline::setDerivedShown(bool shown) {
    derivedShown_ = shown;
    derived_->setVisible(shown);
    applyLayout(layout_.height);
}

void frmOnline::setDerivedText(const std::string& text) {
    const int before = derivedPixels();
    derived_->setText(QString::fromStdString(text));
    if (derivedPixels() != before) {
        applyLayout(layout_.height);
    }
}

void frmOnline::applyLayout(long long heightTwips) {
    layout_ = onlineLayout(heightTwips);
    const ScreenDpi dpi = screenDpi(this);
    const int clientHeight = twipsToPixels(layout_.labelHeight, dpi.y);
    const int clientWidth = twipsToPixels(layout_.width - kOnlineFrameWidth, dpi.x);
    QFont small = derived_->font();
    small.setPointSizeF(std::max(7.0, layout_.fontPoints * 0.3));
    derived_->setFont(small);
    const int extra = derivedPixels();
    applying_ = true;
    setMinimumHeight(twipsToPixels(kOnlineMinHeight - kOnlineFrameHeight, dpi.y) + extra);
    setMaximumHeight(twipsToPixels(kOnlineMaxHeight - kOnlineFrameHeight, dpi.y) + extra);
    setFixedWidth(clientWidth);
    if (height() != clientHeight + extra) {
        resize(clientWidth, clientHeight + extra);
    }
    derived_->setGeometry(0, clientHeight, clientWidth, extra);
    applying_ = false;

    QFont font = labels_[0]->font();
    font.setBold(true);
    font.setPointSizeF(layout_.fontPoints);
    const int labelWidth = twipsToPixels(layout_.labelWidth, dpi.x);
    const int rightLeft = twipsToPixels(layout_.rightLabelLeft, dpi.x);
    labels_[0]->setGeometry(0, 0, labelWidth, clientHeight);
    labels_[1]->setGeometry(rightLeft, 0, labelWidth, clientHeight);
    for (QLabel* label : labels_) {
        label->setFont(font);
    }
}

void frmOnline::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (applying_) {
        return;
    }
    // The height in whole pixels of the current layout keeps its exact twips; any other height
    // is a new request (a drag), clamped by the size rule.
    const ScreenDpi dpi = screenDpi(this);
    const int valuesHeight = event->size().height() - derivedPixels();
    if (valuesHeight == twipsToPixels(layout_.labelHeight, dpi.y) &&
        event->size().width() == twipsToPixels(layout_.width - kOnlineFrameWidth, dpi.x)) {
        return;
    }
    applyLayout(heightTwipsOf(valuesHeight));
}

void frmOnline::setValueText(int index, const std::string& text) {
    lblSen(index)->setText(QString::fromStdString(text));
}

void frmOnline::setCaption(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void frmOnline::showCurrentValues() {
    derivedToggle_->setText(QString::fromStdString(app_.text(386, "Feuchtegrößen anzeigen")));
    for (int i = 0; i < 2; ++i) {
        const std::string& text = app_.measurement.lblSen(i);
        if (!text.empty()) {
            setValueText(i, text);
        }
    }
}

void frmOnline::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        const ScreenDpi dpi = screenDpi(this);
        writeSetting(app_.ini, keys::OnlineWindowLeft,
                     static_cast<std::int32_t>(pixelsToTwips(pos().x(), dpi.x)));
        writeSetting(app_.ini, keys::OnlineWindowTop,
                     static_cast<std::int32_t>(pixelsToTwips(pos().y(), dpi.y)));
        writeSetting(app_.ini, keys::OnlineWindowHeight, layout_.height);
        app_.measurement.settings().onlineShown = false;
        emit closed();
    }
    event->accept();
}

} // namespace orv
