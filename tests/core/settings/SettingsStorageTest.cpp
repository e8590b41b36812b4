#include "core/settings/BackupSettings.h"
#include "core/settings/BackupSource.h"
#include "tests/support/MemoryKeyValueStore.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

using nlohmann::json;
using test::MemoryKeyValueStore;

BackupSettings customised() {
    BackupSettings settings = BackupSettings::defaults();
    settings.schedule = BackupSchedule{ScheduleKind::weekly, 8, 15, 6, 12};
    settings.bandwidthLimitMBps = 2.5;
    settings.versionRetentionDays = 90;
    settings.deletedGraceDays = std::nullopt;
    settings.massChangeGuard = false;
    settings.onlyOnPower = true;
    settings.excludeSystemJunk = false;
    settings.excludeCaches = false;
    settings.excludeDeveloperFolders = true;
    settings.customExclusions = {"*.tmp", "node_modules"};
    settings.notifyFailures = false;
    settings.notifyStaleDays = 0;
    settings.notifyStorage = false;
    settings.deviceName = "Studio";
    settings.backupsFolderID = "42";
    settings.deviceFolderID = "abc-9";
    settings.setupComplete = true;
    settings.localDeviceID = "0f8fad5b-d9cb-469f-a165-70867728950e";
    settings.deviceHostID = "host";
    settings.driveReminderDays = 7;
    return settings;
}

TEST(BackupSettingsRecord, DefaultsAreTheDocumentedValues) {
    const auto settings = BackupSettings::defaults();
    EXPECT_EQ(settings.schedule, (BackupSchedule{ScheduleKind::daily, 12, 30, 2, 4}));
    EXPECT_EQ(settings.bandwidthLimitMBps, 0);
    EXPECT_EQ(settings.versionRetentionDays, 30);
    EXPECT_EQ(settings.deletedGraceDays, 30);
    EXPECT_TRUE(settings.massChangeGuard);
    EXPECT_FALSE(settings.onlyOnPower);
    EXPECT_TRUE(settings.excludeSystemJunk);
    EXPECT_TRUE(settings.excludeCaches);
    EXPECT_FALSE(settings.excludeDeveloperFolders);
    EXPECT_TRUE(settings.customExclusions.empty());
    EXPECT_TRUE(settings.notifyFailures);
    EXPECT_EQ(settings.notifyStaleDays, 3);
    EXPECT_TRUE(settings.notifyStorage);
    EXPECT_EQ(settings.deviceName, BackupSettings::defaultDeviceName());
    EXPECT_FALSE(settings.deviceName.empty());
    EXPECT_FALSE(settings.backupsFolderID || settings.deviceFolderID || settings.localDeviceID ||
                 settings.deviceHostID || settings.driveReminderDays);
    EXPECT_FALSE(settings.setupComplete);
}

TEST(BackupSettingsRecord, SaveAndLoadPerAccount) {
    MemoryKeyValueStore store;
    const auto mine = customised();
    BackupSettings::save(store, "aa11", mine);
    EXPECT_TRUE(store.value("settings.aa11"));
    EXPECT_EQ(BackupSettings::load(store, "aa11"), mine);
    // Another account sees its own (here: none, so the defaults).
    EXPECT_EQ(BackupSettings::load(store, "bb22"), BackupSettings::defaults());

    // Absent optionals write no key at all.
    auto stored = *store.value("settings.aa11");
    EXPECT_FALSE(stored.contains("deletedGraceDays"));
    EXPECT_EQ(stored["schedule"],
              (json{{"kind", "weekly"}, {"hour", 8}, {"minute", 15}, {"weekday", 6}, {"everyHours", 12}}));
    EXPECT_EQ(stored["backupsFolderID"], json(42));
    EXPECT_EQ(stored["deviceFolderID"], json("abc-9"));
    EXPECT_EQ(stored.size(), 19u);
}

TEST(BackupSettingsRecord, UndecodableRecordsFallBackToTheDefaults) {
    const json good = customised().toJson();
    struct Case {
        const char* name;
        json value;
    };
    auto without = [&](const char* key) {
        json value = good;
        value.erase(key);
        return value;
    };
    auto with = [&](const char* key, json replacement) {
        json value = good;
        value[key] = std::move(replacement);
        return value;
    };
    auto scheduleWith = [&](const char* key, json replacement) {
        json value = good;
        value["schedule"][key] = std::move(replacement);
        return value;
    };
    const std::vector<Case> cases = {
        {"empty object", json::object()},
        {"array", json::array()},
        {"text", "settings"},
        {"no setupComplete", without("setupComplete")},
        {"no deviceName", without("deviceName")},
        {"null massChangeGuard", with("massChangeGuard", nullptr)},
        {"text for a number", with("versionRetentionDays", "30")},
        {"fraction for a whole number", with("notifyStaleDays", 2.5)},
        {"number for a flag", with("onlyOnPower", 1)},
        {"list with a number", with("customExclusions", json::array({"*.tmp", 3}))},
        {"unknown schedule kind", scheduleWith("kind", "monthly")},
        {"schedule without hour",
         [&] {
             json value = good;
             value["schedule"].erase("hour");
             return value;
         }()},
        {"folder id that is a flag", with("deviceFolderID", true)},
        {"folder id out of range", with("deviceFolderID", 1e30)},
        {"optional of the wrong type", with("driveReminderDays", "7")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BackupSettings::fromJson(c.value), std::nullopt) << c.name;
        MemoryKeyValueStore store;
        store.setValue("settings.k", c.value);
        EXPECT_EQ(BackupSettings::load(store, "k"), BackupSettings::defaults()) << c.name;
    }
}

TEST(BackupSettingsRecord, OptionalKeysMayBeMissingOrNullAndExtraKeysAreIgnored) {
    json value = customised().toJson();
    for (const char* key : {"deletedGraceDays", "backupsFolderID", "deviceFolderID", "localDeviceID",
                            "deviceHostID", "driveReminderDays"}) {
        value.erase(key);
    }
    value["localDeviceID"] = nullptr;
    value["futureSetting"] = "kept by a newer version";
    value["versionRetentionDays"] = 14.0;

    auto decoded = BackupSettings::fromJson(value);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->deletedGraceDays, std::nullopt);
    EXPECT_EQ(decoded->backupsFolderID, std::nullopt);
    EXPECT_EQ(decoded->localDeviceID, std::nullopt);
    EXPECT_EQ(decoded->driveReminderDays, std::nullopt);
    EXPECT_EQ(decoded->versionRetentionDays, 14);
    EXPECT_EQ(decoded->deviceName, "Studio");
    auto encoded = decoded->toJson();
    for (const char* key : {"deletedGraceDays", "backupsFolderID", "deviceFolderID", "localDeviceID",
                            "deviceHostID", "driveReminderDays", "futureSetting"}) {
        EXPECT_FALSE(encoded.contains(key)) << key;
    }
}

TEST(BackupSettingsRecord, FolderIdsKeepThePortalsText) {
    // Stored JSON -> kept text -> JSON written back.
    const std::vector<std::tuple<json, std::string, json>> cases = {
        {42, "42", 42},
        {-7, "-7", -7},
        {"0042", "0042", 42},
        {"abc", "abc", "abc"},
        {"", "", ""},
        {"+5", "+5", 5},
        {"99999999999999999999", "99999999999999999999", "99999999999999999999"},
        {42.5, "43", 43},
        {-42.5, "-43", -43},
    };
    for (const auto& [stored, raw, written] : cases) {
        json value = customised().toJson();
        value["deviceFolderID"] = stored;
        auto decoded = BackupSettings::fromJson(value);
        ASSERT_TRUE(decoded) << stored.dump();
        EXPECT_EQ(decoded->deviceFolderID, raw) << stored.dump();
        EXPECT_EQ(decoded->toJson()["deviceFolderID"], written) << stored.dump();
    }
}

TEST(BackupSettingsRecord, RecordThatJsonCannotHoldIsNotStored) {
    MemoryKeyValueStore store;
    auto settings = customised();
    BackupSettings::save(store, "k", settings);
    settings.bandwidthLimitMBps = std::numeric_limits<double>::infinity();
    BackupSettings::save(store, "k", settings);
    EXPECT_EQ(BackupSettings::load(store, "k"), customised());
}

TEST(BackupSourceRecord, SaveLoadAndUndecodableLists) {
    MemoryKeyValueStore store;
    const std::vector<BackupSource> sources = {
        {"A1", "/home/u/Documents", false, fromReferenceSeconds(700'000'000.5)},
        {"B2", "/home/u/notes.txt", true, fromReferenceSeconds(0)},
    };
    BackupSource::saveAll(store, "k1", sources);
    EXPECT_EQ(BackupSource::loadAll(store, "k1"), sources);
    EXPECT_TRUE(BackupSource::loadAll(store, "k2").empty());

    // Dates are seconds since 2001-01-01 UTC.
    auto stored = *store.value("sources.k1");
    EXPECT_EQ(
        stored[0],
        (json{{"id", "A1"}, {"path", "/home/u/Documents"}, {"isFile", false}, {"addedAt", 700'000'000.5}}));

    for (const json& bad :
         {json::object(), json("x"), json::array({stored[0], json{{"id", "C"}}}),
          json::array({json{{"id", "C"}, {"path", "/p"}, {"isFile", "no"}, {"addedAt", 1}}}),
          // A date beyond what the clock can hold does not decode (it once read as the year 1677).
          json::array({json{{"id", "C"}, {"path", "/p"}, {"isFile", false}, {"addedAt", 1e300}}}),
          json::array({json{{"id", "C"}, {"path", "/p"}, {"isFile", false}, {"addedAt", -1e11}}})}) {
        store.setValue("sources.k3", bad);
        EXPECT_TRUE(BackupSource::loadAll(store, "k3").empty()) << bad.dump();
    }
}

} // namespace
} // namespace keldra
