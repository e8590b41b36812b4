#include "service/api/BlockReasonMapping.h"

namespace keldra {

std::optional<BlockReason> blockReason(const KeldraAPIError& error) {
    using Kind = KeldraAPIError::Kind;
    switch (error.kind()) {
    case Kind::accessDenied:
        return BlockReason::accessDenied(error.text());
    case Kind::geoBlocked:
        return BlockReason::geoBlocked(error.destroyed());
    case Kind::geoRisk:
        return BlockReason::geoRisk(error.text());
    case Kind::endpointMissing:
        return BlockReason::serverNotReady(error.text());
    case Kind::tokenExpired:
        return BlockReason::signedOut();
    case Kind::accountDisabled:
        return BlockReason::accountDisabled();
    case Kind::keldraSuspended:
        return BlockReason::suspended();
    case Kind::noSubscription:
        return BlockReason::noPlan();
    default:
        return std::nullopt;
    }
}

} // namespace keldra
