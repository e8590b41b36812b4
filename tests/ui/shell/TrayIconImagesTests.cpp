#include "desktop/TrayIconImages.h"
#include "tests/ui/shell/OffscreenApplication.h"

#include <QPainter>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace keldra {
namespace {

constexpr std::array allImages{TrayImage::protected_, TrayImage::runningA, TrayImage::runningB,
                               TrayImage::idle, TrayImage::attention};

struct Panel {
    const char* name;
    QColor background;
    QColor text; // the palette's text colour on that panel
};
const std::array panels{Panel{"light", QColor(0xf0, 0xf0, 0xf0), QColor(0x1e, 0x1e, 0x1e)},
                        Panel{"dark", QColor(0x24, 0x24, 0x24), QColor(0xf2, 0xf2, 0xf2)}};

// Widgets need the program's one application (OffscreenApplication.h).
using TrayIconImagesTest = ::testing::Test;

TEST_F(TrayIconImagesTest, EachHealthShowsItsImage) {
    struct Row {
        BackupHealth::Kind kind;
        bool secondFrame;
        TrayImage expected;
    };
    using Kind = BackupHealth::Kind;
    const Row rows[] = {
        {Kind::protected_, false, TrayImage::protected_}, {Kind::protected_, true, TrayImage::protected_},
        {Kind::backingUp, false, TrayImage::runningA},    {Kind::backingUp, true, TrayImage::runningB},
        {Kind::paused, false, TrayImage::idle},           {Kind::locked, true, TrayImage::idle},
        {Kind::attention, false, TrayImage::attention},   {Kind::atRisk, false, TrayImage::attention},
        {Kind::storageFull, true, TrayImage::attention},  {Kind::blocked, false, TrayImage::attention},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(trayImageFor(row.kind, row.secondFrame), row.expected)
            << "kind " << static_cast<int>(row.kind) << " frame " << row.secondFrame;
    }
    EXPECT_EQ(trayImageName(TrayImage::runningB), "tray-keldra-running-b");
}

// How many pixels of two images differ clearly in coverage.
int clearlyDifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y))) > 128) {
                ++count;
            }
        }
    }
    return count;
}

// Writes every image as a PNG into the build folder (for a look, and for the gallery), with a preview of each
// panel, and checks what a tray needs: one colour, a transparent background, five images told apart at a
// glance even at 16 px.
TEST_F(TrayIconImagesTest, ImagesAreMonochromeOnTransparencyAndDistinctAtEverySize) {
    const std::filesystem::path folder = std::filesystem::path(KELDRA_BINARY_DIR) / "tray-images";
    std::filesystem::create_directories(folder);
    for (const Panel& panel : panels) {
        for (const int size : {16, 22, 32, 64}) {
            std::vector<QImage> images;
            QImage preview(size * 5 + 6 * 5 + 2, size + 8, QImage::Format_ARGB32);
            preview.fill(panel.background);
            QPainter previewPainter(&preview);
            for (const TrayImage which : allImages) {
                const QImage image = drawTrayImage(which, size, panel.text);
                SCOPED_TRACE(trayImageName(which).toStdString() + " " + std::to_string(size) + " " +
                             panel.name);
                ASSERT_EQ(image.size(), QSize(size, size));
                ASSERT_TRUE(image.hasAlphaChannel());
                const QString file = QStringLiteral("%1/%2-%3-%4.png")
                                         .arg(QString::fromStdString(folder.string()), trayImageName(which))
                                         .arg(size)
                                         .arg(QString::fromLatin1(panel.name));
                ASSERT_TRUE(image.save(file)) << file.toStdString();

                int transparent = 0;
                int opaque = 0;
                for (int y = 0; y < size; ++y) {
                    for (int x = 0; x < size; ++x) {
                        const QColor pixel = image.pixelColor(x, y);
                        if (pixel.alpha() == 0) {
                            ++transparent;
                            continue;
                        }
                        opaque += pixel.alpha() == 255 ? 1 : 0;
                        // Only the coverage varies; edge pixels may round by a few steps.
                        if (pixel.alpha() >= 64) {
                            EXPECT_NEAR(pixel.red(), panel.text.red(), 6) << x << "," << y;
                            EXPECT_NEAR(pixel.green(), panel.text.green(), 6) << x << "," << y;
                            EXPECT_NEAR(pixel.blue(), panel.text.blue(), 6) << x << "," << y;
                        }
                    }
                }
                for (const QPoint corner :
                     {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)}) {
                    EXPECT_EQ(image.pixelColor(corner).alpha(), 0) << "the background is transparent";
                }
                EXPECT_GT(transparent, size * size / 4);
                EXPECT_GT(opaque, size * size / 16) << "solid enough to read on a panel";
                previewPainter.drawImage(4 + static_cast<int>(images.size()) * (size + 6), 4, image);
                images.push_back(image);
            }
            previewPainter.end();
            preview.save(QStringLiteral("%1/preview-%2-%3.png")
                             .arg(QString::fromStdString(folder.string()))
                             .arg(size)
                             .arg(QString::fromLatin1(panel.name)));
            for (std::size_t a = 0; a < images.size(); ++a) {
                for (std::size_t b = a + 1; b < images.size(); ++b) {
                    EXPECT_GE(clearlyDifferentPixels(images[a], images[b]), size / 4 + 2)
                        << trayImageName(allImages[a]).toStdString() << " and "
                        << trayImageName(allImages[b]).toStdString() << " look alike at " << size << " px";
                }
            }
        }
    }
}

TEST_F(TrayIconImagesTest, TheTrayIconCarriesEverySizeAndSizesAreClamped) {
    const QIcon icon = trayIcon(TrayImage::protected_, Qt::white);
    const auto sizes = icon.availableSizes();
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
    EXPECT_EQ(drawTrayImage(TrayImage::idle, 8, Qt::white).size(), QSize(16, 16));
    EXPECT_EQ(drawTrayImage(TrayImage::idle, 512, Qt::white).size(), QSize(64, 64));
}

} // namespace
} // namespace keldra
