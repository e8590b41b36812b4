#pragma once

#include "core/platform/DeviceIdentity.h"

#include <filesystem>

namespace keldra {

// This computer's identity: HMAC-SHA256 of the machine id keyed by the application identifier, as lowercase
// hex. The machine id itself never leaves the computer, and other applications cannot link the two.
class MachineIdentity final : public DeviceIdentity {
public:
    explicit MachineIdentity(std::filesystem::path machineIdPath = "/etc/machine-id");
    std::optional<std::string> deviceIdentifier() const override;

private:
    std::filesystem::path machineIdPath_;
};

} // namespace keldra
