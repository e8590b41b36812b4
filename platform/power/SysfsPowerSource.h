#pragma once

#include "core/platform/PowerSource.h"

#include <filesystem>

namespace keldra {

// The power source from /sys/class/power_supply: any online mains (or USB charger) supply means mains power;
// otherwise a discharging system battery means battery power; nothing readable means mains. Batteries of
// devices (mice, headsets) do not count.
class SysfsPowerSource final : public PowerSource {
public:
    explicit SysfsPowerSource(std::filesystem::path root = "/sys/class/power_supply");
    bool isOnBatteryPower() const override;

private:
    std::filesystem::path root_;
};

} // namespace keldra
