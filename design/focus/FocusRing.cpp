#include "design/focus/FocusRing.h"

#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"

#include <QColor>
#include <QFocusEvent>

namespace keldra {

void KeyboardFocus::focusIn(const QFocusEvent& event) {
    switch (event.reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        visible_ = true;
        break;
    case Qt::ActiveWindowFocusReason:
    case Qt::OtherFocusReason:
        // Focus coming back to a window or given by code keeps what the control showed before.
        break;
    default:
        visible_ = false;
        break;
    }
}

void drawFocusRing(QPainter& painter, const QRectF& rect, double radius) {
    strokeInside(painter, rect, radius, OLColor::focusRing.qcolor(), focusRingWidth);
}

} // namespace keldra
