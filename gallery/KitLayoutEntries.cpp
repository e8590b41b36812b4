// Cards, section labels, progress bars, icon tiles and form rows.

#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLProgressBar.h"
#include "design/controls/OLSwitch.h"
#include "design/controls/OLTextField.h"
#include "design/layout/FormRow.h"
#include "design/layout/IconTile.h"
#include "design/layout/OLCard.h"
#include "design/layout/SectionLabel.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "gallery/KitEntries.h"

#include <limits>

namespace keldra::gallery {
namespace {

QWidget* cardContent(const QString& text) {
    return kitColumn({new OLText(text, OLTextStyle::headline, OLColor::textPrimary),
                      new OLText(QStringLiteral("Content sits at the leading edge, padded by 20."),
                                 OLTextStyle::caption, OLColor::textSecondary)},
                     4);
}

QWidget* cards(const OLTheme&) {
    return kitColumn({new SectionLabel(QStringLiteral("Sources")),
                      new OLCard(20, false, cardContent(QStringLiteral("Plain card"))),
                      new OLCard(20, true, cardContent(QStringLiteral("Hero card")))},
                     12);
}

QWidget* progress(const OLTheme&) {
    auto bar = [](double fraction) {
        return new OLProgressBar(fraction, OLColor::toneSecure, 6, QStringLiteral("Progress"));
    };
    return kitColumn({
        kitLabelled(QStringLiteral("0"), bar(0)),
        kitLabelled(QStringLiteral("0.426"), bar(0.426)),
        kitLabelled(QStringLiteral("1"), bar(1)),
        kitLabelled(QStringLiteral("NaN"), bar(std::numeric_limits<double>::quiet_NaN())),
        kitLabelled(QStringLiteral("0.7, height 10, accent"),
                    new OLProgressBar(0.7, accentColor(OLAccent::frost), 10, QStringLiteral("Copy"))),
    });
}

QWidget* tiles(const OLTheme&) {
    return kitRow({new IconTile(QStringLiteral("icon-folder"), std::nullopt, 40),
                   new IconTile(QStringLiteral("icon-drive"), std::nullopt, 36),
                   new IconTile(QStringLiteral("icon-upload"), OLColor::success, 40),
                   new IconTile(QStringLiteral("icon-alert"), OLColor::toneWarning, 56)},
                  12);
}

QWidget* formRows(const OLTheme&) {
    using Options = std::vector<std::pair<QString, int>>;
    return kitColumn(
        {new FormRow(QStringLiteral("Device name"), QStringLiteral("Shown on the portal and in restores."),
                     true, new OLTextField(QStringLiteral("Device name"), QStringLiteral("Studio computer"))),
         new FormRow(QStringLiteral("Schedule"), std::nullopt, true,
                     new OLMenuPickerOf<int>(Options{{QStringLiteral("Every hour"), 1}}, 1, {})),
         new FormRow(QStringLiteral("Start at login"),
                     QStringLiteral(
                         "Backups run even when the window is closed; this detail wraps onto a second line."),
                     false, new OLSwitch(true, QStringLiteral("Start at login")))},
        0);
}

} // namespace

std::vector<GalleryEntry> kitLayoutEntries() {
    return {
        {QStringLiteral("card"), QStringLiteral("plain-hero"), cards, 420},
        {QStringLiteral("progress"), QStringLiteral("fractions"), progress, 300},
        {QStringLiteral("icon-tile"), QStringLiteral("tints"), tiles},
        {QStringLiteral("form-row"), QStringLiteral("states"), formRows, 640},
    };
}

} // namespace keldra::gallery
