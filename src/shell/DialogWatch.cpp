#include "shell/DialogWatch.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace orv {

namespace {

// The separate windows the rules are about: dialogs and message boxes, and plain windows that
// have an owner (the help window). Menus, tool tips and the main window are not among them.
bool watchedWindow(const QWidget& w) {
    if (!w.isWindow()) {
        return false;
    }
    const Qt::WindowType type = w.windowType();
    return type == Qt::Dialog || (type == Qt::Window && w.parentWidget() != nullptr);
}

void cancel(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
}

QScreen* screenFor(const QWidget* owner, const QWidget& window) {
    QScreen* screen = owner ? owner->screen() : window.screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

// Centred over the owner while it is visible, else over the screen; kept on the screen.
void centre(QWidget& window) {
    QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    const bool ownerShown = owner && owner->isVisible() && !owner->isMinimized();
    if (ownerShown && qobject_cast<QDialog*>(&window)) {
        return; // the toolkit already centres a dialog over a visible owner
    }
    QScreen* screen = screenFor(owner, window);
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QRect area = ownerShown ? owner->frameGeometry() : available;
    QRect frame = window.frameGeometry();
    frame.moveCenter(area.center());
    const int left = std::clamp(frame.left(), available.left(),
                                std::max(available.left(), available.right() - frame.width() + 1));
    const int top = std::clamp(frame.top(), available.top(),
                               std::max(available.top(), available.bottom() - frame.height() + 1));
    window.move(left, top);
    // Not a position of the window's own: the next showing places it afresh.
    window.setAttribute(Qt::WA_Moved, false);
}

} // namespace

DialogWatch::DialogWatch(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

DialogWatch::~DialogWatch() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

void DialogWatch::cancelModalDialogs() {
    cancelling_ = true;
    // Nested modal dialogs: the innermost first, each cancel uncovers the next one.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            break;
        }
        cancel(modal);
    }
}

bool DialogWatch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (watchedWindow(*window)) {
            windowShown(window);
        }
    }
    return false;
}

void DialogWatch::windowShown(QWidget* window) {
    // Both run once the window's own show handling (sizing, the toolkit's placement) is done
    // and, for a modal dialog, once its own event loop runs, so that a cancel ends that loop.
    if (!window->testAttribute(Qt::WA_Moved)) {
        QTimer::singleShot(0, window, [window] {
            if (window->isVisible() && !window->testAttribute(Qt::WA_Moved)) {
                centre(*window);
            }
        });
    }
    if (cancelling_ && window->isModal()) {
        QTimer::singleShot(0, window, [window] {
            if (window->isVisible()) {
                cancel(window);
            }
        });
    }
}

} // namespace orv
