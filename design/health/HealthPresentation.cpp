#include "design/health/HealthPresentation.h"

#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <type_traits>
#include <variant>

namespace keldra {
namespace {

using Kind = BackupHealth::Kind;

enum class Tone { accent, warning, neutral, danger };

bool isOffline(const BackupHealth& health) {
    return health.kind() == Kind::blocked && health.reason() && health.reason()->is<BlockReason::Offline>();
}

Tone toneOf(const BackupHealth& health) {
    switch (health.kind()) {
    case Kind::protected_:
        return Tone::accent;
    case Kind::backingUp:
    case Kind::attention:
        return Tone::warning;
    case Kind::paused:
    case Kind::locked:
        return Tone::neutral;
    case Kind::atRisk:
    case Kind::storageFull:
        return Tone::danger;
    case Kind::blocked:
        return isOffline(health) ? Tone::warning : Tone::danger;
    }
    return Tone::danger;
}

} // namespace

std::string HealthPresentation::shortStatus() const {
    switch (health.kind()) {
    case Kind::protected_:
        return "Protected.";
    case Kind::backingUp:
        return "Backing up.";
    case Kind::paused:
        return "Paused.";
    case Kind::attention:
        return "Attention.";
    case Kind::atRisk:
        return "At risk.";
    case Kind::storageFull:
        return "Full.";
    case Kind::locked:
        return "Locked.";
    case Kind::blocked:
        break;
    }
    if (!health.reason())
        return "Waiting.";
    return std::visit(
        [](const auto& reason) -> std::string {
            using Case = std::decay_t<decltype(reason)>;
            if constexpr (std::is_same_v<Case, BlockReason::ServerNotReady>)
                return "Waiting.";
            else if constexpr (std::is_same_v<Case, BlockReason::AccessDenied>)
                return "Refused.";
            else if constexpr (std::is_same_v<Case, BlockReason::GeoBlocked>)
                return reason.destroyed ? "Wiped." : "Blocked.";
            else if constexpr (std::is_same_v<Case, BlockReason::GeoRisk>)
                return "Held.";
            else if constexpr (std::is_same_v<Case, BlockReason::SignedOut>)
                return "Signed out.";
            else if constexpr (std::is_same_v<Case, BlockReason::Suspended>)
                return "Suspended.";
            else if constexpr (std::is_same_v<Case, BlockReason::NoPlan>)
                return "No plan.";
            else if constexpr (std::is_same_v<Case, BlockReason::AccountDisabled>)
                return "Disabled.";
            else
                return "Offline.";
        },
        health.reason()->value());
}

OLRgba HealthPresentation::toneColor() const {
    const bool glass = theme.style == OLStyle::glass;
    switch (toneOf(health)) {
    case Tone::accent:
        return accentColor(theme);
    case Tone::warning:
        return OLColor::toneWarning;
    case Tone::neutral:
        return glass ? OLColor::borderStrong : OLColor::textMuted;
    case Tone::danger:
        return glass ? OLColor::toneDanger : OLColor::textError;
    }
    return OLColor::toneDanger;
}

std::optional<HealthPresentation::Badge> HealthPresentation::badge() const {
    switch (health.kind()) {
    case Kind::protected_:
        return Badge::tick;
    case Kind::backingUp:
    case Kind::paused:
    case Kind::locked:
        return std::nullopt;
    case Kind::attention:
        return Badge::warning;
    case Kind::atRisk:
    case Kind::storageFull:
        return Badge::danger;
    case Kind::blocked:
        return isOffline(health) ? Badge::warning : Badge::danger;
    }
    return std::nullopt;
}

OLRgba toneColor(StatusTone tone) {
    switch (tone) {
    case StatusTone::secure:
        return OLColor::toneSecure;
    case StatusTone::warning:
        return OLColor::toneWarning;
    case StatusTone::danger:
        return OLColor::toneDanger;
    case StatusTone::info:
        return OLColor::toneInfo;
    }
    return OLColor::toneInfo;
}

std::optional<OLRgba> toneFill(StatusTone tone) {
    switch (tone) {
    case StatusTone::secure:
        return OLColor::toneSecureFill;
    case StatusTone::warning:
        return OLColor::toneWarningFill;
    case StatusTone::danger:
        return OLColor::toneDangerFill;
    case StatusTone::info:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace keldra
