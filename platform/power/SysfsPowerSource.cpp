#include "platform/power/SysfsPowerSource.h"

#include <fstream>
#include <string>

namespace keldra {

namespace {

// The first line of a sysfs attribute, or empty when it cannot be read.
std::string attribute(const std::filesystem::path& supply, const char* name) {
    std::ifstream in(supply / name);
    std::string value;
    if (in) {
        std::getline(in, value);
    }
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ' || value.back() == '\r')) {
        value.pop_back();
    }
    return value;
}

} // namespace

SysfsPowerSource::SysfsPowerSource(std::filesystem::path root) : root_(std::move(root)) {}

bool SysfsPowerSource::isOnBatteryPower() const {
    std::error_code error;
    bool discharging = false;
    for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
        const auto& supply = entry.path();
        if (attribute(supply, "scope") == "Device") {
            continue;
        }
        const std::string type = attribute(supply, "type");
        if ((type == "Mains" || type == "USB") && attribute(supply, "online") == "1") {
            return false;
        }
        if (type == "Battery" && attribute(supply, "status") == "Discharging") {
            discharging = true;
        }
    }
    return discharging;
}

} // namespace keldra
