#include "restore/tree/RestoreNode.h"

#include "core/SaturatingMath.h"
#include "restore/tree/NaturalOrder.h"

#include <algorithm>
#include <string_view>
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

namespace {

// The pieces of a stored path as BackupSource::pathComponents gives them ("~" first for a "~/" path,
// empty pieces dropped), without copying them.
void pathPieces(std::string_view path, std::vector<std::string_view>& pieces) {
    pieces.clear();
    if (path.starts_with("~/")) {
        pieces.push_back(path.substr(0, 1));
        path.remove_prefix(2);
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            pieces.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
}

} // namespace

std::vector<RestoreNodePtr>
RestoreNode::buildTree(const std::map<std::string, std::vector<RemoteEntry>>& byPath) {
    auto root = makeFolder("", "");
    std::unordered_map<std::string, RestoreNode*> folders{{"", root.get()}};
    // The folders of the previous path by depth: paths come in byte order, so a folder's files mostly
    // follow one another and the table is asked only when the folder changes.
    std::vector<RestoreNode*> recent;
    std::vector<std::string_view> pieces;
    std::string accumulated;
    for (const auto& [path, entries] : byPath) {
        pathPieces(path, pieces);
        if (pieces.empty()) {
            continue;
        }
        RestoreNode* parent = root.get();
        accumulated.clear();
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string_view piece = pieces[i];
            if (!accumulated.empty()) {
                accumulated.append("/").append(piece);
            } else if (piece == "~") {
                accumulated = "~";
            } else if (path.starts_with('/')) {
                accumulated.assign("/").append(piece);
            } else {
                accumulated.assign(piece);
            }
            if (i + 1 == pieces.size()) {
                parent->children->push_back(makeFile(path, std::string(piece), entries));
                break;
            }
            if (recent.size() <= i) {
                recent.resize(i + 1, nullptr);
            }
            if (recent[i] && recent[i]->id == accumulated) {
                parent = recent[i];
                continue;
            }
            if (const auto found = folders.find(accumulated); found != folders.end()) {
                parent = found->second;
                recent[i] = parent;
                continue;
            }
            auto folder = makeFolder(accumulated, piece == "~" ? "Home" : std::string(piece));
            RestoreNode* raw = folder.get();
            parent->children->push_back(std::move(folder));
            folders.emplace(accumulated, raw);
            parent = raw;
            recent[i] = raw;
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

namespace {

void collectFilesInto(const std::vector<RestoreNodePtr>& nodes, std::vector<RestoreNodePtr>& files) {
    for (const RestoreNodePtr& node : nodes) {
        if (node->children) {
            collectFilesInto(*node->children, files);
        } else {
            files.push_back(node);
        }
    }
}

} // namespace

std::vector<RestoreNodePtr> RestoreNode::collectFiles(const std::vector<RestoreNodePtr>& nodes) {
    std::vector<RestoreNodePtr> files;
    collectFilesInto(nodes, files);
    return files;
}

} // namespace keldra
