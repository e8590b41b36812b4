#pragma once

#include "core/seams/Logger.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>

namespace keldra {

// The user defaults: named JSON values that survive a restart.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    virtual std::optional<nlohmann::json> value(const std::string& key) const = 0;
    // The value is kept at once and read back from now on. A value (or key) holding text that is not UTF-8
    // cannot be stored at all: false, and nothing changes.
    virtual bool setValue(const std::string& key, const nlohmann::json& value) = 0;
    virtual bool remove(const std::string& key) = 0;
};

// One JSON object in "$XDG_CONFIG_HOME/orlivane-keldra/defaults.json", replaced atomically after every
// change. A damaged file reads as empty and is moved aside (never silently overwritten).
//
// A change is kept in memory at once and written by the store's own thread, so no caller (the GUI thread)
// waits for a write, an fsync or a rename. Writes are coalesced: each one writes everything changed so far,
// so the last value of a key wins and a burst of changes costs one or two writes. Destroying the store
// writes what is still pending before it returns.
class FileKeyValueStore final : public KeyValueStore {
public:
    FileKeyValueStore(std::filesystem::path file, Logger& logger);
    ~FileKeyValueStore() override;
    FileKeyValueStore(const FileKeyValueStore&) = delete;
    FileKeyValueStore& operator=(const FileKeyValueStore&) = delete;
    static std::filesystem::path defaultLocation();

    std::optional<nlohmann::json> value(const std::string& key) const override;
    bool setValue(const std::string& key, const nlohmann::json& value) override;
    bool remove(const std::string& key) override;

    // Waits until every change made before the call has been written; false when that write failed (it
    // was logged, and the values are still kept for this process).
    bool flush();

private:
    void load();
    void changedLocked();
    void writeLoop();
    bool save(const std::string& text);

    std::filesystem::path file_;
    Logger& logger_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::condition_variable written_;
    nlohmann::json values_ = nlohmann::json::object();
    // Changes made so far, and how many of them the last finished write held.
    std::uint64_t changes_ = 0;
    std::uint64_t writtenChanges_ = 0;
    bool lastWriteFailed_ = false;
    bool stopping_ = false;
    std::thread writer_; // last: started once everything above exists
};

} // namespace keldra
