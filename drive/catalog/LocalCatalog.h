#pragma once

#include "core/crypto/KeldraKey.h"
#include "drive/format/ObjectMetadata.h"

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace keldra::LocalCatalog {

// One readable object on the drive.
struct Entry {
    std::string objectID;
    LocalFormat::Metadata meta;

    bool operator==(const Entry&) const = default;
};

// Keldra path -> the objects holding that path, newest copy first.
using Catalog = std::map<std::string, std::vector<Entry>>;

// One folder below "devices": a computer that backed up to this drive.
struct Device {
    std::string id;
    std::string name;

    bool operator==(const Device&) const = default;
};

// The identifiers of the finished objects of a device folder (the ".olo" files of every two-character
// folder below "objects"). Empty when there is no "objects" folder yet; nothing at all when any part of the
// listing fails, so a half-read drive is never taken for one that lost its copies.
std::optional<std::set<std::string>> listObjects(const std::filesystem::path& deviceFolder);

// Every object of the device folder whose metadata opens under `key` and whose path is safe, grouped by
// path, newest first. Never fails: unreadable objects are left out, an unreadable folder gives nothing.
Catalog load(const std::filesystem::path& deviceFolder, const KeldraKey& key);

// The device folders below root/"devices" (names starting with "." left out), ordered by identifier, each
// named by its "device.json" or, failing that, by its identifier.
std::vector<Device> listDevices(const std::filesystem::path& backupRoot);

} // namespace keldra::LocalCatalog
