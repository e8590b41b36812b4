#include "core/scan/UncertainPaths.h"

#include "core/settings/BackupSource.h"

namespace keldra {

bool UncertainPaths::record(const std::filesystem::path& url) {
    recordStoredPath(BackupSource::abbreviatePath(url));
    return true;
}

void UncertainPaths::recordStoredPath(std::string storedPath) {
    std::lock_guard guard(lock_);
    prefixes_.push_back(std::move(storedPath));
}

bool UncertainPaths::contains(std::string_view storedPath) const {
    std::lock_guard guard(lock_);
    for (const auto& prefix : prefixes_) {
        if (storedPath == prefix) {
            return true;
        }
        // "/" itself (an unreadable root source) already ends with the separator.
        if (storedPath.starts_with(prefix) && (prefix.ends_with('/') || storedPath[prefix.size()] == '/')) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> UncertainPaths::prefixes() const {
    std::lock_guard guard(lock_);
    return prefixes_;
}

bool UncertainPaths::empty() const {
    std::lock_guard guard(lock_);
    return prefixes_.empty();
}

} // namespace keldra
