#include "app/model/BackupHealth.h"

#include <type_traits>
#include <variant>

namespace keldra {

std::string healthTitle(const BackupHealth& health) {
    switch (health.kind()) {
    case BackupHealth::Kind::protected_:
        return "Protected";
    case BackupHealth::Kind::backingUp:
        return "Backing up\u2026";
    case BackupHealth::Kind::paused:
        return "Paused";
    case BackupHealth::Kind::attention:
        return "Attention required";
    case BackupHealth::Kind::atRisk:
        return "At risk";
    case BackupHealth::Kind::storageFull:
        return "Storage full";
    case BackupHealth::Kind::locked:
        return "Keldra locked";
    case BackupHealth::Kind::blocked:
        break;
    }
    if (!health.reason())
        return "Backups unavailable";
    return std::visit(
        [](const auto& reason) -> std::string {
            using Case = std::decay_t<decltype(reason)>;
            if constexpr (std::is_same_v<Case, BlockReason::ServerNotReady>)
                return "Backups unavailable";
            else if constexpr (std::is_same_v<Case, BlockReason::AccessDenied>)
                return "Access refused";
            else if constexpr (std::is_same_v<Case, BlockReason::GeoBlocked>)
                return reason.destroyed ? "Keldra wiped" : "Blocked by country rule";
            else if constexpr (std::is_same_v<Case, BlockReason::GeoRisk>)
                return "Paused for safety";
            else if constexpr (std::is_same_v<Case, BlockReason::SignedOut>)
                return "Signed out";
            else if constexpr (std::is_same_v<Case, BlockReason::Suspended>)
                return "Keldra suspended";
            else if constexpr (std::is_same_v<Case, BlockReason::NoPlan>)
                return "No Keldra plan";
            else if constexpr (std::is_same_v<Case, BlockReason::AccountDisabled>)
                return "Account disabled";
            else
                return "Waiting for network";
        },
        health.reason()->value());
}

} // namespace keldra
