#include "design/health/HealthPresentation.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

using Badge = HealthPresentation::Badge;
using R = BlockReason;

enum class Tone { accent, warning, neutral, danger };

struct Row {
    BackupHealth health;
    const char* title;
    const char* shortStatus;
    Tone tone;
    std::optional<Badge> badge;
};

const std::vector<Row>& rows() {
    static const std::vector<Row> table{
        {BackupHealth::protectedState(), "Protected", "Protected.", Tone::accent, Badge::tick},
        {BackupHealth::backingUp(), "Backing up\u2026", "Backing up.", Tone::warning, std::nullopt},
        {BackupHealth::paused(), "Paused", "Paused.", Tone::neutral, std::nullopt},
        {BackupHealth::attention(), "Attention required", "Attention.", Tone::warning, Badge::warning},
        {BackupHealth::atRisk(), "At risk", "At risk.", Tone::danger, Badge::danger},
        {BackupHealth::storageFull(), "Storage full", "Full.", Tone::danger, Badge::danger},
        {BackupHealth::locked(), "Keldra locked", "Locked.", Tone::neutral, std::nullopt},
        {BackupHealth::blocked(R::serverNotReady("versions")), "Backups unavailable", "Waiting.",
         Tone::danger, Badge::danger},
        {BackupHealth::blocked(R::accessDenied("No")), "Access refused", "Refused.", Tone::danger,
         Badge::danger},
        {BackupHealth::blocked(R::geoBlocked(true)), "Keldra wiped", "Wiped.", Tone::danger, Badge::danger},
        {BackupHealth::blocked(R::geoBlocked(false)), "Blocked by country rule", "Blocked.", Tone::danger,
         Badge::danger},
        {BackupHealth::blocked(R::geoRisk("XX")), "Paused for safety", "Held.", Tone::danger, Badge::danger},
        {BackupHealth::blocked(R::signedOut()), "Signed out", "Signed out.", Tone::danger, Badge::danger},
        {BackupHealth::blocked(R::suspended()), "Keldra suspended", "Suspended.", Tone::danger,
         Badge::danger},
        {BackupHealth::blocked(R::noPlan()), "No Keldra plan", "No plan.", Tone::danger, Badge::danger},
        {BackupHealth::blocked(R::accountDisabled()), "Account disabled", "Disabled.", Tone::danger,
         Badge::danger},
        {BackupHealth::blocked(R::offline()), "Waiting for network", "Offline.", Tone::warning,
         Badge::warning},
    };
    return table;
}

OLRgba expectedTone(Tone tone, const OLTheme& theme) {
    const bool glass = theme.style == OLStyle::glass;
    switch (tone) {
    case Tone::accent:
        return accentColor(theme);
    case Tone::warning:
        return OLColor::toneWarning;
    case Tone::neutral:
        return glass ? OLColor::borderStrong : OLColor::textMuted;
    case Tone::danger:
        return glass ? OLColor::toneDanger : OLColor::textError;
    }
    return {};
}

TEST(HealthPresentation, EveryHealthInEveryTheme) {
    ASSERT_EQ(rows().size(), 17u);
    for (OLStyle style : allStyles) {
        for (OLAccent accent : allAccents) {
            const OLTheme theme{style, accent, 999};
            for (const Row& row : rows()) {
                SCOPED_TRACE(std::string(row.title) + " / " + std::string(rawValue(style)) + " / " +
                             std::string(rawValue(accent)));
                const HealthPresentation shown{row.health, theme};
                EXPECT_EQ(shown.title(), row.title);
                EXPECT_EQ(shown.title(), healthTitle(row.health));
                EXPECT_EQ(shown.shortStatus(), row.shortStatus);
                EXPECT_EQ(shown.toneColor(), expectedTone(row.tone, theme));
                EXPECT_EQ(shown.badge(), row.badge);
            }
        }
    }
}

TEST(HealthPresentation, ProtectedFollowsTheAccentAndPayloadsChangeNothing) {
    const HealthPresentation snow{BackupHealth::protectedState(),
                                  OLTheme{OLStyle::signal, OLAccent::snow, 999}};
    EXPECT_EQ(snow.toneColor(), (OLRgba{0xEC, 0xEF, 0xF4, 1}));
    const OLTheme theme{};
    EXPECT_EQ(HealthPresentation({BackupHealth::blocked(R::accessDenied("")), theme}).title(),
              HealthPresentation({BackupHealth::blocked(R::accessDenied("Different words")), theme}).title());
}

TEST(StatusTones, ColoursAndFills) {
    EXPECT_EQ(toneColor(StatusTone::secure), OLColor::toneSecure);
    EXPECT_EQ(toneColor(StatusTone::warning), OLColor::toneWarning);
    EXPECT_EQ(toneColor(StatusTone::danger), OLColor::toneDanger);
    EXPECT_EQ(toneColor(StatusTone::info), OLColor::toneInfo);
    EXPECT_EQ(toneFill(StatusTone::danger), OLColor::toneDangerFill);
    EXPECT_EQ(toneFill(StatusTone::info), std::nullopt);
}

} // namespace
} // namespace keldra
