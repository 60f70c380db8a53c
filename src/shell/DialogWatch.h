#pragma once

#include <QObject>

class QWidget;

namespace orv {

// Watches every separate window the program shows (dialogs, message boxes, the about box, the
// help window), for two rules of the whole program:
//
// - Placement: a window that was given no position of its own is centred over the window that
//   owns it, or over the screen while that owner is hidden or missing. On the first run the
//   about box and the interface dialog come before the main window is shown; left to the
//   toolkit they would sit over the hidden main window's default place in the top-left corner.
// - Termination: after cancelModalDialogs() (a SIGTERM/SIGINT), every modal dialog or message,
//   open now or opened later by the shutdown itself (such as the second copy's "another
//   instance" message), is cancelled as if the user had pressed Escape. A termination request
//   therefore never waits for a user.
//
// One watch per main window; it watches the whole application while it lives.
class DialogWatch final : public QObject {
    Q_OBJECT
public:
    explicit DialogWatch(QObject* parent = nullptr);
    ~DialogWatch() override;

    // Cancels every open modal dialog now and every one shown from now on.
    void cancelModalDialogs();
    // Dialogs stay open again: the close was refused and the program goes on.
    void stopCancelling() { cancelling_ = false; }
    [[nodiscard]] bool cancelling() const { return cancelling_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowShown(QWidget* window);

    bool cancelling_ = false;
};

} // namespace orv
