// The gallery's tray pictures: the five tray images at the sizes panels ask for, on a light and a dark panel
// in that panel's text colour, as a tray host draws them.

#include "desktop/TrayIconImages.h"
#include "gallery/GalleryEntry.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <array>

namespace keldra::gallery {
namespace {

constexpr std::array trayImages{TrayImage::protected_, TrayImage::runningA, TrayImage::runningB,
                                TrayImage::idle, TrayImage::attention};
constexpr std::array traySizes{16, 22, 32, 64};
constexpr int gap = 8;

// One row per size, one column per image, on the panel's own background.
QWidget* trayPanel(const QColor& background, const QColor& text) {
    int width = gap;
    for (std::size_t i = 0; i < trayImages.size(); ++i)
        width += traySizes.back() + gap;
    int height = gap;
    for (const int size : traySizes)
        height += size + gap;
    QPixmap panel(width, height);
    panel.fill(background);
    QPainter painter(&panel);
    int y = gap;
    for (const int size : traySizes) {
        int x = gap;
        for (const TrayImage image : trayImages) {
            // Each image sits centred in its column, as in a panel slot.
            painter.drawImage(x + (traySizes.back() - size) / 2, y, drawTrayImage(image, size, text));
            x += traySizes.back() + gap;
        }
        y += size + gap;
    }
    painter.end();
    auto* label = new QLabel;
    label->setPixmap(panel);
    label->setFixedSize(panel.size());
    return label;
}

} // namespace

std::vector<GalleryEntry> trayEntries() {
    return {
        {QStringLiteral("tray-images"), QStringLiteral("light"),
         [](const OLTheme&) {
             return trayPanel(QColor(0xf0, 0xf0, 0xf0), QColor(0x1e, 0x1e, 0x1e));
         }},
        {QStringLiteral("tray-images"), QStringLiteral("dark"),
         [](const OLTheme&) {
             return trayPanel(QColor(0x24, 0x24, 0x24), QColor(0xf2, 0xf2, 0xf2));
         }},
    };
}

} // namespace keldra::gallery
