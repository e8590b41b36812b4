#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// Where the computer's model and name are read from; tests point these at fixtures.
struct ComputerNameSources {
    std::filesystem::path productNameFile = "/sys/class/dmi/id/product_name";
    std::filesystem::path machineInfoFile = "/etc/machine-info";
    // The host name when machine-info has no pretty name; empty when there is none.
    std::function<std::string()> hostName; // unset: gethostname
};

// The computer's own name: PRETTY_HOSTNAME of machine-info, else the host name; none when empty.
std::optional<std::string> computerLocalizedName(const ComputerNameSources& sources = {});

// The family name for a hardware model text and the computer's name ("MacBook Pro", "Mac mini",
// the product name itself, or "Computer" when the model text is a firmware placeholder).
std::string deviceNameForModel(std::string_view model, const std::optional<std::string>& localizedName);

} // namespace keldra
