#pragma once
// The Keldra storage bar and texts of the account card, the storage tile and the popover. Qt-free.

#include "app/model/ThemeValues.h"
#include "design/theme/OLRgba.h"
#include "service/types/KeldraStatus.h"

#include <optional>
#include <string>

namespace keldra {

// used ÷ quota, 1 when full or over; none without a status or with a quota below 1 byte (nothing to show).
std::optional<double> storageFraction(const std::optional<KeldraStatus>& status);

// Whether used ÷ quota is 0.9 or more (an over-full quota included); false when there is no quota.
bool storageNearlyFull(const std::optional<KeldraStatus>& status);

// The bar's tint: the warning tone when nearly full, else the theme's accent.
OLRgba storageTint(const std::optional<KeldraStatus>& status, const OLTheme& theme);

// "37%": the share in use truncated to a whole percent, at most 100; "0%" without a quota.
std::string storagePercent(const KeldraStatus& status);

} // namespace keldra
