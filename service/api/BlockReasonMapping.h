#pragma once

#include "core/events/BlockReason.h"
#include "service/api/KeldraAPIError.h"

#include <optional>

namespace keldra {

// The block a portal error means, or nothing when the error is an ordinary failure (rate limits,
// conflicts, server and transport errors and the rest).
std::optional<BlockReason> blockReason(const KeldraAPIError& error);

} // namespace keldra
