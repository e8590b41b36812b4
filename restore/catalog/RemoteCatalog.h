#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/fs/SafeKeldraPath.h"
#include "restore/catalog/RemoteEntry.h"
#include "service/types/KeldraFile.h"

#include <cstddef>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace keldra {

// The decrypted listing of one backup source, built once and replaced whole.
struct RemoteCatalog {
    // Stored path -> its versions, newest first; every list is non-empty.
    std::map<std::string, std::vector<RemoteEntry>> byPath;
    // Records whose name does not open to a safe path, in listing order.
    std::vector<KeldraFile> unreadable;
    // The id of every listed record, readable or not.
    std::unordered_set<std::string> allIDs;

    // Opens every sealed name with `key`; never fails: a record that does not open to a safe path goes to
    // `unreadable`.
    static RemoteCatalog build(const std::vector<KeldraFile>& files, const KeldraKey& key);

    // The shared empty catalog.
    static const RemoteCatalog& empty();

    // Entries over all paths (the number of files is byPath.size()).
    std::size_t versionCount() const;
};

} // namespace keldra
