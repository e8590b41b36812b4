#include "engine/ListedVersions.h"

#include "core/index/IndexStatements.h"
#include "service/types/ServerDate.h"

#include <unordered_set>

namespace keldra {

void adoptListedVersions(BackupIndex& index, const std::map<std::string, std::vector<RemoteEntry>>& byPath,
                         double now) {
    using Bind = BackupIndex::Bind;
    for (const auto& [path, entries] : byPath) {
        std::unordered_set<std::string> known;
        for (const IndexedVersion& version : index.versions(path)) {
            known.insert(version.keldraFileID);
        }
        for (std::size_t j = 0; j < entries.size(); ++j) {
            const KeldraFile& file = entries[j].file;
            if (known.contains(file.id.raw)) {
                continue;
            }
            const Bind supersededAt =
                j == 0 ? Bind::null() : Bind::real(serverSecondsOr(entries[j - 1].file.createdAt, now));
            index.execute(indexsql::insertVersion,
                          {Bind::text(file.id.raw), Bind::text(path),
                           Bind::integer(file.sizeBytes ? file.sizeBytes->value : 0),
                           Bind::real(serverSecondsOr(file.createdAt, now)), supersededAt, Bind::integer(1)});
        }
    }
}

} // namespace keldra
