#include "restore/catalog/RemoteEntry.h"

#include "service/types/Hashing.h"
#include "service/types/ServerDate.h"

namespace keldra {

bool RemoteEntry::newerFirst(const RemoteEntry& a, const RemoteEntry& b) {
    const auto distantPast = SystemTime::min();
    const auto dateA = parseServerDate(a.file.createdAt).value_or(distantPast);
    const auto dateB = parseServerDate(b.file.createdAt).value_or(distantPast);
    if (dateA != dateB) {
        return dateA > dateB;
    }
    return a.file.id.integerValue().value_or(0) > b.file.id.integerValue().value_or(0);
}

} // namespace keldra

std::size_t std::hash<keldra::RemoteEntry>::operator()(const keldra::RemoteEntry& entry) const noexcept {
    std::size_t seed = std::hash<keldra::KeldraFile>{}(entry.file);
    keldra::hashCombine(seed, entry.path);
    return seed;
}
