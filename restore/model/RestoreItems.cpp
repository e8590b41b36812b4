#include "restore/model/RestoreItems.h"

namespace keldra {
namespace {

RestoreItem itemFor(const RestoreNode& file, const RemoteEntry& version, std::string relativePath) {
    RestoreItem item;
    item.fileID = version.file.id;
    item.keldraPath = file.id;
    item.size = version.file.sizeBytes ? version.file.sizeBytes->value : 0;
    item.relativePath = std::move(relativePath);
    item.iv = version.file.encryptionIv;
    return item;
}

// The place of a file below a restored folder: the folder's name, then the rest of the file's path.
std::string relativeBelow(const RestoreNode& folder, const RestoreNode& file) {
    const std::string prefix = folder.id + "/";
    if (file.id.starts_with(prefix)) {
        return folder.name + "/" + file.id.substr(prefix.size());
    }
    const auto slash = file.id.rfind('/');
    return slash == std::string::npos ? file.id : file.id.substr(slash + 1);
}

} // namespace

std::vector<RestoreItem> makeRestoreItems(const RestoreNode& node,
                                          const std::optional<FlexID>& selectedVersion) {
    std::vector<RestoreItem> items;
    if (!node.isFolder()) {
        if (node.versions.empty()) {
            return items;
        }
        const RemoteEntry* chosen = &node.versions.front();
        if (selectedVersion) {
            for (const RemoteEntry& version : node.versions) {
                if (version.file.id.raw == selectedVersion->raw) {
                    chosen = &version;
                    break;
                }
            }
        }
        items.push_back(itemFor(node, *chosen, node.name));
        return items;
    }
    for (const RestoreNodePtr& file : RestoreNode::collectFiles(*node.children)) {
        if (!file->versions.empty()) {
            items.push_back(itemFor(*file, file->versions.front(), relativeBelow(node, *file)));
        }
    }
    return items;
}

std::vector<FlexID> versionIDsBelow(const RestoreNode& node) {
    std::vector<FlexID> ids;
    const auto addVersions = [&ids](const RestoreNode& file) {
        for (const RemoteEntry& version : file.versions) {
            ids.push_back(version.file.id);
        }
    };
    if (!node.isFolder()) {
        addVersions(node);
        return ids;
    }
    for (const RestoreNodePtr& file : RestoreNode::collectFiles(*node.children)) {
        addVersions(*file);
    }
    return ids;
}

} // namespace keldra
