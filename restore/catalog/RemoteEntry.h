#pragma once

#include "service/types/KeldraFile.h"

#include <functional>
#include <string>

namespace keldra {

// One stored version of one file: the portal's record (or one made from a drive object) and the path its
// sealed name opened to, always one that passed isSafeKeldraPath.
struct RemoteEntry {
    KeldraFile file;
    std::string path;

    const FlexID& id() const { return file.id; }

    // The order of versions: true when `a` belongs before `b`. Later creation time first (a missing or
    // unreadable time counts as the distant past); equal times put the larger numeric id first, an id that
    // is not a decimal number counting as 0. Equal under both gives false, so a stable sort keeps listing
    // order.
    static bool newerFirst(const RemoteEntry& a, const RemoteEntry& b);

    friend bool operator==(const RemoteEntry&, const RemoteEntry&) = default;
};

} // namespace keldra

template <> struct std::hash<keldra::RemoteEntry> {
    std::size_t operator()(const keldra::RemoteEntry& entry) const noexcept;
};
