#include "design/status/StatusChip.h"
#include "design/theme/ThemeScope.h"
#include "tests/ui/kit/KitTest.h"
#include "tests/ui/support/UiTest.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

bool imageHas(const QImage& image, const QRect& area, const QColor& color, int tolerance) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (test::near(image.pixelColor(x, y), color, tolerance))
                return true;
        }
    }
    return false;
}

TEST(StatusChip, TintedDangerWritesInTheErrorColourBesideADangerDot) {
    for (OLStyle style : allStyles) {
        QWidget window;
        olSetTheme(&window, OLTheme{style, OLAccent::frost});
        auto* chip = new StatusChip(QStringLiteral("Failed"), StatusTone::danger, true, false, &window);
        chip->resize(chip->sizeHint());
        const QImage image = test::grab(chip);
        // The dot: 6 px at 10 px from the leading edge, vertically centred.
        EXPECT_TRUE(test::near(image.pixelColor(13, 13), QColor(0xBF, 0x61, 0x6A), 4));
        const QRect text(22, 0, image.width() - 30, image.height());
        EXPECT_TRUE(imageHas(image, text, QColor(0xE5, 0xA0, 0xA6), 6));
        EXPECT_FALSE(imageHas(image, text, QColor(0xBF, 0x61, 0x6A), 6));
    }
}

TEST(StatusChip, SignalUpperCasesOnlyTintedLabels) {
    QWidget window;
    olSetTheme(&window, OLTheme{OLStyle::signal, OLAccent::frost});
    StatusChip tinted(QStringLiteral("Ready"), StatusTone::secure, true, false, &window);
    StatusChip plain(QStringLiteral("Ready"), StatusTone::secure, false, false, &window);
    // Upper-case mono is wider than 11 px medium for the same word.
    EXPECT_GT(tinted.sizeHint().width(), plain.sizeHint().width());
    olSetTheme(&window, OLTheme{OLStyle::glass, OLAccent::frost});
    EXPECT_EQ(tinted.sizeHint().width(), plain.sizeHint().width());
    EXPECT_EQ(tinted.sizeHint().height(), 26);
}

} // namespace
} // namespace keldra
