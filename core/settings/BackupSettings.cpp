#include "core/settings/BackupSettings.h"

#include "core/settings/JsonFields.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace keldra {
namespace {

std::string settingsKey(const std::string& scopeKey) {
    return "settings." + scopeKey;
}

// Portal ids arrive as JSON integers or strings and are kept as their text: an integer as its
// decimal text, a string as sent, another number rounded half away from zero.
std::optional<std::string> readFolderID(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return std::to_string(number);
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<std::int64_t>());
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number_float()) {
        double rounded = std::round(value.get<double>());
        if (std::isfinite(rounded) && rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0) {
            return std::to_string(static_cast<std::int64_t>(rounded));
        }
    }
    return std::nullopt;
}

// Written back as an integer when the text is one (optional sign, digits, in range), else as a string.
nlohmann::json folderIDJson(const std::string& raw) {
    size_t digitsStart = (!raw.empty() && (raw[0] == '+' || raw[0] == '-')) ? 1 : 0;
    bool digits =
        raw.size() > digitsStart && raw.find_first_not_of("0123456789", digitsStart) == std::string::npos;
    if (digits) {
        errno = 0;
        char* end = nullptr;
        long long value = std::strtoll(raw.c_str(), &end, 10);
        if (errno == 0 && end == raw.c_str() + raw.size()) {
            return static_cast<std::int64_t>(value);
        }
    }
    return raw;
}

} // namespace

BackupSettings BackupSettings::defaults(const ComputerNameSources& sources) {
    BackupSettings settings;
    settings.deviceName = defaultDeviceName(sources);
    return settings;
}

BackupSettings BackupSettings::load(const KeyValueStore& store, const std::string& scopeKey) {
    if (auto stored = store.value(settingsKey(scopeKey))) {
        if (auto settings = fromJson(*stored)) {
            return *settings;
        }
    }
    return defaults();
}

void BackupSettings::save(KeyValueStore& store, const std::string& scopeKey, const BackupSettings& settings) {
    // JSON has no text for these; such a record is not stored at all.
    if (!std::isfinite(settings.bandwidthLimitMBps)) {
        return;
    }
    store.setValue(settingsKey(scopeKey), settings.toJson());
}

nlohmann::json BackupSettings::toJson() const {
    nlohmann::json json{
        {"schedule", schedule.toJson()},
        {"bandwidthLimitMBps", bandwidthLimitMBps},
        {"versionRetentionDays", versionRetentionDays},
        {"massChangeGuard", massChangeGuard},
        {"onlyOnPower", onlyOnPower},
        {"excludeSystemJunk", excludeSystemJunk},
        {"excludeCaches", excludeCaches},
        {"excludeDeveloperFolders", excludeDeveloperFolders},
        {"customExclusions", customExclusions},
        {"notifyFailures", notifyFailures},
        {"notifyStaleDays", notifyStaleDays},
        {"notifyStorage", notifyStorage},
        {"deviceName", deviceName},
        {"setupComplete", setupComplete},
    };
    if (deletedGraceDays) {
        json["deletedGraceDays"] = *deletedGraceDays;
    }
    if (backupsFolderID) {
        json["backupsFolderID"] = folderIDJson(*backupsFolderID);
    }
    if (deviceFolderID) {
        json["deviceFolderID"] = folderIDJson(*deviceFolderID);
    }
    if (localDeviceID) {
        json["localDeviceID"] = *localDeviceID;
    }
    if (deviceHostID) {
        json["deviceHostID"] = *deviceHostID;
    }
    if (driveReminderDays) {
        json["driveReminderDays"] = *driveReminderDays;
    }
    return json;
}

std::optional<BackupSettings> BackupSettings::fromJson(const nlohmann::json& json) {
    using namespace jsonfield;
    BackupSettings settings;
    ObjectReader reader(json);
    reader.required("schedule", settings.schedule, BackupSchedule::fromJson);
    reader.required("bandwidthLimitMBps", settings.bandwidthLimitMBps, readDouble);
    reader.required("versionRetentionDays", settings.versionRetentionDays, readInt);
    reader.optional("deletedGraceDays", settings.deletedGraceDays, readInt);
    reader.required("massChangeGuard", settings.massChangeGuard, readBool);
    reader.required("onlyOnPower", settings.onlyOnPower, readBool);
    reader.required("excludeSystemJunk", settings.excludeSystemJunk, readBool);
    reader.required("excludeCaches", settings.excludeCaches, readBool);
    reader.required("excludeDeveloperFolders", settings.excludeDeveloperFolders, readBool);
    reader.required("customExclusions", settings.customExclusions, readStrings);
    reader.required("notifyFailures", settings.notifyFailures, readBool);
    reader.required("notifyStaleDays", settings.notifyStaleDays, readInt);
    reader.required("notifyStorage", settings.notifyStorage, readBool);
    reader.required("deviceName", settings.deviceName, readString);
    reader.optional("backupsFolderID", settings.backupsFolderID, readFolderID);
    reader.optional("deviceFolderID", settings.deviceFolderID, readFolderID);
    reader.required("setupComplete", settings.setupComplete, readBool);
    reader.optional("localDeviceID", settings.localDeviceID, readString);
    reader.optional("deviceHostID", settings.deviceHostID, readString);
    reader.optional("driveReminderDays", settings.driveReminderDays, readInt);
    if (!reader.ok()) {
        return std::nullopt;
    }
    return settings;
}

std::string BackupSettings::defaultDeviceName(const ComputerNameSources& sources) {
    std::string model;
    std::ifstream stream(sources.productNameFile, std::ios::binary);
    if (stream) {
        model.assign(256, '\0');
        stream.read(model.data(), static_cast<std::streamsize>(model.size()));
        model.resize(static_cast<size_t>(stream.gcount()));
    }
    return deviceNameForModel(model, computerLocalizedName(sources));
}

std::string BackupSettings::defaultFolderName(const ComputerNameSources& sources) {
    if (auto name = computerLocalizedName(sources)) {
        return "Keldra Backup on " + *name;
    }
    return "Keldra Backup on " + defaultDeviceName(sources);
}

} // namespace keldra
