#include "design/brand/KeldraWordmark.h"
#include "design/icon/OLIcon.h"
#include "keldra/IconNames.h"
#include "tests/ui/support/UiTest.h"

#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

namespace keldra {
namespace {

int inkedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return count;
}

TEST(Icons, EveryMappedIconLoadsAndDraws) {
    ASSERT_EQ(allIconNames.size(), 27u);
    for (std::string_view name : allIconNames) {
        const QString asset = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        SCOPED_TRACE(asset.toStdString());
        EXPECT_TRUE(olIconExists(asset));
        const QImage image = olIconPixmap(asset, 24, Qt::white, 1).toImage();
        ASSERT_EQ(image.size(), QSize(24, 24));
        EXPECT_GT(inkedPixels(image), 16);
    }
    // The artwork's licence travels with it.
    QFile licence(QStringLiteral(":/keldra/icons/LICENSE"));
    ASSERT_TRUE(licence.open(QIODevice::ReadOnly));
    EXPECT_TRUE(licence.readAll().contains("Permission is hereby granted"));
}

TEST(Icons, TintGivesTheColourAtEveryPixelRatio) {
    for (double ratio : {1.0, 2.0}) {
        const QImage image =
            olIconPixmap(QStringLiteral("icon-pause"), 16, QColor(0xBF, 0x61, 0x6A), ratio).toImage();
        EXPECT_EQ(image.width(), static_cast<int>(16 * ratio));
        int checked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 255) {
                    EXPECT_EQ(pixel.rgb(), QColor(0xBF, 0x61, 0x6A).rgb());
                    ++checked;
                }
            }
        }
        EXPECT_GT(checked, 10);
    }
}

TEST(Icons, UnknownNameDrawsNothingAndLogs) {
    const QStringList warnings = test::captureWarnings([] {
        EXPECT_FALSE(olIconExists(QStringLiteral("icon-does-not-exist")));
        EXPECT_TRUE(olIconPixmap(QStringLiteral("icon-does-not-exist"), 16, Qt::white, 1).isNull());
        OLIcon icon(QStringLiteral("icon-does-not-exist"), 16);
        EXPECT_FALSE(test::hasDetail(test::grab(&icon)));
    });
    ASSERT_FALSE(warnings.isEmpty());
    EXPECT_TRUE(warnings.first().contains(QStringLiteral("icon-does-not-exist")));
}

TEST(Wordmark, DrawsTheTextLogoAsOneLabelledElement) {
    KeldraWordmark full(false);
    KeldraWordmark compact(true);
    EXPECT_EQ(full.accessibleName(), QStringLiteral("Orlivane Keldra"));
    EXPECT_GT(full.sizeHint().width(), compact.sizeHint().width());
    full.resize(full.sizeHint());
    EXPECT_TRUE(test::hasDetail(test::grab(&full)));
}

} // namespace
} // namespace keldra
