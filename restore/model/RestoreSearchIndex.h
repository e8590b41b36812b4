#pragma once

#include "restore/catalog/RemoteCatalog.h"
#include "restore/tree/RestoreNode.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace keldra {

// The stored paths of one listing, ready for the Restore screen's search: in the order results are shown
// (natural order of whole paths) and case-folded into one block of text, so a search is one scan that
// stops at the first `resultLimit` matches. Built with the tree, off the GUI thread; only read afterwards.
// It keeps the catalog it points into.
class RestoreSearchIndex {
public:
    using ByPath = std::map<std::string, std::vector<RemoteEntry>>;

    static constexpr std::size_t resultLimit = 500;

    RestoreSearchIndex() = default;
    explicit RestoreSearchIndex(std::shared_ptr<const RemoteCatalog> catalog);

    // The search text as it is matched: trimmed, and nothing when it has fewer than two characters.
    static std::string effectiveQuery(std::string_view query);

    // The first `limit` stored paths (natural order) that contain the query in any letter case; empty for a
    // query of fewer than two characters.
    std::vector<const ByPath::value_type*> matches(std::string_view query,
                                                   std::size_t limit = resultLimit) const;

    // The search result: a new file node per match with the catalog's versions; shares nothing with the tree.
    std::vector<RestoreNodePtr> search(std::string_view query) const;

    std::size_t size() const { return sorted_.size(); }

private:
    std::shared_ptr<const RemoteCatalog> catalog_;
    std::vector<const ByPath::value_type*> sorted_;
    // The folded paths in sorted order, each followed by a NUL (no stored path holds one).
    std::string folded_;
    // Where each folded path starts in folded_, and one past the end.
    std::vector<std::size_t> starts_;
};

} // namespace keldra
