#include "core/fs/SafeKeldraPath.h"

namespace keldra {

bool isSafeKeldraPath(std::string_view path) {
    if (path.starts_with("~/")) {
        return isSafeRelativePath(path.substr(2));
    }
    if (path.starts_with("/")) {
        return isSafeRelativePath(path.substr(1));
    }
    return false;
}

bool isSafeRelativePath(std::string_view relative) {
    if (relative.find('\0') != std::string_view::npos) {
        return false;
    }
    // Empty pieces count: "" (nothing at all), "a//b" and "a/" all hold one.
    while (true) {
        const auto slash = relative.find('/');
        const auto piece = relative.substr(0, slash);
        if (piece.empty() || piece == "." || piece == "..") {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        relative.remove_prefix(slash + 1);
    }
}

} // namespace keldra
