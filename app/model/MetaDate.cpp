#include "app/model/MetaDate.h"

#include "core/index/BackupIndex.h"

namespace keldra {

std::optional<SystemTime> metaDate(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    const std::optional<double> seconds = parseMetaTime(*text);
    return seconds ? checkedFromUnixSeconds(*seconds) : std::nullopt;
}

} // namespace keldra
