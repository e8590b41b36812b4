#include "core/scan/ExclusionRules.h"
#include "core/settings/BackupSettings.h"
#include "core/settings/BackupSource.h"

namespace keldra {

ExclusionRules ExclusionRules::fromSettings(const BackupSettings& settings) {
    return ExclusionRules{settings.excludeSystemJunk, settings.excludeCaches,
                          settings.excludeDeveloperFolders, cleanPatterns(settings.customExclusions)};
}

bool ExclusionRules::isExcluded(std::string_view storedPath) const {
    const std::vector<std::string> components = BackupSource::pathComponents(storedPath);
    if (components.empty()) {
        return false;
    }
    if (excludesName(components.back())) {
        return true;
    }
    for (size_t i = 0; i + 1 < components.size(); ++i) {
        if (excludesFolderName(components[i])) {
            return true;
        }
    }
    return false;
}

} // namespace keldra
