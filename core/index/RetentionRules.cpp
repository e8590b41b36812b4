#include "core/index/RetentionRules.h"

#include "core/index/IndexStatements.h"

#include <algorithm>

namespace keldra {

namespace {

constexpr double secondsPerDay = 86400.0;

} // namespace

double periodCutoff(SystemTime now, std::int64_t days) {
    return toUnixSeconds(now) - static_cast<double>(std::max<std::int64_t>(days, 1)) * secondsPerDay;
}

bool newerCopyIsKnown(const std::optional<IndexedFile>& row, const std::string& versionID,
                      const std::unordered_set<std::string>& knownIDs) {
    return row && row->keldraFileID && *row->keldraFileID != versionID &&
           knownIDs.contains(*row->keldraFileID);
}

bool makeCurrentAgain(BackupIndex& index, const IndexedVersion& version) {
    using Bind = BackupIndex::Bind;
    return index.execute(indexsql::insertVersion, {Bind::text(version.keldraFileID), Bind::text(version.path),
                                                   Bind::integer(version.size), Bind::real(version.createdAt),
                                                   Bind::null(), Bind::integer(version.format)});
}

} // namespace keldra
