#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/seams/CancelToken.h"
#include "restore/catalog/RemoteCatalog.h"
#include "restore/model/RestoreSearchIndex.h"
#include "restore/tree/RestoreNode.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace keldra {

class KeldraAPI;

// One completed listing as the Restore screen shows it: the catalog, the tree built from it and the
// search index over its paths. Built whole off the GUI thread and published together, so the three always
// describe the same listing.
struct RestoreListing {
    std::shared_ptr<const RemoteCatalog> catalog;
    std::vector<RestoreNodePtr> tree;
    std::shared_ptr<const RestoreSearchIndex> search;

    // The tree and the index of a catalog.
    static RestoreListing build(RemoteCatalog catalog);
    static RestoreListing build(std::shared_ptr<const RemoteCatalog> catalog);

    // Every file record of a device folder in the Keldra, opened with the key. Throws the portal's errors.
    // Blocking: call it off the GUI thread.
    static RestoreListing ofKeldraFolder(KeldraAPI& api, const FlexID& folderID, const KeldraKey& key,
                                         const CancelToken& cancel = {});
    // Every readable object of a device folder on a drive. Never fails. Blocking: off the GUI thread.
    static RestoreListing ofDriveFolder(const std::filesystem::path& deviceFolder, const KeldraKey& key);
};

} // namespace keldra
