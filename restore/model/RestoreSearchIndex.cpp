#include "restore/model/RestoreSearchIndex.h"

#include "restore/model/SearchText.h"
#include "restore/tree/NaturalOrder.h"

#include <algorithm>
#include <cstring>

namespace keldra {

RestoreSearchIndex::RestoreSearchIndex(std::shared_ptr<const RemoteCatalog> catalog)
    : catalog_(std::move(catalog)) {
    const ByPath& byPath = catalog_->byPath;
    // Sort by precomputed keys: a byte comparison per pair instead of a natural comparison.
    struct Keyed {
        std::size_t keyStart;
        std::size_t keyEnd;
        const ByPath::value_type* entry;
    };
    std::string keys;
    std::vector<Keyed> keyed;
    keyed.reserve(byPath.size());
    for (const auto& entry : byPath) {
        const std::size_t keyStart = keys.size();
        appendNaturalSortKey(keys, entry.first);
        keyed.push_back({keyStart, keys.size(), &entry});
    }
    const std::string_view allKeys(keys);
    const auto keyOf = [allKeys](const Keyed& item) {
        return allKeys.substr(item.keyStart, item.keyEnd - item.keyStart);
    };
    // byPath is in byte order already, so equal keys keep the final tie-break of the natural order.
    std::stable_sort(keyed.begin(), keyed.end(),
                     [&keyOf](const Keyed& a, const Keyed& b) { return keyOf(a) < keyOf(b); });

    sorted_.reserve(keyed.size());
    starts_.reserve(keyed.size() + 1);
    for (const Keyed& item : keyed) {
        sorted_.push_back(item.entry);
        starts_.push_back(folded_.size());
        appendFoldedForSearch(folded_, item.entry->first);
        folded_.push_back('\0');
    }
    starts_.push_back(folded_.size());
}

std::string RestoreSearchIndex::effectiveQuery(std::string_view query) {
    std::string trimmed = trimSearchText(query);
    if (!hasAtLeastCharacters(trimmed, 2)) {
        return {};
    }
    return trimmed;
}

std::vector<const RestoreSearchIndex::ByPath::value_type*>
RestoreSearchIndex::matches(std::string_view query, std::size_t limit) const {
    std::vector<const ByPath::value_type*> found;
    const std::string trimmed = effectiveQuery(query);
    if (trimmed.empty() || limit == 0) {
        return found;
    }
    const std::string needle = foldedForSearch(trimmed);
    if (needle.find('\0') != std::string::npos) {
        return found; // no stored path holds a NUL
    }
    const char* const base = folded_.data();
    const std::size_t total = folded_.size();
    std::size_t from = 0;
    std::size_t path = 0;
    while (from < total) {
        const void* hit = ::memmem(base + from, total - from, needle.data(), needle.size());
        if (!hit) {
            break;
        }
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        // The path holding the hit: the last start at or before it.
        path = static_cast<std::size_t>(
                   std::upper_bound(starts_.begin() + static_cast<std::ptrdiff_t>(path), starts_.end(), at) -
                   starts_.begin()) -
               1;
        found.push_back(sorted_[path]);
        if (found.size() >= limit) {
            break;
        }
        ++path;
        from = starts_[path];
    }
    return found;
}

std::vector<RestoreNodePtr> RestoreSearchIndex::search(std::string_view query) const {
    std::vector<RestoreNodePtr> nodes;
    for (const auto* entry : matches(query)) {
        const std::string& path = entry->first;
        const auto slash = path.rfind('/');
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        nodes.push_back(RestoreNode::makeFile(path, std::move(name), entry->second));
    }
    return nodes;
}

} // namespace keldra
