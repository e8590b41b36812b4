#pragma once
// A drop-down chooser whose closed form looks like the kit's fields: the current label and a chevron.
// Clicking (or Space/Return) opens a menu of the options in order; picking one writes its value. The
// control works on positions; OLMenuPickerOf maps values to positions.

#include "design/access/OLAccessibleControl.h"
#include "design/controls/OptionList.h"
#include "design/layout/FirstBaseline.h"
#include "design/theme/OLWidget.h"

#include <functional>
#include <utility>
#include <vector>

class QMenu;

namespace keldra {

class OLMenuPicker : public OLWidget, public OLAccessibleControl, public OLBaselineProvider {
    Q_OBJECT
public:
    OLMenuPicker(QStringList labels, bool mono, QWidget* parent = nullptr);

    // The option shown, or -1 when the value matches none ("—" is shown).
    void setCurrentIndex(int index);
    int currentIndex() const { return current_; }
    QString shownLabel() const;
    // The menu the picker opens, one action per option in order.
    QMenu* menu() const { return menu_; }
    void openMenu();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    OLAccessibleDescription accessibleDescription() const override;
    double firstBaseline() const override;
    void accessiblePress() override { openMenu(); }
    bool hasAccessiblePress() const override { return true; }

signals:
    // The user picked option `index` from the menu.
    void picked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList labels_;
    bool mono_;
    int current_ = -1;
    QMenu* menu_;
};

// The picker over (label, value) options; shows the first option whose value equals the caller's value.
template <typename T> class OLMenuPickerOf : public OLMenuPicker {
public:
    OLMenuPickerOf(OptionList<T> options, T value, std::function<void(const T&)> onSelect, bool mono = false,
                   QWidget* parent = nullptr)
        : OLMenuPicker(optionLabels(options), mono, parent), options_(std::move(options)),
          onSelect_(std::move(onSelect)) {
        setValue(value);
        connect(this, &OLMenuPicker::picked, this, [this](int index) {
            const T chosen = options_[static_cast<size_t>(index)].second;
            setValue(chosen);
            if (onSelect_)
                onSelect_(chosen);
        });
    }

    // The caller's value changed elsewhere.
    void setValue(const T& value) {
        int index = -1;
        for (size_t i = 0; i < options_.size() && index < 0; ++i) {
            if (options_[i].second == value)
                index = static_cast<int>(i);
        }
        setCurrentIndex(index);
    }

private:
    OptionList<T> options_;
    std::function<void(const T&)> onSelect_;
};

} // namespace keldra
