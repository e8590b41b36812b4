#pragma once

namespace keldra {

// Whether scheduled runs should wait for mains power.
class PowerSource {
public:
    virtual ~PowerSource() = default;
    // True only when running from a battery; false on mains power and when nothing can be read.
    virtual bool isOnBatteryPower() const = 0;
};

} // namespace keldra
