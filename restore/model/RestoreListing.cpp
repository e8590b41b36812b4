#include "restore/model/RestoreListing.h"

#include "restore/catalog/RemoteCatalogConversion.h"
#include "service/api/KeldraAPI.h"

namespace keldra {

RestoreListing RestoreListing::build(RemoteCatalog catalog) {
    return build(std::make_shared<const RemoteCatalog>(std::move(catalog)));
}

RestoreListing RestoreListing::build(std::shared_ptr<const RemoteCatalog> catalog) {
    RestoreListing listing;
    listing.tree = RestoreNode::buildTree(catalog->byPath);
    listing.search = std::make_shared<const RestoreSearchIndex>(catalog);
    listing.catalog = std::move(catalog);
    return listing;
}

RestoreListing RestoreListing::ofKeldraFolder(KeldraAPI& api, const FlexID& folderID, const KeldraKey& key,
                                              const CancelToken& cancel) {
    const std::vector<KeldraFile> files = api.listAllFiles(folderID, std::nullopt, cancel);
    return build(RemoteCatalog::build(files, key));
}

RestoreListing RestoreListing::ofDriveFolder(const std::filesystem::path& deviceFolder,
                                             const KeldraKey& key) {
    return build(LocalCatalog::toRemoteCatalog(LocalCatalog::load(deviceFolder, key)));
}

} // namespace keldra
