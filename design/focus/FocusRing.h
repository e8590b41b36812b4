#pragma once
// Keyboard focus shows as a 2 px outline inside the control's shape in the focus-ring colour; a click that
// focuses a control shows none.

#include <QRectF>

class QFocusEvent;
class QPainter;

namespace keldra {

inline constexpr double focusRingWidth = 2;

// Tracks whether a control's focus came from the keyboard.
class KeyboardFocus {
public:
    void focusIn(const QFocusEvent& event);
    void focusOut() { visible_ = false; }
    // A click on an already focused control hides the ring until the keyboard moves focus again.
    void pointerPressed() { visible_ = false; }
    bool visible() const { return visible_; }

private:
    bool visible_ = false;
};

void drawFocusRing(QPainter& painter, const QRectF& rect, double radius);

} // namespace keldra
