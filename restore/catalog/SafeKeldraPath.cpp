#include "restore/catalog/SafeKeldraPath.h"

namespace keldra {

bool isSafeKeldraPath(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) {
        return false;
    }
    std::string_view rest;
    if (path.starts_with("~/")) {
        rest = path.substr(2);
    } else if (path.starts_with("/")) {
        rest = path.substr(1);
    } else {
        return false;
    }
    // Empty pieces count: "" (nothing after the prefix), "a//b" and "a/" all hold one.
    while (true) {
        const auto slash = rest.find('/');
        const auto piece = rest.substr(0, slash);
        if (piece.empty() || piece == "." || piece == "..") {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        rest.remove_prefix(slash + 1);
    }
}

} // namespace keldra
