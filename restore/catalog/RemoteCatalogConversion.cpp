#include "restore/catalog/RemoteCatalogConversion.h"

#include "drive/format/UtcTimestamp.h"

namespace keldra::LocalCatalog {

RemoteCatalog toRemoteCatalog(const Catalog& catalog) {
    RemoteCatalog remote;
    for (const auto& [path, entries] : catalog) {
        auto& converted = remote.byPath[path];
        for (const auto& entry : entries) {
            KeldraFile file;
            file.id = FlexID(entry.objectID);
            file.sizeBytes = FlexInt(entry.meta.size);
            file.checksumSha256 = entry.meta.hmac;
            file.createdAt = LocalFormat::internetDateTime(entry.meta.created);
            converted.push_back(RemoteEntry{std::move(file), path});
            remote.allIDs.insert(entry.objectID);
        }
    }
    return remote;
}

} // namespace keldra::LocalCatalog
