#pragma once

#include "core/seams/CancelToken.h"
#include "service/types/FlexID.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace keldra {

class KeldraAPI;

// Deletes stored versions from the Keldra, one request per id (the client's own handling of a busy
// portal, at most 4 attempts). An id the portal no longer knows counts as deleted. Returns how many could
// not be deleted. Blocking: call it off the GUI thread.
int deleteKeldraVersions(KeldraAPI& api, const std::vector<FlexID>& ids, const CancelToken& cancel = {});

// Removes the object files of the ids from a device folder on a drive; one already gone is no failure.
// Without a device folder (none given, or none on the drive), or for an id that is not a drive object id,
// nothing is removed and the id counts as a failure. Returns how many could not be deleted. Blocking: call
// it off the GUI thread.
int deleteDriveVersions(const std::optional<std::filesystem::path>& deviceFolder,
                        const std::vector<FlexID>& ids);

} // namespace keldra
