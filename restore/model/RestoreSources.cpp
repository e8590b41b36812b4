#include "restore/model/RestoreSources.h"

#include "drive/catalog/LocalCatalog.h"
#include "restore/engine/WithRetry.h"
#include "service/api/KeldraAPI.h"

#include <system_error>

namespace keldra {
namespace {

void addKeldraSources(KeldraAPI& api, const CancelToken& cancel, GatheredSources& found) {
    try {
        const KeldraListing root = api.listFiles(std::nullopt, cancel);
        if (!root.folders) {
            return;
        }
        for (const KeldraFolder& folder : *root.folders) {
            if (folder.name != "Backups" || folder.parentId) {
                continue;
            }
            const KeldraListing backups = api.listFiles(folder.id, cancel);
            for (const KeldraFolder& device : backups.folders.value_or(std::vector<KeldraFolder>{})) {
                found.options.push_back({RestoreSource::keldra(device.id), keldraSourceLabel(device.name)});
            }
            return;
        }
    } catch (const std::exception& error) {
        found.options.clear();
        found.keldraError = errorText(error);
    }
}

} // namespace

std::optional<std::filesystem::path> existingBackupRoot(const LocalDestination& destination,
                                                        const VolumeProvider& volumes) {
    const std::optional<std::string> root = destination.backupFolderPath(volumes);
    std::error_code error;
    if (!root || !std::filesystem::is_directory(*root, error)) {
        return std::nullopt;
    }
    return std::filesystem::path(*root);
}

GatheredSources gatherRestoreSources(KeldraAPI* api, const std::vector<LocalDestination>& destinations,
                                     const VolumeProvider* volumes, const CancelToken& cancel) {
    GatheredSources found;
    if (api) {
        addKeldraSources(*api, cancel, found);
    }
    if (!volumes) {
        return found;
    }
    for (const LocalDestination& destination : destinations) {
        const auto root = existingBackupRoot(destination, *volumes);
        if (!root) {
            continue;
        }
        found.driveRoots.emplace(destination.id, *root);
        for (const LocalCatalog::Device& device : LocalCatalog::listDevices(*root)) {
            found.options.push_back({RestoreSource::drive(destination.id, device.id),
                                     driveSourceLabel(destination.name, device.name)});
        }
    }
    return found;
}

} // namespace keldra
