#include "screens/popover/PopoverPlacement.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

// A 1920 × 1080 screen with a 32 px panel along one edge, and a second screen to its right.
const ScreenArea topPanel{QRect(0, 0, 1920, 1080), QRect(0, 32, 1920, 1048)};
const ScreenArea bottomPanel{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1048)};
const ScreenArea leftPanel{QRect(0, 0, 1920, 1080), QRect(48, 0, 1872, 1080)};
const ScreenArea rightPanel{QRect(0, 0, 1920, 1080), QRect(0, 0, 1872, 1080)};
const ScreenArea second{QRect(1920, 0, 1280, 1024), QRect(1920, 32, 1280, 992)};
const QSize popover(360, 500);

TEST(PopoverPlacement, BesideTheIconAwayFromTheNearestEdgeInsideTheScreen) {
    const struct {
        const char* name;
        std::optional<QRect> tray;
        QPoint cursor;
        std::vector<ScreenArea> screens;
        QPoint at;
    } cases[] = {
        {"top panel: below, centred on the icon", QRect(1000, 4, 24, 24), {}, {topPanel}, QPoint(831, 32)},
        {"bottom panel: above", QRect(1000, 1052, 24, 24), {}, {bottomPanel}, QPoint(831, 1048 - 500)},
        {"left panel: to the right, clear of the panel",
         QRect(12, 500, 24, 24),
         {},
         {leftPanel},
         QPoint(48, 261)},
        {"right panel: to the left", QRect(1884, 500, 24, 24), {}, {rightPanel}, QPoint(1872 - 360, 261)},
        {"top-right corner: clamped to the right edge",
         QRect(1890, 4, 24, 24),
         {},
         {topPanel},
         QPoint(1560, 32)},
        {"no geometry: at the pointer", std::nullopt, QPoint(1500, 10), {topPanel}, QPoint(1320, 32)},
        {"invalid geometry counts as none",
         QRect(),
         QPoint(1500, 1070),
         {bottomPanel},
         QPoint(1320, 1048 - 500)},
        {"the icon's own screen of two", QRect(2500, 4, 24, 24), {}, {topPanel, second}, QPoint(2331, 32)},
        {"nearer the side than the top, kept off the neighbour",
         QRect(1900, 4, 16, 24),
         {},
         {topPanel, second},
         QPoint(1536, 32)},
        {"no screens: the anchor", QRect(10, 10, 24, 24), {}, {}, QPoint(10, 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(popoverPosition(c.tray, c.cursor, popover, c.screens), c.at);
    }
}

TEST(PopoverPlacement, APopoverTallerThanTheScreenStartsAtItsTop) {
    EXPECT_EQ(popoverPosition(QRect(1000, 1052, 24, 24), {}, QSize(360, 2000), {bottomPanel}),
              QPoint(831, 0));
}

} // namespace
} // namespace keldra
