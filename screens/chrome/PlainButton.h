#pragma once
// A button whose label is a layout of other widgets (an icon, texts, a count): the whole rectangle is the
// hit area, the children never take the pointer, and a subclass paints the background it needs.

#include "design/button/OLAbstractButton.h"

namespace keldra {

class PlainButton : public OLAbstractButton {
    Q_OBJECT
public:
    explicit PlainButton(QWidget* parent = nullptr);

    // Children added to the label do not take pointer events, so every click reaches the button.
    void adoptChildren();

protected:
    void childEvent(QChildEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace keldra
