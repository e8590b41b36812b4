// The orb in every health at both sizes, and while backing up at three progress values.

#include "design/orb/KeldraOrb.h"
#include "gallery/HealthSamples.h"
#include "gallery/KitEntries.h"

#include <QGridLayout>

namespace keldra::gallery {
namespace {

QWidget* orbGrid(const OLTheme& theme, double size, int columns) {
    auto* root = new QWidget;
    auto* grid = new QGridLayout(root);
    // Room for the protected orb's glow, which is drawn beside the orb in this widget.
    const int room = static_cast<int>(size * 0.3);
    grid->setContentsMargins(room, room, room, room);
    grid->setHorizontalSpacing(room);
    grid->setVerticalSpacing(8);
    int index = 0;
    for (const auto& sample : healthSamples()) {
        const int row = (index / columns) * 2;
        grid->addWidget(
            new KeldraOrb({sample.health, theme}, std::nullopt, size, QStringLiteral("Act"), {}, root), row,
            index % columns, Qt::AlignCenter);
        grid->addWidget(kitCaption(sample.name), row + 1, index % columns, Qt::AlignHCenter | Qt::AlignTop);
        grid->setRowMinimumHeight(row + 1, room / 2);
        ++index;
    }
    return root;
}

QWidget* progressRow(const OLTheme& theme, double size) {
    auto orb = [&](std::optional<double> progress) {
        return new KeldraOrb({BackupHealth::backingUp(), theme}, progress, size, QStringLiteral("Pause"), {});
    };
    return kitRow({kitLabelled(QStringLiteral("0"), orb(0.0)), kitLabelled(QStringLiteral("0.4"), orb(0.4)),
                   kitLabelled(QStringLiteral("1.3"), orb(1.3)),
                   kitLabelled(QStringLiteral("none"), orb(std::nullopt))},
                  static_cast<int>(size * 0.2));
}

} // namespace

std::vector<GalleryEntry> kitOrbEntries() {
    return {
        {QStringLiteral("orb"), QStringLiteral("health-228"),
         [](const OLTheme& theme) {
             return orbGrid(theme, 228, 5);
         }},
        {QStringLiteral("orb"), QStringLiteral("health-120"),
         [](const OLTheme& theme) {
             return orbGrid(theme, 120, 6);
         }},
        {QStringLiteral("orb"), QStringLiteral("progress-228"),
         [](const OLTheme& theme) {
             return progressRow(theme, 228);
         }},
        {QStringLiteral("orb"), QStringLiteral("progress-120"),
         [](const OLTheme& theme) {
             return progressRow(theme, 120);
         }},
    };
}

} // namespace keldra::gallery
