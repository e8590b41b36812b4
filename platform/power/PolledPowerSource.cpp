#include "platform/power/PolledPowerSource.h"

namespace keldra {

PolledPowerSource::PolledPowerSource(const PowerSource& source, std::chrono::milliseconds period)
    : source_(source), period_(period), thread_([this](const std::stop_token& stop) { poll(stop); }) {}

PolledPowerSource::~PolledPowerSource() {
    thread_.request_stop();
    thread_.join();
}

bool PolledPowerSource::isOnBatteryPower() const {
    return onBattery_.load(std::memory_order_relaxed);
}

bool PolledPowerSource::hasReading() const {
    return hasReading_.load(std::memory_order_acquire);
}

void PolledPowerSource::poll(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        onBattery_.store(source_.isOnBatteryPower(), std::memory_order_relaxed);
        hasReading_.store(true, std::memory_order_release);
        // Wakes early only to stop.
        wake_.wait_for(lock, stop, period_, [] { return false; });
    }
}

} // namespace keldra
