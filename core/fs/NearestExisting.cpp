#include "core/fs/NearestExisting.h"

namespace keldra {

std::filesystem::path nearestExistingPath(const std::filesystem::path& path) {
    std::filesystem::path current = path.lexically_normal();
    while (true) {
        std::error_code error;
        // A dangling symbolic link counts: it is there to be shown.
        if (std::filesystem::exists(std::filesystem::symlink_status(current, error))) {
            return current;
        }
        if (!current.has_relative_path()) {
            return current.empty() ? std::filesystem::path("/") : current;
        }
        std::filesystem::path parent = current.parent_path();
        if (parent == current) {
            return current;
        }
        current = std::move(parent);
    }
}

} // namespace keldra
