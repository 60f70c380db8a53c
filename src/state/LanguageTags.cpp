#include "state/LanguageTags.h"

#include "state/StringTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace orv {

void setTag(QObject* object, int tag) {
    object->setProperty(kTagProperty, tag);
}

void setCaption(QObject* object, const QString& caption) {
    if (auto* action = qobject_cast<QAction*>(object)) {
        action->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        button->setText(caption);
    } else if (auto* label = qobject_cast<QLabel*>(object)) {
        label->setText(caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
        group->setTitle(caption);
    } else if (auto* widget = qobject_cast<QWidget*>(object); widget && widget->isWindow()) {
        widget->setWindowTitle(caption);
    }
}

QString captionOf(const QObject* object) {
    if (const auto* action = qobject_cast<const QAction*>(object)) {
        return action->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(object)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(object)) {
        return label->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(object)) {
        return group->title();
    }
    if (const auto* widget = qobject_cast<const QWidget*>(object); widget && widget->isWindow()) {
        return widget->windowTitle();
    }
    return {};
}

namespace {

void applyTo(QObject* object, const StringTable& strings) {
    const QVariant tag = object->property(kTagProperty);
    if (!tag.isValid()) {
        return;
    }
    bool ok = false;
    const int n = tag.toInt(&ok);
    if (!ok) {
        return;
    }
    if (const auto caption = strings.tagCaption(n)) {
        setCaption(object, QString::fromStdString(*caption));
    }
    if (const auto tip = strings.tagTip(n)) {
        const QString text = QString::fromStdString(*tip);
        if (auto* action = qobject_cast<QAction*>(object)) {
            action->setToolTip(text);
        } else if (auto* widget = qobject_cast<QWidget*>(object); widget && !widget->isWindow()) {
            widget->setToolTip(text);
        }
    }
}

} // namespace

void applyTagTexts(QWidget* root, const StringTable& strings) {
    applyTo(root, strings);
    for (QObject* child : root->findChildren<QObject*>()) {
        // Separate windows below this one (dialogs parented to it) get their own turn.
        if (auto* w = qobject_cast<QWidget*>(child); w && w->isWindow()) {
            continue;
        }
        applyTo(child, strings);
    }
}

} // namespace orv
