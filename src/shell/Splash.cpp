#include "shell/Splash.h"

#include "shell/ShellIcons.h"
#include "shell/Version.h"
#include "state/LanguageTags.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kWebButtonTag = 34;
constexpr int kHelpButtonTag = 111;

QLabel* label(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

QUrl Splash::webPage() {
    return QUrl(QString::fromLatin1(kProductWebPage));
}

QString Splash::versionLine() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(kVersionMajor)
        .arg(kVersionMinor)
        .arg(kVersionPatch);
}

Splash::Splash(const StringTable& strings, QWidget* parent) : QDialog(parent), strings_(strings) {
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(QStringLiteral("VisualORV"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Frame1_ = new QFrame(this);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setFrameShape(QFrame::StyledPanel);

    imgLogo_ = label(Frame1_, QStringLiteral("imgLogo"), QString());
    imgLogo_->setPixmap(productLogo(96));
    imgLogo_->setCursor(Qt::PointingHandCursor);

    QLabel* product = label(Frame1_, QStringLiteral("lblProduct"), QStringLiteral("VisualORV"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 2.0);
    big.setBold(true);
    product->setFont(big);
    QLabel* purpose = label(Frame1_, QStringLiteral("lblPurpose"),
                            QStringLiteral("Feuchte · Temperatur · Taupunkt\n"
                                           "Humidity · temperature · dew point"));
    lblVersion_ = label(Frame1_, QStringLiteral("lblVersion"), versionLine());
    QLabel* platform = label(Frame1_, QStringLiteral("lblPlatform"),
                             QStringLiteral("Linux · Qt %1").arg(qVersion()));
    maker_ = label(Frame1_, QStringLiteral("lblMaker"), QString());
    QLabel* maker = maker_;

    cmdWeb_ = new QPushButton(this);
    cmdWeb_->setObjectName(QStringLiteral("cmdWeb"));
    cmdWeb_->setAutoDefault(false);
    connect(cmdWeb_, &QPushButton::clicked, this, &Splash::cmdWeb_Click);

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(purpose);
    texts->addSpacing(8);
    texts->addWidget(lblVersion_);
    texts->addWidget(platform);
    texts->addSpacing(8);
    texts->addWidget(maker);
    texts->addStretch(1);
    auto* frameLayout = new QHBoxLayout(Frame1_);
    frameLayout->setContentsMargins(16, 16, 24, 16);
    frameLayout->setSpacing(20);
    frameLayout->addWidget(imgLogo_, 0, Qt::AlignTop);
    frameLayout->addLayout(texts, 1);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(cmdWeb_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1_);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Clicks on the frame or any label close the box, a click on the logo opens the web page.
    for (QWidget* w : {static_cast<QWidget*>(Frame1_), static_cast<QWidget*>(imgLogo_),
                       static_cast<QWidget*>(product), static_cast<QWidget*>(purpose),
                       static_cast<QWidget*>(lblVersion_), static_cast<QWidget*>(platform),
                       static_cast<QWidget*>(maker)}) {
        w->installEventFilter(this);
    }

    Timer1_.setInterval(3000);
    Timer1_.setSingleShot(true);
    connect(&Timer1_, &QTimer::timeout, this, [this] {
        Timer1_.stop();
        close();
    });

    setWebPage(webPage());
    applyTagTexts(this, strings_);
}

void Splash::setWebPage(const QUrl& page) {
    page_ = page;
    const bool web = !page_.isEmpty();
    // Tag 34: "Zur Webseite" / "Visit website"; tag 111: "Hilfe anzeigen" / "Show help".
    setTag(cmdWeb_, web ? kWebButtonTag : kHelpButtonTag);
    cmdWeb_->setText(web ? QStringLiteral("Zur Webseite") : QStringLiteral("Hilfe anzeigen"));
    const QString maker = QString::fromLatin1(kProductMaker);
    maker_->setText(web ? maker + u'\n' + page_.host() : maker);
    applyTagTexts(cmdWeb_, strings_);
}

void Splash::cmdWeb_Click() {
    if (page_.isEmpty()) {
        emit helpWanted();
        return;
    }
    // A browser that cannot be started is no reason to bother the user.
    QDesktopServices::openUrl(page_);
}

bool Splash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == imgLogo_) {
            cmdWeb_Click();
        } else {
            close();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Splash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    close();
}

void Splash::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

} // namespace orv
