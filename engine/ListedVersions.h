#pragma once

#include "core/index/BackupIndex.h"
#include "restore/catalog/RemoteEntry.h"

#include <map>
#include <string>
#include <vector>

namespace keldra {

// Records listed versions the index lacks (uploaded from this computer earlier, for example before the index
// was rebuilt), so retention and restore know them. Lists are newest first: the first entry of a path is its
// current version, each later one was superseded when the entry before it was created. Files rows are not
// touched; a failed statement is skipped.
void adoptListedVersions(BackupIndex& index, const std::map<std::string, std::vector<RemoteEntry>>& byPath,
                         double now);

} // namespace keldra
