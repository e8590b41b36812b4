#pragma once

#include "core/platform/PowerSource.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace keldra {

// Answers from the last reading of another power source, taken on a thread of its own at start and then
// every `period`: the scheduler asks on the UI thread, which must not wait on sysfs reads. Until the first
// reading it answers mains power, as an unreadable source does.
class PolledPowerSource final : public PowerSource {
public:
    PolledPowerSource(const PowerSource& source, std::chrono::milliseconds period);
    ~PolledPowerSource() override;
    PolledPowerSource(const PolledPowerSource&) = delete;
    PolledPowerSource& operator=(const PolledPowerSource&) = delete;

    bool isOnBatteryPower() const override;
    // True once the first reading is in.
    bool hasReading() const;

private:
    void poll(const std::stop_token& stop);

    const PowerSource& source_;
    const std::chrono::milliseconds period_;
    std::atomic<bool> onBattery_{false};
    std::atomic<bool> hasReading_{false};
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread thread_; // last: stopped and joined before the rest goes
};

} // namespace keldra
