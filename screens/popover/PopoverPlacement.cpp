#include "screens/popover/PopoverPlacement.h"

#include <algorithm>
#include <climits>

namespace keldra {

namespace {

// Distance from a point to a rectangle (0 inside).
int distanceTo(const QRect& rect, QPoint point) {
    const int dx = std::max({rect.left() - point.x(), 0, point.x() - rect.right()});
    const int dy = std::max({rect.top() - point.y(), 0, point.y() - rect.bottom()});
    return dx + dy;
}

// A gap between the icon and the popover.
constexpr int gap = 4;

} // namespace

QPoint popoverPosition(std::optional<QRect> tray, QPoint cursor, QSize popover,
                       const std::vector<ScreenArea>& screens) {
    const QRect anchor = tray && tray->isValid() ? *tray : QRect(cursor, QSize(1, 1));
    const QPoint centre = anchor.center();
    if (screens.empty()) {
        return anchor.topLeft();
    }
    const ScreenArea* screen = &screens.front();
    int best = INT_MAX;
    for (const ScreenArea& each : screens) {
        const int distance = distanceTo(each.geometry, centre);
        if (distance < best) {
            best = distance;
            screen = &each;
        }
    }
    const QRect& whole = screen->geometry;
    const int toLeft = centre.x() - whole.left();
    const int toRight = whole.right() - centre.x();
    const int toTop = centre.y() - whole.top();
    const int toBottom = whole.bottom() - centre.y();
    const int nearest = std::min({toLeft, toRight, toTop, toBottom});

    QPoint at;
    if (nearest == toTop) {
        at = {centre.x() - popover.width() / 2, anchor.bottom() + 1 + gap};
    } else if (nearest == toBottom) {
        at = {centre.x() - popover.width() / 2, anchor.top() - gap - popover.height()};
    } else if (nearest == toLeft) {
        at = {anchor.right() + 1 + gap, centre.y() - popover.height() / 2};
    } else {
        at = {anchor.left() - gap - popover.width(), centre.y() - popover.height() / 2};
    }
    const QRect& area = screen->available.isValid() ? screen->available : whole;
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - popover.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - popover.height())));
    return at;
}

} // namespace keldra
