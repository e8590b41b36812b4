#include "restore/tree/RestoreNode.h"

#include "core/settings/BackupSource.h"
#include "core/SaturatingMath.h"
#include "restore/tree/NaturalOrder.h"

#include <algorithm>
#include <unordered_map>

namespace keldra {
RestoreNodePtr RestoreNode::makeFolder(std::string id, std::string name) {
    auto node = std::make_shared<RestoreNode>(std::move(id), std::move(name));
    node->children.emplace();
    return node;
}

RestoreNodePtr RestoreNode::makeFile(std::string path, std::string name, std::vector<RemoteEntry> versions) {
    auto node = std::make_shared<RestoreNode>(std::move(path), std::move(name));
    if (!versions.empty() && versions.front().file.sizeBytes) {
        node->totalBytes = versions.front().file.sizeBytes->value;
    }
    node->fileCount = 1;
    node->versions = std::move(versions);
    return node;
}

std::vector<RestoreNodePtr>
RestoreNode::buildTree(const std::map<std::string, std::vector<RemoteEntry>>& byPath) {
    auto root = makeFolder("", "");
    std::unordered_map<std::string, RestoreNode*> folders{{"", root.get()}};
    for (const auto& [path, entries] : byPath) {
        const auto pieces = BackupSource::pathComponents(path);
        if (pieces.empty()) {
            continue;
        }
        RestoreNode* parent = root.get();
        std::string accumulated;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string& piece = pieces[i];
            if (!accumulated.empty()) {
                accumulated.append("/").append(piece);
            } else if (piece == "~") {
                accumulated = "~";
            } else if (path.starts_with('/')) {
                accumulated = "/" + piece;
            } else {
                accumulated = piece;
            }
            if (i + 1 == pieces.size()) {
                parent->children->push_back(makeFile(path, piece, entries));
                break;
            }
            if (const auto found = folders.find(accumulated); found != folders.end()) {
                parent = found->second;
                continue;
            }
            auto folder = makeFolder(accumulated, piece == "~" ? "Home" : piece);
            RestoreNode* raw = folder.get();
            parent->children->push_back(std::move(folder));
            folders.emplace(accumulated, raw);
            parent = raw;
        }
    }
    sortChildren(*root);
    auto& top = *root->children;
    if (top.size() == 1 && top.front()->isFolder() && top.front()->id == "~") {
        return *top.front()->children;
    }
    return top;
}

RestoreNode::Totals RestoreNode::sortChildren(RestoreNode& node) {
    if (!node.children) {
        return {node.fileCount, node.totalBytes};
    }
    Totals sum;
    for (const auto& child : *node.children) {
        const Totals totals = sortChildren(*child);
        sum.fileCount = saturatingAdd(sum.fileCount, totals.fileCount);
        sum.totalBytes = saturatingAdd(sum.totalBytes, totals.totalBytes);
    }
    std::stable_sort(node.children->begin(), node.children->end(),
                     [](const RestoreNodePtr& a, const RestoreNodePtr& b) {
                         if (a->isFolder() != b->isFolder()) {
                             return a->isFolder();
                         }
                         return naturalLess(a->name, b->name);
                     });
    node.fileCount = sum.fileCount;
    node.totalBytes = sum.totalBytes;
    return sum;
}

} // namespace keldra
