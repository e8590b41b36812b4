#pragma once

#include "core/seams/KeyValueStore.h"
#include "core/settings/BackupSchedule.h"
#include "core/settings/DeviceName.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace keldra {

// The per-account settings, stored as JSON under "settings." + the account scope key.
struct BackupSettings {
    BackupSchedule schedule;
    double bandwidthLimitMBps = 0; // decimal megabytes per second; 0 = no limit
    std::int64_t versionRetentionDays = 30;
    std::optional<std::int64_t> deletedGraceDays = 30; // absent = keep forever
    bool massChangeGuard = true;
    bool onlyOnPower = false;
    bool excludeSystemJunk = true;
    bool excludeCaches = true;
    bool excludeDeveloperFolders = false;
    std::vector<std::string> customExclusions;
    bool notifyFailures = true;
    std::int64_t notifyStaleDays = 3; // 0 = never
    bool notifyStorage = true;
    std::string deviceName; // defaults() fills in defaultDeviceName()
    // Portal folder ids, kept as the id's raw text (a JSON integer or string on the wire).
    std::optional<std::string> backupsFolderID;
    std::optional<std::string> deviceFolderID;
    bool setupComplete = false;
    std::optional<std::string> localDeviceID;
    std::optional<std::string> deviceHostID;
    std::optional<std::int64_t> driveReminderDays; // absent = never

    friend bool operator==(const BackupSettings&, const BackupSettings&) = default;

    static BackupSettings defaults(const ComputerNameSources& sources = {});

    // Stored settings, or the defaults when there are none or they do not decode.
    static BackupSettings load(const KeyValueStore& store, const std::string& scopeKey);
    static void save(KeyValueStore& store, const std::string& scopeKey, const BackupSettings& settings);

    nlohmann::json toJson() const;
    // None when a required key is missing or null, or a value has the wrong type.
    static std::optional<BackupSettings> fromJson(const nlohmann::json& json);

    // "MacBook Pro" and the like from the DMI product name, else "Computer".
    static std::string defaultDeviceName(const ComputerNameSources& sources = {});
    // "Keldra Backup on " + the computer's name, or + defaultDeviceName when it has none.
    static std::string defaultFolderName(const ComputerNameSources& sources = {});
};

} // namespace keldra
