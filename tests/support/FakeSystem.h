#pragma once

#include "core/platform/DeviceIdentity.h"
#include "core/platform/LoginItem.h"
#include "core/platform/MemoryInfo.h"
#include "core/platform/Notifier.h"
#include "core/platform/PowerSource.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace keldra::test {

// Doubles of the system seams whose answers a test sets and whose calls it reads. Thread-safe where worker
// jobs may call them.

class RecordingNotifier final : public Notifier {
public:
    struct Posted {
        std::string identifier;
        std::string title;
        std::string body;
        friend bool operator==(const Posted&, const Posted&) = default;
    };
    void postNotification(const std::string& identifier, const std::string& title,
                          const std::string& body) override {
        std::lock_guard lock(mutex_);
        posted_.push_back({identifier, title, body});
    }
    std::vector<Posted> posted() const {
        std::lock_guard lock(mutex_);
        return posted_;
    }
    std::size_t count(const std::string& identifier) const {
        std::lock_guard lock(mutex_);
        std::size_t n = 0;
        for (const auto& p : posted_) {
            n += p.identifier == identifier ? 1 : 0;
        }
        return n;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Posted> posted_;
};

class FixedDeviceIdentity final : public DeviceIdentity {
public:
    explicit FixedDeviceIdentity(std::optional<std::string> id = "host-a") : id_(std::move(id)) {}
    std::optional<std::string> deviceIdentifier() const override {
        std::lock_guard lock(mutex_);
        return id_;
    }
    void set(std::optional<std::string> id) {
        std::lock_guard lock(mutex_);
        id_ = std::move(id);
    }

private:
    mutable std::mutex mutex_;
    std::optional<std::string> id_;
};

class FixedPowerSource final : public PowerSource {
public:
    bool isOnBatteryPower() const override { return onBattery.load(); }
    std::atomic<bool> onBattery{false};
};

class RecordingLoginItem final : public LoginItem {
public:
    bool setLoginItemEnabled(bool enabled) override {
        enabled_ = enabled;
        ++changes_;
        return true;
    }
    bool isLoginItemEnabled() const override { return enabled_; }
    int changes() const { return changes_; }

private:
    bool enabled_ = false;
    int changes_ = 0;
};

class AmpleMemory final : public MemoryInfo {
public:
    uint64_t availableMemoryBytes() const override { return uint64_t{8} << 30; }
};

} // namespace keldra::test
