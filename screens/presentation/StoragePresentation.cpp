#include "screens/presentation/StoragePresentation.h"

#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <algorithm>

namespace keldra {

namespace {

std::optional<double> usedShare(const std::optional<KeldraStatus>& status) {
    if (!status || status->quotaBytes.value < 1) {
        return std::nullopt;
    }
    return static_cast<double>(status->usedBytes.value) / static_cast<double>(status->quotaBytes.value);
}

} // namespace

std::optional<double> storageFraction(const std::optional<KeldraStatus>& status) {
    if (auto share = usedShare(status)) {
        return std::min(*share, 1.0);
    }
    return std::nullopt;
}

bool storageNearlyFull(const std::optional<KeldraStatus>& status) {
    const auto share = usedShare(status);
    return share && *share >= 0.9;
}

OLRgba storageTint(const std::optional<KeldraStatus>& status, const OLTheme& theme) {
    return storageNearlyFull(status) ? OLColor::toneWarning : accentColor(theme);
}

std::string storagePercent(const KeldraStatus& status) {
    const auto fraction = storageFraction(status);
    return std::to_string(fraction ? static_cast<int>(*fraction * 100) : 0) + "%";
}

} // namespace keldra
