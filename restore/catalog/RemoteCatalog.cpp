#include "restore/catalog/RemoteCatalog.h"

#include "core/codec/Base64.h"
#include "core/text/Utf8Text.h"

#include <algorithm>
#include <optional>

namespace keldra {
namespace {

// The stored path a sealed name opens to, or none when the record cannot be trusted.
std::optional<std::string> openStoredPath(const KeldraFile& file, const KeldraKey& key) {
    if (!file.encryptedName || file.encryptedName->empty()) {
        return std::nullopt;
    }
    const std::string& name = *file.encryptedName;
    const bool flaggedSealed = file.nameSealed && file.nameSealed->value;
    if (!flaggedSealed && !KeldraKey::isSealedName(name)) {
        return std::nullopt;
    }
    const auto dot = name.find('.');
    if (dot == std::string::npos) {
        return std::nullopt;
    }
    const auto nonce = base64Decode(std::string_view(name).substr(0, dot));
    const auto sealed = base64Decode(std::string_view(name).substr(dot + 1));
    if (!nonce || !sealed) {
        return std::nullopt;
    }
    Bytes plain;
    try {
        plain = key.open(*sealed, *nonce);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::string path = toString(plain);
    if (!isValidUtf8(path) || !isSafeKeldraPath(path)) {
        return std::nullopt;
    }
    return path;
}

} // namespace

RemoteCatalog RemoteCatalog::build(const std::vector<KeldraFile>& files, const KeldraKey& key) {
    RemoteCatalog catalog;
    catalog.allIDs.reserve(files.size());
    for (const auto& file : files) {
        catalog.allIDs.insert(file.id.raw);
        if (auto path = openStoredPath(file, key)) {
            auto& versions = catalog.byPath[*path];
            versions.push_back(RemoteEntry{file, std::move(*path)});
        } else {
            catalog.unreadable.push_back(file);
        }
    }
    for (auto& [path, versions] : catalog.byPath) {
        std::stable_sort(versions.begin(), versions.end(), RemoteEntry::newerFirst);
    }
    return catalog;
}

const RemoteCatalog& RemoteCatalog::empty() {
    static const RemoteCatalog emptyCatalog;
    return emptyCatalog;
}

std::size_t RemoteCatalog::versionCount() const {
    std::size_t count = 0;
    for (const auto& [path, versions] : byPath) {
        count += versions.size();
    }
    return count;
}

} // namespace keldra
