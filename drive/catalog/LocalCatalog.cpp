#include "drive/catalog/LocalCatalog.h"

#include "core/fs/SafeKeldraPath.h"
#include "core/text/Utf8Text.h"
#include "drive/format/DriveLayout.h"
#include "drive/format/LocalFormat.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <system_error>

namespace keldra::LocalCatalog {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t deviceFileLimit = 1024 * 1024;

// The names in a folder, or nothing when it cannot be listed completely.
std::optional<std::vector<std::string>> listNames(const fs::path& folder) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    if (error) {
        return std::nullopt;
    }
    return names;
}

} // namespace

std::optional<std::set<std::string>> listObjects(const fs::path& deviceFolder) {
    const fs::path objects = deviceFolder / LocalFormat::objectsFolderName;
    std::error_code error;
    const auto status = fs::symlink_status(objects, error);
    if (status.type() == fs::file_type::not_found) {
        return std::set<std::string>{};
    }
    // Any other failure to look is an unreadable drive, not an empty one; so is a link in the folder's place.
    if (error || status.type() != fs::file_type::directory) {
        return std::nullopt;
    }
    const auto prefixes = listNames(objects);
    if (!prefixes) {
        return std::nullopt;
    }
    std::set<std::string> ids;
    for (const auto& prefix : *prefixes) {
        // Characters, not bytes: a two-letter name in any script is a fan-out folder.
        if (characterCount(prefix) != 2) {
            continue;
        }
        // Only real folders hold objects: a link in a fan-out folder's place would lead off the drive, so
        // it makes the listing fail like any other damage.
        std::error_code statusError;
        if (fs::symlink_status(objects / prefix, statusError).type() != fs::file_type::directory) {
            return std::nullopt;
        }
        const auto names = listNames(objects / prefix);
        if (!names) {
            return std::nullopt;
        }
        for (const auto& name : *names) {
            if (name.ends_with(LocalFormat::objectExtension)) {
                ids.insert(name.substr(0, name.size() - LocalFormat::objectExtension.size()));
            }
        }
    }
    return ids;
}

Catalog load(const fs::path& deviceFolder, const KeldraKey& key) {
    Catalog catalog;
    const auto ids = listObjects(deviceFolder).value_or(std::set<std::string>{});
    for (const auto& id : ids) {
        LocalFormat::Metadata meta;
        try {
            meta = LocalFormat::readMetadata(LocalFormat::objectPath(deviceFolder, id), key);
        } catch (const std::exception&) {
            continue;
        }
        if (!isSafeKeldraPath(meta.path)) {
            continue;
        }
        auto& entries = catalog[meta.path];
        entries.push_back(Entry{id, std::move(meta)});
    }
    for (auto& [path, entries] : catalog) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.meta.created > b.meta.created; });
    }
    return catalog;
}

std::vector<Device> listDevices(const fs::path& backupRoot) {
    const auto names = listNames(backupRoot / LocalFormat::devicesFolderName);
    if (!names) {
        return {};
    }
    std::vector<std::string> ids;
    std::copy_if(names->begin(), names->end(), std::back_inserter(ids),
                 [](const std::string& name) { return !name.empty() && name.front() != '.'; });
    std::sort(ids.begin(), ids.end());

    std::vector<Device> devices;
    for (const auto& id : ids) {
        std::string name = id;
        const auto text = LocalFormat::readSmallFile(
            LocalFormat::deviceFolder(backupRoot, id) / LocalFormat::deviceFileName, deviceFileLimit);
        if (text) {
            const auto json = nlohmann::json::parse(*text, nullptr, false);
            if (json.is_object()) {
                const auto found = json.find("name");
                if (found != json.end() && found->is_string()) {
                    name = found->get<std::string>();
                }
            }
        }
        devices.push_back(Device{id, std::move(name)});
    }
    return devices;
}

} // namespace keldra::LocalCatalog
