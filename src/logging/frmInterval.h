#pragma once

#include "logging/IntervalScale.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QSlider;

namespace orv {

// The recording interval dialog: a slider over 5 s .. 1 h on a quadratic scale, "<" and ">" for
// single seconds, the value as "m Min ss". It does not block the main window; Ok hands the
// interval over and hides the dialog, which keeps its value for the next time it is shown.
class frmInterval final : public QDialog {
    Q_OBJECT
public:
    explicit frmInterval(QWidget* parent = nullptr);

    // Shows the dialog (placed 600 twips from the screen's top-left corner the first time).
    void showDialog();

    [[nodiscard]] int SliderSeconds() const { return scale_.seconds(); }
    [[nodiscard]] QSlider* Slider1() const { return slider_; }
    [[nodiscard]] QLabel* Label1() const { return label_; }
    [[nodiscard]] QLabel* Label2(int index) const {
        return marks_.at(static_cast<std::size_t>(index));
    }
    [[nodiscard]] QPushButton* Command1() const { return ok_; }
    [[nodiscard]] QPushButton* Command2() const { return down_; }
    [[nodiscard]] QPushButton* Command3() const { return up_; }

    void Slider1_Change(int position);
    void Command2_Click();
    void Command3_Click();
    void Command1_Click();

signals:
    // Ok: the interval the user confirmed, in seconds.
    void intervalConfirmed(int seconds);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The slider follows a button, without running the slider handler.
    void moveSliderQuietly();
    void placeScaleMarks();

    IntervalScale scale_;
    QSlider* slider_ = nullptr;
    QLabel* label_ = nullptr;
    QWidget* markRow_ = nullptr;
    std::array<QLabel*, 5> marks_{};
    QPushButton* down_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool placed_ = false;
};

} // namespace orv
