#pragma once
// A row of labelled segments in a rounded track; the chosen segments carry a filled pill that slides with
// the theme's phase animation. The control works on positions; OLSegmentedOf maps values to positions.

#include "design/access/OLAccessibleControl.h"
#include "design/controls/OptionList.h"
#include "design/layout/FirstBaseline.h"
#include "design/theme/OLWidget.h"

#include <functional>
#include <utility>
#include <vector>

namespace keldra {

class OLAnimatedValue;

class OLSegmented : public OLWidget, public OLAccessibleControl, public OLBaselineProvider {
    Q_OBJECT
public:
    OLSegmented(QStringList labels, bool mono, double height, QWidget* parent = nullptr);

    QStringList labels() const { return labels_; }
    // The segments drawn as chosen (several when options share a value, none when nothing matches).
    const std::vector<bool>& selected() const { return selected_; }
    // Sets the chosen segments without animation: a value set from outside jumps.
    void setSelected(std::vector<bool> selected);

    // The rectangle of segment `index` inside the control (tests, the pill).
    QRectF segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    OLAccessibleDescription accessibleDescription() const override;
    double firstBaseline() const override;
    void accessiblePress() override { activate(focusIndex_); }
    bool hasAccessiblePress() const override { return true; }
    int accessibleItemCount() const override { return static_cast<int>(labels_.size()); }
    OLAccessibleDescription accessibleItem(int index) const override;
    QRect accessibleItemRect(int index) const override { return segmentRect(index).toAlignedRect(); }
    void accessibleItemPress(int index) override { activate(index); }

signals:
    // The user chose segment `index` (also when it is already chosen).
    void activated(int index);

protected:
    // Sets the chosen segments after a user choice: the pill slides there.
    void moveSelection(std::vector<bool> selected);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void activate(int index);
    int segmentAt(QPointF point) const;
    double segmentWidth(int index) const;
    QRectF pillRect() const;

    QStringList labels_;
    bool mono_;
    double height_;
    std::vector<bool> selected_;
    int focusIndex_ = 0;
    int pressedIndex_ = -1;
    // The pill's slide from one segment to another; absent when it does not move.
    QRectF slideFrom_;
    QRectF slideTo_;
    OLAnimatedValue* slide_;
};

// The segmented control over a list of (label, value) options; `onSelect` writes the caller's value.
template <typename T> class OLSegmentedOf : public OLSegmented {
public:
    OLSegmentedOf(OptionList<T> options, T value, std::function<void(const T&)> onSelect, bool mono = false,
                  double height = 34, QWidget* parent = nullptr)
        : OLSegmented(optionLabels(options), mono, height, parent), options_(std::move(options)),
          onSelect_(std::move(onSelect)) {
        setSelected(matchingOptions(options_, value));
        connect(this, &OLSegmented::activated, this, [this](int index) {
            const T chosen = options_[static_cast<size_t>(index)].second;
            moveSelection(matchingOptions(options_, chosen));
            if (onSelect_)
                onSelect_(chosen);
        });
    }

    // The caller's value changed elsewhere.
    void setValue(const T& value) { setSelected(matchingOptions(options_, value)); }

private:
    OptionList<T> options_;
    std::function<void(const T&)> onSelect_;
};

} // namespace keldra
