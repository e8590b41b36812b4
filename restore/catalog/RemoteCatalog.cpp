#include "restore/catalog/RemoteCatalog.h"

#include "core/codec/Base64.h"

#include <algorithm>
#include <optional>
#include <unicode/utf8.h>

namespace keldra {
namespace {

bool isValidUtf8(const Bytes& bytes) {
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const auto length = static_cast<std::int32_t>(bytes.size());
    if (static_cast<std::size_t>(length) != bytes.size()) {
        return false;
    }
    std::int32_t offset = 0;
    while (offset < length) {
        UChar32 c = 0;
        U8_NEXT(data, offset, length, c);
        if (c < 0) {
            return false;
        }
    }
    return true;
}

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
    if (!isValidUtf8(plain)) {
        return std::nullopt;
    }
    std::string path = toString(plain);
    if (!isSafeKeldraPath(path)) {
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
