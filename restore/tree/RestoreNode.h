#pragma once

#include "restore/catalog/RemoteEntry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

class RestoreNode;
using RestoreNodePtr = std::shared_ptr<RestoreNode>;

// One folder or file of the restore tree. Built and totalled by buildTree, only read afterwards; shared,
// so the browser can hold nodes while a search makes filtered copies.
class RestoreNode final {
public:
    struct Totals {
        std::int64_t fileCount = 0;
        std::int64_t totalBytes = 0;
    };

    // A file: its full stored path. A folder: its cumulative path ("~", "~/Documents", "/Volumes", ...);
    // the hidden root has the empty id.
    const std::string id;
    // The last path component; the "~" folder is named "Home".
    const std::string name;
    // None for a file; a folder's list may be empty.
    std::optional<std::vector<RestoreNodePtr>> children;
    // A file's versions in the catalog's order (newest first); empty for a folder.
    std::vector<RemoteEntry> versions;
    // A file: the size of its first version (0 when unknown). A folder: the sum over its children.
    std::int64_t totalBytes = 0;
    // A file: 1. A folder: the sum over its children.
    std::int64_t fileCount = 0;

    static RestoreNodePtr makeFolder(std::string id, std::string name);
    static RestoreNodePtr makeFile(std::string path, std::string name, std::vector<RemoteEntry> versions);

    bool isFolder() const { return children.has_value(); }

    // The top-level nodes for a catalog's byPath. When everything lives below the home folder the top
    // level is Home's contents.
    static std::vector<RestoreNodePtr>
    buildTree(const std::map<std::string, std::vector<RemoteEntry>>& byPath);

    // Sorts every folder's children (folders first, then by name in natural order), stores the folder
    // totals and returns the node's own.
    static Totals sortChildren(RestoreNode& node);

    // Every file node below `nodes`, depth first in child order: a folder (even an empty one) gives the
    // files below it, a file gives itself.
    static std::vector<RestoreNodePtr> collectFiles(const std::vector<RestoreNodePtr>& nodes);

    // Identity is the id alone.
    friend bool operator==(const RestoreNode& a, const RestoreNode& b) { return a.id == b.id; }

    RestoreNode(std::string nodeId, std::string nodeName)
        : id(std::move(nodeId)), name(std::move(nodeName)) {}
};

} // namespace keldra

template <> struct std::hash<keldra::RestoreNode> {
    std::size_t operator()(const keldra::RestoreNode& node) const noexcept {
        return std::hash<std::string>{}(node.id);
    }
};
