#include "restore/model/RestoreDeletion.h"

#include "restore/engine/DriveObjectFile.h"
#include "service/api/KeldraAPI.h"

#include <system_error>

namespace keldra {

int deleteKeldraVersions(KeldraAPI& api, const std::vector<FlexID>& ids, const CancelToken& cancel) {
    int failures = 0;
    for (const FlexID& id : ids) {
        if (cancel.stop_requested()) {
            ++failures;
            continue;
        }
        try {
            api.request("DELETE", KeldraAPI::filePath(id), {}, std::nullopt, true, 4, cancel);
        } catch (const KeldraAPIError& error) {
            if (error.kind() != KeldraAPIError::Kind::notFound) {
                ++failures;
            }
        } catch (const std::exception&) {
            ++failures;
        }
    }
    return failures;
}

int deleteDriveVersions(const std::optional<std::filesystem::path>& deviceFolder,
                        const std::vector<FlexID>& ids) {
    // Without the device folder (the drive unplugged or the folder gone) nothing can be deleted: a missing
    // object would otherwise read as already deleted and the delete as a success.
    std::error_code folderError;
    if (!deviceFolder || !std::filesystem::is_directory(*deviceFolder, folderError)) {
        return static_cast<int>(ids.size());
    }
    int failures = 0;
    for (const FlexID& id : ids) {
        const auto object = driveObjectFile(*deviceFolder, id.raw);
        if (!object) {
            ++failures;
            continue;
        }
        std::error_code error;
        const auto status = std::filesystem::symlink_status(*object, error);
        if (status.type() == std::filesystem::file_type::not_found) {
            continue; // already gone
        }
        if (error) {
            ++failures;
            continue;
        }
        if (!std::filesystem::remove(*object, error) || error) {
            ++failures;
        }
    }
    return failures;
}

} // namespace keldra
