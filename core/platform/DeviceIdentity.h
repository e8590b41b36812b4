#pragma once

#include <optional>
#include <string>

namespace keldra {

// A stable identifier of this computer's installation, never the raw machine id.
class DeviceIdentity {
public:
    virtual ~DeviceIdentity() = default;
    // None when the system gives no identity.
    virtual std::optional<std::string> deviceIdentifier() const = 0;
};

} // namespace keldra
