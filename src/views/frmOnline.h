#pragma once

#include "views/LiveRules.h"

#include <QWidget>

#include <array>
#include <string>

class QAction;
class QLabel;

namespace orv {

class ModMain;

// The online values window: a separate top-level window with the temperature and the channel 2
// value side by side in large type. The measurement writes its labels and caption through its
// observer while the window is open; the window itself only keeps its size rule and placement.
// Sized by its height alone: 550..1590 twips high, height x 5 + 500 wide.
class frmOnline final : public QWidget {
    Q_OBJECT
public:
    explicit frmOnline(ModMain& app, QWidget* parent = nullptr);
    ~frmOnline() override;

    // Window height in twips (title bar and frame included, as stored) and its layout.
    [[nodiscard]] const OnlineLayout& layoutTwips() const { return layout_; }
    [[nodiscard]] QLabel* lblSen(int index) const {
        return labels_.at(static_cast<std::size_t>(index));
    }
    // Sets the height in twips; the size rule clamps it and derives the width.
    void setHeightTwips(long long height);

    void setValueText(int index, const std::string& text);
    // The second line with the humidity quantities (shown when the setting asks for it).
    [[nodiscard]] bool derivedShown() const { return derivedShown_; }
    void setDerivedShown(bool shown);
    void setDerivedText(const std::string& text);
    [[nodiscard]] QLabel* derivedLine() const { return derived_; }
    void setCaption(const std::string& text);
    // After a language switch: the measurement's current texts win over the "no data" texts.
    void showCurrentValues();

signals:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void applyLayout(long long heightTwips);
    [[nodiscard]] long long heightTwipsOf(int clientPixels) const;
    // Pixels of the second line below the values; 0 while it is off.
    [[nodiscard]] int derivedPixels() const;

    ModMain& app_;
    std::array<QLabel*, 2> labels_{};
    QLabel* derived_ = nullptr;
    QAction* derivedToggle_ = nullptr;
    bool derivedShown_ = false;
    OnlineLayout layout_;
    bool applying_ = false;
    bool unloaded_ = false;
};

} // namespace orv
