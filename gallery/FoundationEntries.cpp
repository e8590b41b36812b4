// The gallery's foundation pictures: palette, text styles, icons, wordmarks and the health rows.

#include "design/brand/KeldraWordmark.h"
#include "design/health/HealthPresentation.h"
#include "design/icon/OLIcon.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "gallery/ColorChip.h"
#include "gallery/GalleryEntry.h"
#include "gallery/HealthSamples.h"
#include "keldra/IconNames.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace keldra::gallery {
namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A grid with the gallery's spacing.
QGridLayout* gridOn(QWidget* root) {
    auto* grid = new QGridLayout(root);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(static_cast<int>(OLSpace::s12));
    grid->setVerticalSpacing(static_cast<int>(OLSpace::s8));
    return grid;
}

QWidget* palette(const OLTheme& theme) {
    auto* root = new QWidget;
    auto* grid = gridOn(root);
    int index = 0;
    auto add = [&](const QString& name, const OLRgba& color) {
        const int row = index % 18;
        const int column = (index / 18) * 2;
        grid->addWidget(new ColorChip(color, QSize(40, 28), 6, true), row, column);
        auto* label = new OLText(name, OLTextStyle::mono, OLColor::textSecondary);
        label->setMinimumWidth(200);
        grid->addWidget(label, row, column + 1, Qt::AlignVCenter);
        ++index;
    };
    for (const auto& token : OLColor::all)
        add(qs(token.name), token.color);
    add(QStringLiteral("accent %1").arg(qs(rawValue(theme.accent))), accentColor(theme));
    add(QStringLiteral("selectionFill"), selectionFill(theme));
    return root;
}

QWidget* textStyles(const OLTheme&) {
    auto* root = new QWidget;
    auto* column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(static_cast<int>(OLSpace::s12));
    for (const auto& named : allTextStyles) {
        auto* row = new QHBoxLayout;
        row->setSpacing(static_cast<int>(OLSpace::s16));
        auto* name = new OLText(qs(named.name), OLTextStyle::mono, OLColor::textFaint);
        name->setFixedWidth(110);
        row->addWidget(name, 0, Qt::AlignTop);
        auto* sample = new OLText(QStringLiteral("Protected 0123456789"), named.style, OLColor::textPrimary);
        sample->setMaxLines(1);
        row->addWidget(sample, 1);
        column->addLayout(row);
    }
    auto* wrapped =
        new OLText(QStringLiteral("Body text wraps onto several lines with the style's extra line "
                                  "spacing, and a long path elides in the middle:"),
                   OLTextStyle::body, OLColor::textSecondary);
    wrapped->setFixedWidth(420);
    column->addWidget(wrapped);
    auto* path =
        new OLText(QStringLiteral("~/Documents/Projects/Archive/2024/Quarterly reports/Final/summary.pdf"),
                   OLTextStyle::mono, OLColor::textMuted);
    path->setMaxLines(1);
    path->setElideMode(Qt::ElideMiddle);
    path->setFixedWidth(300);
    column->addWidget(path);
    return root;
}

QWidget* icons(double size) {
    auto* root = new QWidget;
    auto* grid = gridOn(root);
    int index = 0;
    for (std::string_view name : allIconNames) {
        const int row = index % 14;
        const int column = (index / 14) * 2;
        auto* icon = new OLIcon(qs(name), size);
        icon->setColor(OLColor::textPrimary);
        grid->addWidget(icon, row, column, Qt::AlignCenter);
        grid->addWidget(new OLText(qs(name), OLTextStyle::mono, OLColor::textSecondary), row, column + 1);
        ++index;
    }
    return root;
}

} // namespace

std::vector<GalleryEntry> foundationEntries() {
    std::vector<GalleryEntry> entries;
    entries.push_back({QStringLiteral("palette"), QStringLiteral("all"), palette});
    entries.push_back({QStringLiteral("text"), QStringLiteral("styles"), textStyles});
    entries.push_back({QStringLiteral("icons"), QStringLiteral("16"), [](const OLTheme&) {
                           return icons(16);
                       }});
    entries.push_back({QStringLiteral("icons"), QStringLiteral("24"), [](const OLTheme&) {
                           return icons(24);
                       }});
    entries.push_back({QStringLiteral("wordmark"), QStringLiteral("full"), [](const OLTheme&) {
                           return new KeldraWordmark(false);
                       }});
    entries.push_back({QStringLiteral("wordmark"), QStringLiteral("compact"), [](const OLTheme&) {
                           return new KeldraWordmark(true);
                       }});
    for (const auto& sample : healthSamples()) {
        const BackupHealth health = sample.health;
        entries.push_back({QStringLiteral("health"), sample.name, [health](const OLTheme& theme) {
                               return healthRow(HealthPresentation{health, theme});
                           }});
    }
    return entries;
}

} // namespace keldra::gallery
