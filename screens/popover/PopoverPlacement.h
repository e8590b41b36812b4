#pragma once
// Where the tray popover opens: beside the tray icon, on the side away from the screen edge the icon is
// nearest to (below a top panel, above a bottom one, beside a side panel), kept inside that screen's
// available area. Without the icon's geometry (StatusNotifierItem hosts give none) the pointer's position
// at the click stands in for it.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace keldra {

struct ScreenArea {
    QRect geometry;  // the whole screen
    QRect available; // without panels
};

// The popover's top-left corner. `tray` is the icon's geometry when the tray gives one. Screens are in
// global coordinates; with none, the anchor's corner is returned unchanged.
QPoint popoverPosition(std::optional<QRect> tray, QPoint cursor, QSize popover,
                       const std::vector<ScreenArea>& screens);

} // namespace keldra
