#pragma once

#include "core/seams/Logger.h"

#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace keldra {

// The user defaults: named JSON values that survive a restart.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    virtual std::optional<nlohmann::json> value(const std::string& key) const = 0;
    // False when the value could not be made durable; the value is still kept for this process. A value (or
    // key) holding text that is not UTF-8 cannot be stored at all: false, and nothing changes.
    virtual bool setValue(const std::string& key, const nlohmann::json& value) = 0;
    virtual bool remove(const std::string& key) = 0;
};

// One JSON object in "$XDG_CONFIG_HOME/orlivane-keldra/defaults.json", replaced atomically on every
// change. A damaged file reads as empty and is moved aside (never silently overwritten).
class FileKeyValueStore final : public KeyValueStore {
public:
    FileKeyValueStore(std::filesystem::path file, Logger& logger);
    static std::filesystem::path defaultLocation();

    std::optional<nlohmann::json> value(const std::string& key) const override;
    bool setValue(const std::string& key, const nlohmann::json& value) override;
    bool remove(const std::string& key) override;

private:
    void load();
    bool save();

    std::filesystem::path file_;
    Logger& logger_;
    mutable std::mutex mutex_;
    nlohmann::json values_ = nlohmann::json::object();
};

} // namespace keldra
