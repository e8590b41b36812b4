#pragma once

#include "restore/engine/RestoreItem.h"
#include "restore/tree/RestoreNode.h"
#include "service/types/FlexID.h"

#include <optional>
#include <string>
#include <vector>

namespace keldra {

// The items a restore of `node` needs. A file gives its chosen version (`selectedVersion`, else the
// newest); a folder gives the newest version of every file below it, each placed under the folder's name
// when restored into a chosen folder.
std::vector<RestoreItem> makeRestoreItems(const RestoreNode& node,
                                          const std::optional<FlexID>& selectedVersion);

// Every version id of every file at or below `node`: files in tree order, versions newest first.
std::vector<FlexID> versionIDsBelow(const RestoreNode& node);

} // namespace keldra
