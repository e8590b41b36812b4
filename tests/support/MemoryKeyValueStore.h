#pragma once

#include "core/seams/KeyValueStore.h"

#include <map>
#include <mutex>

namespace keldra::test {

class MemoryKeyValueStore final : public KeyValueStore {
public:
    std::optional<nlohmann::json> value(const std::string& key) const override {
        std::lock_guard lock(mutex_);
        if (auto it = values_.find(key); it != values_.end()) {
            return it->second;
        }
        return std::nullopt;
    }
    bool setValue(const std::string& key, const nlohmann::json& value) override {
        std::lock_guard lock(mutex_);
        values_[key] = value;
        return true;
    }
    bool remove(const std::string& key) override {
        std::lock_guard lock(mutex_);
        values_.erase(key);
        return true;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::string, nlohmann::json> values_;
};

} // namespace keldra::test
