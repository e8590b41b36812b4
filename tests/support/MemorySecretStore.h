#pragma once

#include "core/secrets/SecretStore.h"

#include <map>
#include <mutex>
#include <string>

namespace keldra::test {

// The secret store in memory. setAvailable(false) behaves like a locked keyring: reads give no item and
// writes and removals fail, while the items stay.
class MemorySecretStore final : public SecretStore {
public:
    std::optional<Bytes> read(std::string_view account) override {
        std::lock_guard lock(mutex_);
        const auto it = items_.find(std::string(account));
        if (!available_ || it == items_.end()) {
            return std::nullopt;
        }
        return it->second.data;
    }
    bool write(const Bytes& data, std::string_view account, std::string_view label) override {
        std::lock_guard lock(mutex_);
        if (!available_) {
            return false;
        }
        items_[std::string(account)] = Item{data, std::string(label)};
        return true;
    }
    bool remove(std::string_view account) override {
        std::lock_guard lock(mutex_);
        if (available_) {
            items_.erase(std::string(account));
        }
        return available_;
    }

    void setAvailable(bool available) {
        std::lock_guard lock(mutex_);
        available_ = available;
    }
    std::optional<std::string> label(std::string_view account) const {
        std::lock_guard lock(mutex_);
        const auto it = items_.find(std::string(account));
        return it == items_.end() ? std::nullopt : std::optional<std::string>(it->second.label);
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return items_.size();
    }

private:
    struct Item {
        Bytes data;
        std::string label;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Item> items_;
    bool available_ = true;
};

} // namespace keldra::test
